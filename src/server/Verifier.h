// A run verified by the game itself: the game's own headless program replays
// the recording in a process of its own, under limits, in a scratch folder
// removed afterwards, and says what the replay came to. Nothing the file
// claims is taken: score, stage, end and length come from the replay alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>

#include "server/Store.h"

namespace molfo::server {

struct VerifierLimits {
    int cpuSeconds = 60;
    int wallSeconds = 120;
    int64_t memoryBytes = int64_t{1} << 30;  // address space; 0: no limit
    int64_t fileBytes = int64_t{16} << 20;   // any one file it writes
};

// How the verifier process ended.
struct Exit {
    bool started = true;     // false: it could not be started at all
    bool timedOut = false;   // killed at the wall-clock limit
    int status = -1;         // exit status, when it exited
    int signal = 0;          // the signal that ended it, when one did
};

// The verdict from the process's end, the line it wrote (empty when it
// wrote none) and the last line it printed. `version`: the game the server
// runs, which the recording's must equal.
Verdict Judge(const Exit& exit, const std::string& resultLine, const std::string& lastLogLine,
              const VerifierLimits& limits, const std::string& version);

class Verifier {
public:
    Verifier(std::string game, VerifierLimits limits, std::string version)
        : game_(std::move(game)), limits_(limits), version_(std::move(version)) {}

    // `cancel`, when it turns true, kills the verifier and gives no verdict
    // (retry): the server is stopping.
    Verdict Verify(std::span<const uint8_t> recording, const std::atomic<bool>* cancel = nullptr) const;

    // `GAME --version`, the word after the program's name; empty with
    // `error` set when the program does not answer as the game does.
    static std::string GameVersion(const std::string& game, std::string& error);

    // Whether a child process can be given `limits` (a verifier that cannot
    // be limited is never started); false with `error` set.
    static bool CanLimit(const VerifierLimits& limits, std::string& error);

    const std::string& Version() const { return version_; }

    // Removes the scratch folders of servers that died before they could;
    // returns how many.
    static int RemoveStale();

private:
    std::string game_;
    VerifierLimits limits_;
    std::string version_;
};

}  // namespace molfo::server
