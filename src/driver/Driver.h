// The headless driver: runs the game with the headless back end, applies an
// input script or a recording and writes a JSON Lines dump of every frame
// of play.
#pragma once

#include <cstdint>
#include <string>

#include "replay/Capture.h"

namespace molfo {

struct HeadlessOptions {
    std::string dataDir = ".";   // folder that holds sys/
    std::string inputPath;       // input script; empty: no input
    int64_t frames = -1;         // stop after this many passes of the main loop; -1: run to the end
    std::string dumpPath;        // JSON Lines dump; empty: none
    int stage = 1;               // practice: the first game starts at this stage
    bool boss = false;           // practice: ... and at its boss
    CaptureOptions capture;      // recording, replaying (instead of a script) and screenshots
    std::string language = "auto";  // the window's words: auto (the environment), ja, en
    bool keepReplays = false;    // keep each game among the player's replays
    // With a replay: what it came to, as one JSON line (see Outcome.h);
    // empty: none.
    std::string resultPath;
};

// Runs one headless session. Returns the process exit status.
int RunHeadless(const HeadlessOptions& options);

}  // namespace molfo
