// The merge of a finished game's ranking entry into the ranking as stored;
// apart from WebRank.cpp so that the desktop's tests can check it.
#include "platform/web/WebRank.h"
#include "screens/RankFile.h"

namespace molfo {

std::vector<uint8_t> WebRank::Merge(const std::vector<uint8_t>& base, const std::vector<uint8_t>& ours,
                                    const std::vector<uint8_t>& latest) {
    const rank::RankTable b = rank::ParseRank(base), o = rank::ParseRank(ours), l = rank::ParseRank(latest);
    // The game inserts one entry; where its file first differs from what it
    // read is that entry.
    int place = 0;
    for (int i = 1; i <= rank::kPlaces && place == 0; ++i)
        if (b.RankName[i] != o.RankName[i] || b.RankScore[i] != o.RankScore[i]) place = i;
    if (place == 0) return rank::SerializeRank(l);  // nothing of ours to add
    // Nobody else wrote meanwhile: our file is the ranking.
    if (rank::SerializeRank(b) == rank::SerializeRank(l)) return rank::SerializeRank(o);
    rank::RankTable merged = l;
    const int16_t at = rank::FindPlace(merged, o.RankScore[place]);
    if (at != 0) rank::InsertRank(merged, at, o.RankScore[place], o.RankName[place]);
    return rank::SerializeRank(merged);
}

}  // namespace molfo
