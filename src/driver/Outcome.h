// What a replayed session came to, for whoever must trust only the replay
// and not the file (the online table's verifier): its game's score, how far
// it got and how it ended, read from the game's own state as it plays, and
// whether the recording held to the end. `--result FILE` writes it as one
// JSON line.
#pragma once

#include <cstdint>
#include <string>

#include "replay/Record.h"

namespace molfo {

struct Game;

struct Outcome {
    int games = 0;            // games that were played (a pass of play, at least)
    std::string ended = "none";  // "gameover", "ending", or "none": no game finished
    GameSummary summary;      // the finished game's, taken as it ended
    int64_t frames = 0;       // passes of the main loop the recording made
    bool matched = false;     // every state hash matched, every recorded answer was used
    std::string problem;      // why not, in one line; empty when matched
    std::string version;      // the version that made the recording
};

// Follows the game through its scenes and passes.
class OutcomeWatch {
public:
    // Before the main loop: a recording of a later game of its session
    // starts from the passes of the games before it.
    void Begin(const Game& g);
    void OnScene(const Game& g);
    void AfterPass(const Game& g);
    // `problem`: the replay's own verdict, empty when it matched.
    Outcome Finish(const Game& g, const std::string& problem, const std::string& version) const;

private:
    Outcome o_;
    bool counted_ = false;  // the game in play has been counted
    int64_t firstPass_ = 0;
};

std::string OutcomeLine(const Outcome& o);
// Writes the line to `path`; returns an empty text or what went wrong.
std::string WriteOutcome(const std::string& path, const Outcome& o);

}  // namespace molfo
