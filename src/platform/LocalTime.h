// The wall clock, for naming the player's files (replays, screenshots) by
// date. The game's own timing never reads it: that is Clock's.
#pragma once

#include <ctime>

namespace molfo {

// The local date and time now.
std::tm LocalNow();

}  // namespace molfo
