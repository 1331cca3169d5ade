// One session of the game, wired alike for every back end: the window, the
// page and the headless driver. It checks the game's files, puts the capture
// (recording, replaying, kept replays, screenshots) around the back end's
// platform, finds where the ranking is kept, chooses the window's words,
// starts the first game at a practice stage, gives a replayed later game of
// a session the state the games before it left, and ends the capture.
// A back end keeps only what is its own: how it opens, how it paces a
// replay, and how it runs the loop.
//
//   GameSession run(settings);
//   if (int st = run.Prepare(); st != 0) return st;   // before the back end opens
//   Game& g = run.Open(backEnd, paceClock, nullptr);
//   ... the back end's own hooks on g ...
//   return run.Run();
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "game/AssetCheck.h"
#include "i18n/Language.h"
#include "replay/Capture.h"

namespace molfo {

struct Game;
struct HeadlessPlatform;

struct SessionSettings {
    std::string dataDir = ".";  // the folder that holds sys/
    // The ranking file. Empty: the player's, where RankFileFor keeps it
    // (a replay never looks: it brings its own).
    std::string rankPath;
    int practiceStage = 1;      // the first game starts at this stage ...
    bool practiceBoss = false;  // ... and at its boss
    int64_t frameLimit = -1;    // written into a recording
    std::string language = i18n::kAuto;
    i18n::Environment environment;  // what "auto" follows
    // Keep each game among the player's replays (ignored while replaying).
    bool keepReplays = false;
    // Check the game's files at the start (a page checked its own when it
    // was built, and most of them are still on their way).
    bool checkAssets = true;
    CaptureOptions capture;
};

class GameSession {
public:
    explicit GameSession(SessionSettings settings);
    ~GameSession();
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    // The start-up check of the files and the capture's preparation, before
    // any window opens. Returns 0, or the exit status after its lines.
    int Prepare();
    // What the start-up check found: the sounds in it stay silent.
    const AssetReport& Assets() const { return assets_; }
    bool Replaying() const { return capture_.Replaying(); }

    // The game on the back end's platform, the capture put between them.
    // `pace`: the clock a replay sleeps on (null: it never waits);
    // `headless`: the headless back end under `base`, if that is what it is.
    Game& Open(Platform& base, Clock* pace, HeadlessPlatform* headless);
    // For a back end that makes its Game itself: the platform to make it
    // on, then Adopt the game.
    Platform& Wrap(Platform& base, Clock* pace, HeadlessPlatform* headless);
    const std::string& GameDataDir() const { return capture_.DataDir(); }
    void Adopt(Game& g);
    Game& game() { return *game_; }
    const Capture& capture() const { return capture_; }

    // Chooses the words of a language setting ("auto", "ja", "en") for the
    // game's window, saying in one line when a language cannot be had. The
    // catalog lives as long as the session, or until the next change.
    const i18n::Catalog& SetLanguage(const std::string& language);

    // The window's own pictures, the hooks, then the loop (Main unless the
    // back end brings its own), then the capture's end. Returns the exit
    // status.
    int Run(const std::function<void()>& loop = {});

private:
    SessionSettings s_;
    AssetReport assets_;
    std::string rankPath_;
    Capture capture_;
    std::unique_ptr<Game> owned_;
    Game* game_ = nullptr;
    std::unique_ptr<i18n::Catalog> words_;
    std::unique_ptr<i18n::Catalog> retired_;
};

}  // namespace molfo
