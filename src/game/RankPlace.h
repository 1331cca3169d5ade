// Where the ranking is kept: in the game's sys/ folder when it can be
// written and is not under /usr, otherwise in the user's own data folder.
// The window, headless runs and recordings all follow this one rule.
#pragma once

#include <string>

namespace molfo {

// True when a file can be made in the folder (tried, not guessed from the
// permission bits, so a read-only mount counts as read-only for root too).
bool FolderWritable(const std::string& folder);

// True when the game may keep the player's files in the folder: it can be
// written and is not under /usr, whose files belong to the package manager
// even when root plays.
bool PlayerMayWrite(const std::string& folder);

// The user's data folder for the game, made when missing:
// $XDG_DATA_HOME/molfo/ (an absolute XDG_DATA_HOME only), else
// $HOME/.local/share/molfo/. Ends in '/'; empty when there is none.
std::string UserDataFolder();

// The ranking file for a data folder whose sys/ cannot be written: rank.hms
// in the user's folder `userDir` (ending in '/'). When it does not exist yet
// and a ranking lies beside the program, that one is copied there first, so
// its scores are kept. Returns the path, or empty when `userDir` is empty
// (the ranking then stays beside the program and is not saved).
std::string UserRankFile(const std::string& dataDir, const std::string& userDir);

// The ranking file for a game reading `dataDir`: empty for sys/rank.hms in
// it when the player may write sys/ (PlayerMayWrite), else the user's
// ranking (see above). Says in one line on stderr when neither can be
// written.
std::string RankFileFor(const std::string& dataDir);

}  // namespace molfo
