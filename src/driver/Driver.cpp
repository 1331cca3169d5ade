#include "driver/Driver.h"

#include <fstream>
#include <iostream>

#include "core/Printable.h"
#include "core/ReadFile.h"
#include "driver/Outcome.h"
#include "driver/Session.h"
#include "game/AssetCheck.h"
#include "game/RankPlace.h"
#include "i18n/Language.h"

namespace molfo {

namespace {

// Scripts are written by hand or by small tools; none comes near this.
constexpr size_t kMaxInputScriptBytes = 4u * 1024u * 1024u;

}  // namespace

int RunHeadless(const HeadlessOptions& options) {
    if (!ReportAssets(CheckAssets(options.dataDir))) return 1;
    const bool replaying = !options.capture.replayPath.empty();
    if (replaying && !options.inputPath.empty()) {
        std::cerr << "molfo: --input and --replay cannot be used together\n";
        return 2;
    }
    if (options.stage < 1 || options.stage > 5) {
        std::cerr << "molfo: --stage takes 1..5\n";
        return 2;
    }
    InputScript script;
    std::string error;
    // A replay takes every answer from the recording and needs no script.
    if (!replaying && options.inputPath.empty()) {
        // Without a script the game is started from the title and left to play itself.
        ParseInputScript("title: press SHIFT\n", script, error);
    } else if (!replaying) {
        std::string text;
        if (!ReadFileLimited(options.inputPath, kMaxInputScriptBytes, text, error)) {
            std::cerr << "molfo: the input script: " << error << "\n";
            return 2;
        }
        if (!ParseInputScript(text, script, error)) {
            std::cerr << "molfo: " << Printable(options.inputPath, 200) << ": " << error << "\n";
            return 2;
        }
    }
    std::ofstream dump;
    if (!options.dumpPath.empty()) {
        dump.open(options.dumpPath, std::ios::binary | std::ios::trunc);
        if (!dump) {
            std::cerr << "molfo: cannot write dump " << Printable(options.dumpPath, 200) << "\n";
            return 2;
        }
    }
    // The same place as the window's: a data folder that cannot be written
    // keeps the ranking in the user's own folder.
    const std::string rankPath = replaying ? std::string() : RankFileFor(options.dataDir);
    Capture capture(options.capture);
    if (const int status = capture.Prepare(options.dataDir, {options.stage, options.boss, options.frames, rankPath});
        status != 0)
        return status;
    // Headless, a replay never waits: its sleeps take no time at all.
    HeadlessSession session(capture.DataDir(), std::move(script), [&capture](HeadlessPlatform& hp) -> Platform& {
        return capture.Wrap(hp.platform, nullptr, &hp);
    });
    session.game->rankPath = capture.RankPath(rankPath);
    // A verifier's window is seen by no one and photographed by nothing.
    if (!options.resultPath.empty() && options.capture.screenshotDir.empty()) session.game->showWindow = false;
    // Only the pictures change with the language (the game's state keeps its
    // own words), so a dump or a replay is the same in any language.
    std::string warning;
    const i18n::Catalog words =
        i18n::ChooseCatalog(options.language, options.dataDir, i18n::Environment::FromProcess(), warning);
    if (!warning.empty()) std::cerr << "molfo: " << Printable(warning, 300) << "\n";
    session.game->scr.SetLanguage(&words);
    if (replaying) {
        // The recording brings its own practice start and frame limit.
        session.timeLimitMs = UINT32_MAX;
    } else {
        session.frameLimit = options.frames;
        session.practiceStage = options.stage;
        session.practiceBoss = options.boss;
    }
    capture.Start(*session.game);
    OutcomeWatch watch;
    watch.Begin(*session.game);
    session.onSceneHook = [&capture, &watch](Game& g) {
        capture.OnScene(g);
        watch.OnScene(g);
    };
    session.afterPassHook = [&capture, &watch](Game& g) {
        capture.AfterPass(g);
        watch.AfterPass(g);
    };
    if (dump.is_open()) session.onDump = [&dump](const nlohmann::ordered_json& j) { dump << DumpLine(j) << '\n'; };
    session.Run();
    const int captured = capture.Finish(*session.game);
    if (!options.resultPath.empty()) {
        const std::string err =
            WriteOutcome(options.resultPath, watch.Finish(*session.game, capture.ReplayProblem(), capture.RecordedVersion()));
        if (!err.empty()) {
            std::cerr << "molfo: " << Printable(err, 300) << "\n";
            return 2;
        }
    }
    if (dump.is_open() && !dump.flush()) {
        std::cerr << "molfo: writing the dump " << Printable(options.dumpPath, 200) << " failed\n";
        return 2;
    }
    if (captured != 0) return captured;
    if (session.timedOut) {
        std::cerr << "molfo: headless run stopped after " << session.timeLimitMs / 1000
                  << " s of game time in one wait (the input script left the game waiting)\n";
        return 3;
    }
    return 0;
}

}  // namespace molfo
