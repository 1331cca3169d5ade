// The start-up check that every file the game will load is there and reads.
#pragma once

#include <string>
#include <vector>

namespace molfo {

struct AssetProblem {
    std::string path;  // the host path of the file
    std::string line;  // one line naming the file and what is wrong with it
};

struct AssetReport {
    // Without its pictures the game has nothing to show: these stop it.
    std::vector<AssetProblem> pictures;
    // A song or an effect that cannot be played stays silent; the game plays.
    std::vector<AssetProblem> sounds;
};

// Checks every file the game loads under dataDir.
AssetReport CheckAssets(const std::string& dataDir);

// Prints one line per problem on stderr. False when the game cannot start.
bool ReportAssets(const AssetReport& report);

}  // namespace molfo
