// The program in the browser: the page's options (from its address), the
// web back end, then the game. The page's data lies at /data/sys, the
// ranking at /persist (IndexedDB), both set up by the page before main.
#include <cstdlib>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include "platform/web/WebImports.h"
#include "platform/web/WebPlatform.h"
#include "platform/web/WebRank.h"
#include "replay/GameSession.h"
#include "world/Game.h"

namespace {

constexpr const char* kDataDir = "/data";
constexpr const char* kRankFile = "/persist/rank.hms";

struct Options {
    molfo::CaptureOptions capture;
    int stage = 1;
    bool boss = false;
    bool mute = false;
    bool fast = false;            // a replay as fast as the browser allows
    std::string language = "ja";  // the page's words: ja or en
    std::set<int64_t> holdAfter;  // passes after which the game waits for the page
};

bool Parse(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return {};
            }
            return argv[++i];
        };
        if (a == "--replay") o.capture.replayPath = value();
        else if (a == "--record") o.capture.recordPath = value();
        else if (a == "--verify") o.capture.verify = true;
        else if (a == "--screenshot-dir") o.capture.screenshotDir = value();
        else if (a == "--screenshot-every") o.capture.screenshotEvery = std::atoll(value().c_str());
        else if (a == "--stage") o.stage = std::atoi(value().c_str());
        else if (a == "--boss") o.boss = true;
        else if (a == "--mute") o.mute = true;
        else if (a == "--language") o.language = value();
        else if (a == "--fast") o.fast = true;
        else if (a == "--hold") {
            std::istringstream list(value());
            for (std::string p; std::getline(list, p, ',');) o.holdAfter.insert(std::atoll(p.c_str()));
        } else {
            error = "unknown option " + a;
        }
        if (!error.empty()) return false;
    }
    if (o.stage < 1 || o.stage > 5) error = "--stage takes 1..5";
    return error.empty();
}

int Run(const Options& o) {
    molfo::SessionSettings settings;
    settings.dataDir = kDataDir;
    settings.rankPath = kRankFile;
    settings.practiceStage = o.stage;
    settings.practiceBoss = o.boss;
    settings.language = o.language;  // the page chose it; no environment here
    settings.capture = o.capture;
    molfo::GameSession run(std::move(settings));
    if (const int status = run.Prepare(); status != 0) return status;
    molfo::WebPlatform web(o.mute);
    molfo::WebTurboClock turbo;
    molfo::Clock* pace = o.fast ? static_cast<molfo::Clock*>(&turbo) : &web.clock();
    molfo::Game& g = run.Open(web.platform(), pace, nullptr);
    web.SetLanguage(&run.SetLanguage(o.language));
    molfo::WebRank rank(kRankFile);
    g.onScene = [&rank, replaying = run.Replaying()](molfo::Game& game) {
        molfo_scene(molfo::SceneName(game.scene));
        // A replay keeps to its own copy of the ranking; storage is the player's.
        if (!replaying) rank.OnScene(game);
    };
    g.afterPass = [&](molfo::Game& game) {
        if (game.scene == molfo::Scene::Play) molfo_frame_started(static_cast<unsigned>(game.s.FrameStartTick));
        if (o.holdAfter.count(game.passes) != 0) molfo_hold(static_cast<int>(game.passes));
    };
    return run.Run();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    int status = 2;
    if (!Parse(argc, argv, o, error)) {
        std::cerr << "molfo: " << error << "\n";
    } else {
        try {
            status = Run(o);
        } catch (const std::exception& e) {
            std::cerr << "molfo: " << e.what() << "\n";
            status = 1;
        }
    }
    molfo::WebPlatform::Finished(status);
    return status;
}
