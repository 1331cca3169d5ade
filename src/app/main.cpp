// The program: the game in a window, or headless with --headless.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "core/Printable.h"
#include "core/UserFiles.h"
#include "driver/Driver.h"
#include "game/AssetCheck.h"
#include "game/Flow.h"
#include "game/RankPlace.h"
#include "i18n/Language.h"
#include "online/Commands.h"
#include "online/Outbox.h"
#include "online/WindowLink.h"
#include "platform/sdl/CloseSignals.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/Startup.h"
#include "render/KeyHelp.h"
#include "replay/GameSession.h"
#include "replay/Library.h"
#include "settings/Settings.h"
#include "world/Game.h"

namespace {

struct Options {
    bool headless = false;
    molfo::HeadlessOptions h;
    std::string dataDir;  // empty: the program's own folder
    std::string soundfont;
    bool mute = false;
    bool fullscreen = false;
    std::string scaleMode = "integer";
    std::string language = "auto";
    // Given on the command line: they win over the settings file for this run.
    bool scaleModeGiven = false;
    bool languageGiven = false;
    bool listReplays = false;
    bool keepReplays = false;  // headless runs keep their games only when asked
    // The online table from the command line.
    std::string submit;  // a recording, or last or best
    bool onlineTable = false;
    std::string server;  // empty: the settings' table
    std::string name;
    bool nameGiven = false;
};

// "last" and "best" name the newest and the highest-scoring kept replay (a
// file of either name is ./last). Returns 0, or the exit status after one line.
int ResolveReplay(std::string& path, const char* option = "--replay") {
    if (path != "last" && path != "best") return 0;
    const std::string folder = molfo::library::DefaultFolder();
    const std::string found = path == "last" ? molfo::library::Last(folder) : molfo::library::Best(folder);
    if (found.empty()) {
        std::cerr << "molfo: " << option << " " << path << ": no replays are kept yet"
                  << (folder.empty() ? std::string() : " in " + molfo::Printable(folder, 300)) << "\n";
        return 2;
    }
    path = found;
    return 0;
}

// The codes --language accepts: auto, the game's own Japanese and every
// language the build has words for. A code is a folder's name under sys/,
// so nothing else may reach the file system.
std::vector<std::string> LanguageCodes() {
    std::vector<std::string> codes = {molfo::i18n::kAuto, molfo::i18n::kOwnLanguage};
    const std::string built = MOLFO_LANGUAGES;
    for (size_t start = 0; start < built.size();) {
        const size_t comma = std::min(built.find(',', start), built.size());
        if (comma > start) codes.push_back(built.substr(start, comma - start));
        start = comma + 1;
    }
    return codes;
}

// The online table named on the command line, else in the settings file.
std::string TableAddress(const Options& o) {
    if (!o.server.empty()) return o.server;
    return molfo::settings::Load(molfo::settings::DefaultPath(), &molfo::SdlKeys::IsKeyName).settings.server;
}

int Fail(const std::string& line) {
    std::cerr << "molfo: " << molfo::Printable(line, 400) << "\n";
    return 1;
}

std::string Absolute(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.string();
}

int RunWindow(Options& o, molfo::CloseSignals& signals) {
    // Before anything else: a second copy opens nothing at all.
    molfo::InstanceLock lock;
    switch (lock.Acquire()) {
        case molfo::InstanceLock::Result::Busy:
            std::cerr << "molfo: the game is already running\n";
            return 0;
        case molfo::InstanceLock::Result::Unavailable:
            // Better two copies than none.
            std::cerr << "molfo: " << lock.Problem() << "; not checking for another copy\n";
            break;
        case molfo::InstanceLock::Result::Acquired: break;
    }

    std::error_code cwdError;
    // Screenshots fall back to where the player started the game, not to
    // the program's folder, which an installed game cannot write.
    const std::string startFolder = std::filesystem::current_path(cwdError).string();
    // Before the folder changes below: the player's relative paths stay the player's.
    for (std::string* path : {&o.h.capture.recordPath, &o.h.capture.replayPath, &o.h.capture.screenshotDir})
        *path = Absolute(*path);
    std::string dataDir = o.dataDir;
    if (dataDir.empty()) {
        // The game's paths are all relative to its own folder, where sys/ is.
        o.soundfont = Absolute(o.soundfont);
        const std::string folder = molfo::ProgramFolder();
        if (folder.empty() || chdir(folder.c_str()) != 0) return Fail("cannot find the program's own folder");
        // Installed, sys/ lies in the share folder beside bin/ instead.
        dataDir = molfo::FindDataDir(".");
    }

    // Declared before the session, whose file worker hands it the games kept.
    std::unique_ptr<molfo::online::WindowLink> link;
    molfo::SessionSettings run;
    run.dataDir = dataDir;
    run.practiceStage = o.h.stage;
    run.practiceBoss = o.h.boss;
    run.environment = molfo::i18n::Environment::FromProcess();
    run.keepReplays = true;  // every game played in the window is kept
    run.capture = o.h.capture;
    run.capture.onKept = [&link](molfo::KeptGame&& game) {
        if (link) link->Kept(std::move(game));
    };
    namespace settings = molfo::settings;
    const std::string settingsPath = settings::DefaultPath();
    settings::Loaded loaded = settings::Load(settingsPath, &molfo::SdlKeys::IsKeyName);
    const settings::Settings fromFile = loaded.settings;
    settings::Settings effective = fromFile;
    if (o.fullscreen) effective.fullscreen = true;
    if (o.scaleModeGiven) effective.scaleMode = o.scaleMode;
    if (o.languageGiven) effective.language = o.language;
    run.language = effective.language;
    molfo::GameSession session(std::move(run));
    if (const int status = session.Prepare(); status != 0) return status;
    // A value the game cannot use costs its line and its default, never the start.
    for (const std::string& p : loaded.problems) std::cerr << "molfo: " << molfo::Printable(p, 400) << "\n";

    molfo::SdlOptions so;
    so.fullscreen = effective.fullscreen;
    so.scale = effective.scaleMode == "fit" ? molfo::ScaleMode::Fit : molfo::ScaleMode::Integer;
    so.audio.musicVolume = effective.musicVolume;
    so.audio.effectVolume = effective.effectVolume;
    so.shotFallback = startFolder.empty() ? "." : startFolder;
    so.audio.soundfont = o.soundfont;
    so.audio.mute = o.mute;
    // Already named by the start-up check: they stay silent without a second line.
    for (const molfo::AssetProblem& p : session.Assets().sounds) so.audio.silent.push_back(p.path);
    std::string error;
    const auto sdl = molfo::SdlPlatform::Open(so, error);
    if (!sdl) return Fail(error);
    signals.Start();

    sdl->window().ApplySettings(effective);

    // A replay plays what it recorded: nothing is sent, and nothing drawn over it.
    if (!session.Replaying()) {
        link = std::make_unique<molfo::online::WindowLink>(sdl->platform(), molfo::online::Outbox::DefaultFolder());
        link->Configure(effective.server, effective.sendRuns);
    }
    // A replay sleeps on the real clock, so it plays at the recorded speed.
    molfo::Game& g = session.Open(link ? link->platform() : sdl->platform(), &sdl->platform().clock, nullptr);
    auto setWords = [&](const molfo::i18n::Catalog& words) {
        sdl->window().SetLanguage(&words);
        if (link) link->SetWords(&words);
    };
    setWords(session.SetLanguage(effective.language));
    g.scr.SetKeyHelp(molfo::KeyHelp(effective));
    bool onTitle = false;
    g.onScene = [&onTitle, &link](molfo::Game& game) {
        onTitle = game.scene == molfo::Scene::Title;
        if (link) link->OnScene(onTitle);
    };
    molfo::SettingsHooks hooks;
    hooks.online = molfo::settings::Page::Online::SendAndServer;
    hooks.languages = molfo::i18n::AvailableLanguages(dataDir);
    hooks.note = [&loaded] { return settings::PageNote(loaded); };
    hooks.mayOpen = [&onTitle, replaying = session.Replaying()] { return onTitle && !replaying; };
    std::string language = effective.language;
    hooks.changed = [&](const settings::Settings& s) {
        sdl->audio().SetVolumes(s.musicVolume, s.effectVolume);
        // The page is drawn over the window as composed: the key help and,
        // with the language, the labels and the title's lettering behind it
        // change with it.
        g.scr.SetKeyHelp(molfo::KeyHelp(s));
        if (s.language != language) {
            language = s.language;
            setWords(session.SetLanguage(language));
            if (onTitle) molfo::DrawTitlePicture(g);
        }
        // Composed, not shown: the page shows it, under itself.
        g.scr.Compose();
    };
    hooks.closed = [&](const settings::Settings& s) {
        settings::Settings keep = s;
        // An option given on the command line holds for this run only: the
        // file keeps its own value unless the page changed it.
        if (o.fullscreen && s.fullscreen == effective.fullscreen) keep.fullscreen = fromFile.fullscreen;
        if (o.scaleModeGiven && s.scaleMode == effective.scaleMode) keep.scaleMode = fromFile.scaleMode;
        if (o.languageGiven && s.language == effective.language) keep.language = fromFile.language;
        const settings::Saved saved = settings::SaveChanges(settingsPath, loaded, keep, &molfo::SdlKeys::IsKeyName);
        if (!saved.keptAs.empty())
            std::cerr << "molfo: the settings file could not be read, so it was kept as "
                      << molfo::Printable(saved.keptAs, 300) << " and a new one written\n";
        if (!saved.problem.empty())
            std::cerr << "molfo: the settings were not saved: " << molfo::Printable(saved.problem, 300) << "\n";
        // A second visit to the page changes the file as now written.
        if (saved.written) loaded = settings::Load(settingsPath, &molfo::SdlKeys::IsKeyName);
        if (link) link->Configure(s.server, s.sendRuns);
    };
    sdl->window().SetSettingsHooks(std::move(hooks));
    return session.Run([&g] {
        molfo::Main(g);
        // The game is ending: a second request to end (a repeated Ctrl+C, a
        // window manager's retry) must not cut short the recording's last
        // write or the clean-up that follows.
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, SIG_IGN);
    });
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Molfo: a keyboard-driven vertical shooter.\n"
                 "Arrows move, Z or Space fire, X or Ctrl use the item, C or Shift pick the next item,\n"
                 "Shift starts on the title, Escape quits. F11 or Alt+Enter toggles full screen, F12 saves a\n"
                 "screenshot. Gamepad: d-pad or left stick move, A fires, B uses the item, X picks the next\n"
                 "item, Start starts and restarts, Back+Start quits. F1 (or Back alone) on the title opens\n"
                 "the settings (volumes, keys, pad buttons, scaling, full screen, language), kept in\n"
                 "$XDG_CONFIG_HOME/molfo/settings.toml; options given here win over it for one run."};
    Options o;
    bool version = false;
    app.add_flag("--version", version, "print the version and exit");
    auto* headless = app.add_flag("--headless", o.headless, "run without a window, sound or real time");
    app.add_option("--data-dir", o.dataDir,
                   "folder that holds sys/ (default: the program's folder, or share/molfo or share/games/molfo "
                   "when installed)");
    app.add_option("--soundfont", o.soundfont, "General MIDI soundfont (.sf2/.sf3) for the songs");
    app.add_flag("--mute", o.mute, "play without sound");
    app.add_flag("--fullscreen", o.fullscreen, "start full screen");
    auto* scaleMode = app.add_option("--scale-mode", o.scaleMode,
                                     "integer: scale by whole multiples, sharp pixels (default); fit: fill the window")
                          ->check(CLI::IsMember({"integer", "fit"}));
    auto* language = app.add_option(
                            "--language", o.language,
                            "the window's words: auto (from LANGUAGE, LC_ALL, LC_MESSAGES, LANG; the default), ja or en")
                         ->check(CLI::IsMember(LanguageCodes()));
    app.add_option("--input", o.h.inputPath, "input script (headless)")->needs(headless);
    // Every count is checked: a negative or huge one would mean "no limit"
    // or wrap, and the run would never end.
    app.add_option("--frames", o.h.frames, "stop after N passes of the main loop (headless), 1 to 2147483647")
        ->check(CLI::Range(int64_t{1}, int64_t{INT32_MAX}))
        ->needs(headless);
    app.add_option("--dump", o.h.dumpPath, "JSON Lines state dump (headless)")->needs(headless);
    app.add_option("--stage", o.h.stage, "practice: start the first game at stage 1..5")
        ->check(CLI::Range(1, 5));
    app.add_flag("--boss", o.h.boss, "practice: start the first game at the stage's boss");
    molfo::CaptureOptions& cap = o.h.capture;
    auto* record = app.add_option("--record", cap.recordPath, "record the session into FILE (window or headless)");
    auto* replay = app.add_option("--replay", cap.replayPath,
                                  "play a recording (FILE, or last or best of the kept replays): in the window at "
                                  "normal speed, with --headless at full speed");
    replay->excludes(record)->excludes("--input")->excludes("--stage")->excludes("--boss")->excludes("--frames");
    app.add_flag("--replays", o.listReplays,
                 "list the kept replays (every game played in the window is kept) and exit");
    app.add_flag("--keep-replays", o.keepReplays,
                 "with --headless: keep each game as a replay among the player's, as the window does")
        ->needs(headless);
    auto* submit = app.add_option("--submit", o.submit,
                                  "send a kept replay (FILE, or last or best) to the online table, wait up to a minute "
                                  "for its verdict and print it in one line; exit 0 verified, 1 rejected, 2 bad input "
                                  "or no table named, 3 the table could not be reached, 4 no verdict yet");
    auto* table = app.add_flag("--online-table", o.onlineTable, "print the top of the online table and exit");
    submit->excludes(table)->excludes(headless)->excludes(replay);
    app.add_option("--server", o.server,
                   "with --submit or --online-table: the online table's address (http:// or https://; default: "
                   "[online] server in the settings)");
    auto* name = app.add_option("--name", o.name,
                                "with --submit: the name to rank the run under (default: the name typed in that game)")
                     ->needs(submit);
    app.add_flag("--verify", cap.verify,
                 "with --replay: compare the recording's state checks; exit 1 naming the first frame that differs")
        ->needs(replay);
    auto* result = app.add_option("--result", o.h.resultPath,
                                  "with --headless --replay: verify, and write what the replay came to (score, stage, "
                                  "how it ended, frames, whether it matched) as one JSON line into FILE")
                       ->needs(replay)
                       ->needs(headless);
    auto* shotDir = app.add_option("--screenshot-dir", cap.screenshotDir,
                                   "save a PNG of every dialog shown, and with --screenshot-every of the window, here");
    app.add_option("--screenshot-every", cap.screenshotEvery, "save a PNG of the window every K passes of the main loop")
        ->check(CLI::Range(int64_t{1}, int64_t{INT32_MAX}))
        ->needs(shotDir);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help
        // One line naming the option and the value, shown safely.
        std::cerr << "molfo: " << molfo::Printable(e.what(), 300) << " (see molfo --help)\n";
        return 2;
    }

    o.nameGiven = name->count() > 0;
    if (app.count("--server") > 0 && o.submit.empty() && !o.onlineTable) {
        std::cerr << "molfo: --server goes with --submit or --online-table (see molfo --help)\n";
        return 2;
    }
    // The result is only worth having from a replay held to its recording.
    if (result->count() > 0) cap.verify = true;
    o.scaleModeGiven = scaleMode->count() > 0;
    o.languageGiven = language->count() > 0;
    if (version) {
        std::cout << "molfo " << MOLFO_VERSION << "\n";
        return 0;
    }
    if (o.listReplays) return molfo::library::PrintList(std::cout, molfo::library::DefaultFolder(), MOLFO_VERSION);
    if (o.onlineTable) return molfo::online::PrintTable(TableAddress(o), std::cout, std::cerr);
    if (!o.submit.empty()) {
        molfo::online::SubmitRequest r;
        r.file = o.submit;
        if (const int status = ResolveReplay(r.file, "--submit"); status != 0) return status;
        r.server = TableAddress(o);
        r.name = o.name;
        r.nameGiven = o.nameGiven;
        return molfo::online::SubmitRun(r, std::cout, std::cerr);
    }
    if (const int status = ResolveReplay(cap.replayPath); status != 0) return status;
    try {
        if (o.headless) {
            // No chdir: relative script and dump paths stay the user's.
            if (o.dataDir.empty()) {
                const std::string folder = molfo::ProgramFolder();
                o.h.dataDir = folder.empty() ? "." : molfo::FindDataDir(folder);
            } else {
                o.h.dataDir = o.dataDir;
            }
            o.h.language = o.language;
            o.h.keepReplays = o.keepReplays;
            return molfo::RunHeadless(o.h);
        }
        // Before any thread is made, so that the signals reach the window.
        molfo::CloseSignals signals;
        const int status = RunWindow(o, signals);
        // Everything is written and cleaned up by now: a SIGQUIT ends it here.
        signals.Finish();
        return status;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
