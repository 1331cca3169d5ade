#include "platform/web/WebRank.h"

#include <fstream>
#include <iterator>

#include "platform/web/WebImports.h"
#include "screens/RankFile.h"
#include "world/Game.h"

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

std::vector<uint8_t> WebRank::Read() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WebRank::Write(const std::vector<uint8_t>& bytes) const {
    // The file holds the whole table; RankFile's own writer keeps the old
    // file if this one fails.
    rank::WriteRankFile(path_, rank::ParseRank(bytes));
}

void WebRank::OnScene(Game& g) {
    if (g.scene == Scene::GameOver) {
        // Another tab may have stored a game since this page loaded.
        molfo_rank_lock();
        base_ = Read();
        haveBase_ = true;
        molfo_rank_unlock(0);
        return;
    }
    if (g.scene != Scene::Ranking || !haveBase_) return;
    haveBase_ = false;
    const std::vector<uint8_t> ours = Read();
    molfo_rank_lock();  // reads storage over our file, so ours was read first
    const std::vector<uint8_t> merged = Merge(base_, ours, Read());
    Write(merged);
    molfo_rank_unlock(1);
}

}  // namespace molfo
