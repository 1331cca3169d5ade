#include "driver/Outcome.h"

#include <fstream>

#include <nlohmann/json.hpp>

#include "world/Game.h"

namespace molfo {

void OutcomeWatch::Begin(const Game& g) { firstPass_ = g.passes; }

void OutcomeWatch::OnScene(const Game& g) {
    switch (g.scene) {
        case Scene::Play: counted_ = false; break;
        // Taken as the game ends: the set-up of a next game (after the
        // ranking's Z, or on the title's way out) clears the score.
        case Scene::GameOver:
            if (o_.ended != "ending") {
                o_.ended = "gameover";
                o_.summary = Summarise(g, false);
            }
            break;
        case Scene::Ending:
            o_.ended = "ending";
            o_.summary = Summarise(g, false);
            break;
        default: break;
    }
}

void OutcomeWatch::AfterPass(const Game& g) {
    // Escape on the title enters play only to leave it within the same
    // pass, so a game counts once a pass of it has run.
    if (g.scene == Scene::Play && g.s.InGame != 0 && !counted_) {
        counted_ = true;
        ++o_.games;
    }
}

Outcome OutcomeWatch::Finish(const Game& g, const std::string& problem, const std::string& version) const {
    Outcome o = o_;
    o.frames = g.passes - firstPass_;
    o.matched = problem.empty();
    o.problem = problem;
    o.version = version;
    if (o.ended == "none") o.summary = Summarise(g, false);
    return o;
}

std::string OutcomeLine(const Outcome& o) {
    nlohmann::ordered_json j;
    j["score"] = o.summary.score;
    j["stage"] = o.summary.stage;
    j["ended"] = o.ended;
    j["frames"] = o.frames;
    j["games"] = o.games;
    j["matched"] = o.matched;
    j["problem"] = o.problem;
    j["version"] = o.version;
    // A recording may carry any bytes as its version: never a reason to fail.
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string WriteOutcome(const std::string& path, const Outcome& o) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << OutcomeLine(o) << '\n';
    out.close();
    if (!out) return "cannot write the result " + path;
    return {};
}

}  // namespace molfo
