// The player's kept replays: every game played in the window is recorded on
// its own into the user's data folder, named by when it ended, its score and
// how far it got. The folder keeps the last 50 games and up to 50 personal
// bests (each scored more than every game kept before it), so it never grows
// past 100 recordings; files not named as a kept replay are never touched.
//
//   2026-12-08_051203_1234pts_stage3-boss_best.mrec
//   2026-12-08_051203-2_0pts_stage1.mrec         (a second game that second)
#pragma once

#include <ctime>
#include <iosfwd>
#include <string>
#include <vector>

#include "replay/Record.h"

namespace molfo::library {

inline constexpr size_t kKeepRecent = 50;
inline constexpr size_t kKeepBests = 50;

struct Kept {
    std::string file;  // the name in the folder
    std::string path;
    std::string date;  // "2026-12-08 05:12:03"
    int serial = 1;    // the second game to end in the same second is 2
    int64_t written = 0;  // when the game wrote it (ns, see Save): the order of the folder
    GameSummary summary;
    bool best = false;
};

// $XDG_DATA_HOME/molfo/replays/ (or ~/.local/share/molfo/replays/), ending
// in '/'; empty when there is no user data folder.
std::string DefaultFolder();

std::string FileName(const std::tm& when, int serial, const GameSummary& s, bool best);
// False for a name that is not a kept replay's.
bool ParseName(const std::string& file, Kept& out);

// The kept replays, oldest written first.
std::vector<Kept> List(const std::string& folder);
// The newest, and the one with the highest score (the newest of equals; a
// game from the start before any practice run); empty when none is kept.
std::string Last(const std::string& folder);
std::string Best(const std::string& folder);

// Writes one game's recording into the folder (made when missing) under a
// name of its own, through a temporary file, so a crash never leaves half a
// replay; then prunes. The file is stamped (its modification time) after
// every file kept before it, so the folder's order never goes back even
// when the clock did. Returns the path, or empty with `error` set; `future`,
// when given, gets one line when the folder holds games dated after today.
std::string Save(const std::string& folder, const std::vector<uint8_t>& bytes, const GameSummary& summary,
                 const std::tm& when, std::string& error, std::string* future = nullptr);
// Removes all but the newest `recent` replays and the newest `bests` of the
// personal bests, newest by the order they were written. Only recordings
// are removed (a file of the player's named like one stays), and never
// `justWritten`. Returns how many were removed.
size_t Prune(const std::string& folder, size_t recent = kKeepRecent, size_t bests = kKeepBests,
             const std::string& justWritten = {});

// `molfo --replays`: one line a kept replay with its date, score, how far
// it got, its length, the version that recorded it and whether this
// version can verify it. Returns the exit status.
int PrintList(std::ostream& out, const std::string& folder, const std::string& programVersion);

}  // namespace molfo::library
