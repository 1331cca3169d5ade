// A finished game's ranking entry merged into the ranking as another writer
// (a second browser tab, say) may have stored it meanwhile: writing the
// game's own file back would drop the other's entry.
#pragma once

#include <cstdint>
#include <vector>

namespace molfo::rank {

// `base` is the ranking file the game read, `ours` the file it wrote, and
// `latest` the file as stored now. Returns the file to store: `latest` with
// our game's entry inserted at its place.
std::vector<uint8_t> MergeRank(const std::vector<uint8_t>& base, const std::vector<uint8_t>& ours,
                               const std::vector<uint8_t>& latest);

}  // namespace molfo::rank
