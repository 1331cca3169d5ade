#include "platform/web/WebRank.h"

#include <fstream>
#include <iterator>

#include "platform/web/WebImports.h"
#include "screens/RankFile.h"
#include "screens/RankMerge.h"
#include "world/Game.h"

namespace molfo {

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
    // A game ends by game over or by the ending; both end in the ranking.
    if (g.scene == Scene::GameOver || g.scene == Scene::Ending) {
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
    const std::vector<uint8_t> merged = rank::MergeRank(base_, ours, Read());
    Write(merged);
    molfo_rank_unlock(1);
}

}  // namespace molfo
