// The online table from the command line: `molfo --submit FILE` sends one
// kept replay and waits for the verdict, `molfo --online-table` prints the
// top of the table. Each says what it found in one line.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

namespace molfo::online {

// The exit statuses of --submit (and of --online-table, which has no verdict).
inline constexpr int kExitVerified = 0;
inline constexpr int kExitRejected = 1;
inline constexpr int kExitBadInput = 2;     // not a recording the table takes, or no table named
inline constexpr int kExitUnreachable = 3;  // no table answered, or it could not take the run
inline constexpr int kExitUndecided = 4;    // accepted, but no verdict within the wait

struct SubmitRequest {
    std::string file;
    std::string server;  // empty: none was given or set
    std::string name;    // with nameGiven; else the name typed in the game, if any
    bool nameGiven = false;
    std::chrono::milliseconds wait{std::chrono::seconds(60)};
    std::chrono::milliseconds pollEvery{500};
};

int SubmitRun(const SubmitRequest& r, std::ostream& out, std::ostream& err);

inline constexpr int kTableRows = 20;
int PrintTable(const std::string& server, std::ostream& out, std::ostream& err, int rows = kTableRows);

}  // namespace molfo::online
