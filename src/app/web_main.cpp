// The program in the browser: the page's options (from its address), the
// web back end, then the game. The page's data lies at /data/sys, the
// ranking at /persist (IndexedDB), both set up by the page before main;
// most of the data arrives while the game runs. The page's data was checked
// as the game checks its sys/ folder when the page was built.
//
// A page has no end of its own: leaving full screen is the browser's
// Escape, so the game's end (Escape) starts it afresh on the title, the
// ranking kept. Only a recording or a replay ends for good, with its result.
// Each game played is kept as a replay of its own in a folder of the page's
// memory (--keep), where the page picks it up to offer it to the online
// table.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "game/Flow.h"
#include "i18n/Language.h"
#include "platform/web/WebImports.h"
#include "platform/web/WebPlatform.h"
#include "platform/web/WebRank.h"
#include "replay/GameSession.h"
#include "world/Game.h"

namespace {

constexpr const char* kDataDir = "/data";
constexpr const char* kRankFile = "/persist/rank.hms";
// The label font with every character of CP932, for the boxes, and the
// printed ranking's font where the game looks for it; the page fetches both
// after the title.
constexpr const char* kNameFont = "/data/fonts/ipagp.ttf";
constexpr const char* kFixedFont = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
// A watched replay tells the page how far it has got this often (passes).
constexpr int64_t kProgressEvery = 10;

struct Options {
    molfo::CaptureOptions capture;
    int stage = 1;
    bool boss = false;
    bool mute = false;
    std::string language;             // from the address: ja, en or auto, over the stored settings
    std::string autoLanguage = "ja";  // what auto means: the first of the browser's languages the game speaks
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
        else if (a == "--keep") o.capture.keepFolder = value();
        else if (a == "--verify") o.capture.verify = true;
        else if (a == "--screenshot-dir") o.capture.screenshotDir = value();
        else if (a == "--screenshot-every") o.capture.screenshotEvery = std::atoll(value().c_str());
        else if (a == "--stage") o.stage = std::atoi(value().c_str());
        else if (a == "--boss") o.boss = true;
        else if (a == "--mute") o.mute = true;
        else if (a == "--language") o.language = value();
        else if (a == "--auto-language") o.autoLanguage = value();
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

// The words of a language setting; auto is what the browser prefers.
std::string Spoken(const Options& o, const std::string& language) {
    return language == molfo::i18n::kAuto ? o.autoLanguage : language;
}

int Session(const Options& o, bool first, molfo::WebPlatform& web, std::string& language) {
    molfo::SessionSettings settings;
    settings.dataDir = kDataDir;
    settings.rankPath = kRankFile;
    // Only the first session of the page starts where the address says.
    settings.practiceStage = first ? o.stage : 1;
    settings.practiceBoss = first && o.boss;
    settings.language = Spoken(o, language);  // the page chose it; no environment here
    // The page's data was checked when the page was built, and most of it
    // is still on its way.
    settings.checkAssets = false;
    settings.capture = o.capture;
    molfo::GameSession run(std::move(settings));
    if (const int status = run.Prepare(); status != 0) return status;
    molfo::WebReplayClock pace(web.clock());
    molfo::Game& g = run.Open(web.platform(), &pace, nullptr);
    web.SetLanguage(&run.SetLanguage(Spoken(o, language)));
    molfo::WebRank rank(kRankFile);
    const bool replaying = run.Replaying();
    const int64_t firstPass = run.capture().ReplayFirstPass();
    const int64_t lastPass = run.capture().ReplayLastPass();
    g.onScene = [&web, &rank, replaying](molfo::Game& game) {
        molfo_scene(molfo::SceneName(game.scene));
        // The printed ranking follows both end screens.
        if (game.scene == molfo::Scene::GameOver || game.scene == molfo::Scene::Ending) web.Need(kFixedFont);
        // A replay keeps to its own copy of the ranking; storage is the player's.
        if (!replaying) rank.OnScene(game);
    };
    g.afterPass = [&](molfo::Game& game) {
        if (game.scene == molfo::Scene::Play) molfo_frame_started(static_cast<unsigned>(game.s.FrameStartTick));
        if (o.holdAfter.count(game.passes) != 0) molfo_hold(static_cast<int>(game.passes));
        if (replaying && game.passes % kProgressEvery == 0)
            molfo_replay_progress(static_cast<double>(game.passes - firstPass), static_cast<double>(lastPass - firstPass));
    };
    molfo::WebSettingsHooks hooks;
    hooks.languages = molfo::i18n::AvailableLanguages(kDataDir);
    hooks.mayOpen = [&g, replaying] { return g.scene == molfo::Scene::Title && !replaying; };
    hooks.changed = [&](const molfo::settings::Settings& s) {
        if (s.language == language) return;
        language = s.language;
        web.SetLanguage(&run.SetLanguage(Spoken(o, language)));
        // The page is drawn over the window as composed: the labels and the
        // title's lettering behind it change language with it.
        molfo::DrawTitlePicture(g);
        g.scr.Compose();
    };
    web.SetSettingsHooks(std::move(hooks));
    // A pause for the browser before the window's own pictures, and after.
    web.Yield();
    const int status = run.Run([&web, &g] {
        web.Yield();
        // Every picture after the window's own may still be on its way.
        g.beforeRead = [&web](const std::string& path) { web.Need(path); };
        molfo::Main(g);
    });
    web.SetSettingsHooks({});
    return status;
}

int Run(const Options& o) {
    molfo::WebPlatform web(o.mute);
    web.SetNameFont(kNameFont);
    molfo::settings::Settings stored = web.StoredSettings();
    if (!o.language.empty()) stored.language = o.language;
    web.ApplySettings(stored);
    std::string language = stored.language;
    const bool once = !o.capture.replayPath.empty() || !o.capture.recordPath.empty();
    for (bool first = true;; first = false) {
        if (!first) web.ForgetKeys();
        const int status = Session(o, first, web, language);
        if (once || status != 0) return status;
    }
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
