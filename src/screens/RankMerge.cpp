#include "screens/RankMerge.h"

#include "screens/RankFile.h"

namespace molfo::rank {

std::vector<uint8_t> MergeRank(const std::vector<uint8_t>& base, const std::vector<uint8_t>& ours,
                               const std::vector<uint8_t>& latest) {
    const RankTable b = ParseRank(base), o = ParseRank(ours), l = ParseRank(latest);
    // The game inserts one entry; where its file first differs from what it
    // read is that entry.
    int place = 0;
    for (int i = 1; i <= kPlaces && place == 0; ++i)
        if (b.RankName[i] != o.RankName[i] || b.RankScore[i] != o.RankScore[i]) place = i;
    if (place == 0) return SerializeRank(l);  // nothing of ours to add
    // Nobody else wrote meanwhile: our file is the ranking.
    if (SerializeRank(b) == SerializeRank(l)) return SerializeRank(o);
    RankTable merged = l;
    const int16_t at = FindPlace(merged, o.RankScore[place]);
    if (at != 0) InsertRank(merged, at, o.RankScore[place], o.RankName[place]);
    return SerializeRank(merged);
}

}  // namespace molfo::rank
