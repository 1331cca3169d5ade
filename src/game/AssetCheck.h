// The start-up check that every file the game will load is there and reads.
#pragma once

#include <string>
#include <vector>

namespace molfo {

// Returns one line per missing or unreadable file under dataDir; empty when
// everything is in place.
std::vector<std::string> CheckAssets(const std::string& dataDir);

}  // namespace molfo
