#include "driver/Driver.h"

#include <fstream>
#include <iostream>

#include "core/Printable.h"
#include "core/ReadFile.h"
#include "driver/Outcome.h"
#include "driver/Session.h"
#include "i18n/Language.h"
#include "replay/GameSession.h"

namespace molfo {

namespace {

// Scripts are written by hand or by small tools; none comes near this.
constexpr size_t kMaxInputScriptBytes = 4u * 1024u * 1024u;

}  // namespace

int RunHeadless(const HeadlessOptions& options) {
    const bool replaying = !options.capture.replayPath.empty();
    if (replaying && !options.inputPath.empty()) {
        std::cerr << "molfo: --input and --replay cannot be used together\n";
        return 2;
    }
    if (options.stage < 1 || options.stage > 5) {
        std::cerr << "molfo: --stage takes 1..5\n";
        return 2;
    }
    SessionSettings settings;
    settings.dataDir = options.dataDir;
    settings.practiceStage = options.stage;
    settings.practiceBoss = options.boss;
    settings.frameLimit = options.frames;
    // Only the pictures change with the language (the game's state keeps its
    // own words), so a dump or a replay is the same in any language.
    settings.language = options.language;
    settings.environment = i18n::Environment::FromProcess();
    settings.keepReplays = options.keepReplays;
    settings.capture = options.capture;
    GameSession run(std::move(settings));
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
    if (const int status = run.Prepare(); status != 0) return status;
    // Headless, a replay never waits: its sleeps take no time at all.
    HeadlessSession session(run.GameDataDir(), std::move(script), [&run](HeadlessPlatform& hp) -> Platform& {
        return run.Wrap(hp.platform, nullptr, &hp);
    });
    run.Adopt(*session.game);
    // A verifier's window is seen by no one and photographed by nothing.
    if (!options.resultPath.empty() && options.capture.screenshotDir.empty()) session.game->showWindow = false;
    if (replaying)
        session.timeLimitMs = UINT32_MAX;  // the recording brings its own frame limit
    else
        session.frameLimit = options.frames;
    OutcomeWatch watch;
    session.onSceneHook = [&watch](Game& g) { watch.OnScene(g); };
    session.afterPassHook = [&watch](Game& g) { watch.AfterPass(g); };
    if (dump.is_open()) session.onDump = [&dump](const nlohmann::ordered_json& j) { dump << DumpLine(j) << '\n'; };
    const int captured = run.Run([&session, &watch] {
        // After the capture's start: a later game of a session counts its
        // passes from where the games before it left them.
        watch.Begin(*session.game);
        Main(*session.game);
    });
    if (!options.resultPath.empty()) {
        const Capture& capture = run.capture();
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
