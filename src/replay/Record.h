// Recording: decorators around the platform's clock, events, keys and
// dialogs that pass every answer through and write it down, so that a
// session, or each game of it, can be played again exactly.
//
// Everything is encoded in memory; finished pieces are handed to sinks that
// do the file work elsewhere (a worker thread), so no frame waits on a disk.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "replay/ReplayFile.h"

namespace molfo {

struct Game;

// How far a game got and what it scored, for naming its recording.
struct GameSummary {
    int score = 0;
    int stage = 1;
    bool boss = false;     // the stage's boss had arrived
    bool ending = false;   // the last boss fell
    bool practice = false; // the game began at a chosen stage or boss
};

// What only the recording of a game knows of its end.
struct GameEnd {
    bool finished = false;  // it reached game over or the ending, not cut short
    std::string name;       // the name typed for the ranking in it; empty when none was
};
GameSummary Summarise(const Game& g, bool practice);

class Recorder {
public:
    using Bytes = std::vector<uint8_t>;
    // Takes the bytes of the session's recording as each chunk ends.
    using SessionSink = std::function<void(Bytes&&)>;
    // Takes one game's recording once the game is over: its header and its
    // chunks. A game after the first has no ranking in its header yet: it is
    // the ranking as the game before left it, which the sink reads (off the
    // game's thread) once told `sessionGoesOn`.
    using GameSink = std::function<void(replay::Header&& header, Bytes&& chunks, const GameSummary& summary,
                                        const GameEnd& end, bool sessionGoesOn)>;

    explicit Recorder(Platform& inner);
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Records the whole session (--record).
    void RecordSession(const replay::Header& header, SessionSink sink);
    // Records every game on its own: the first from `first`, each later one
    // from the state the previous game left. A game that never started
    // (the program ended on the title) is dropped.
    void RecordGames(const replay::Header& first, GameSink keep);

    // The platform for the game: the inner one with its inputs recorded.
    Platform& platform() { return platform_; }

    // Ends chunks with their state hash, and a game's recording when the
    // player has chosen to play again.
    void AfterPass(const Game& g);
    // Notes a game that reached its end (game over or the ending).
    void OnScene(const Game& g);
    // The end of the session: the last chunk of each recording.
    void Finish(const Game& g);

private:
    class RecClock : public Clock {
    public:
        RecClock(Clock& inner, Recorder& r) : inner_(inner), r_(r) {}
        uint32_t Ticks() override;
        void Sleep(uint32_t ms) override { inner_.Sleep(ms); }
        void SleepUntil(uint32_t tick) override { inner_.SleepUntil(tick); }
        void Nap(uint32_t ms) override { inner_.Nap(ms); }

    private:
        Clock& inner_;
        Recorder& r_;
    };
    class RecEvents : public Events {
    public:
        RecEvents(Events& inner, Recorder& r) : inner_(inner), r_(r) {}
        bool Pump() override;

    private:
        Events& inner_;
        Recorder& r_;
    };
    class RecKeys : public Keys {
    public:
        RecKeys(Keys& inner, Recorder& r) : inner_(inner), r_(r) {}
        bool Query(int vkCode) override;

    private:
        Keys& inner_;
        Recorder& r_;
    };
    class RecDialogs : public Dialogs {
    public:
        RecDialogs(Dialogs& inner, Recorder& r) : inner_(inner), r_(r) {}
        std::string InputBox(const std::string& prompt, const Surface& window) override;
        void MessageBox(const std::string& text, const Surface& window) override { inner_.MessageBox(text, window); }

    private:
        Dialogs& inner_;
        Recorder& r_;
    };

    template <typename F>
    void Each(F f) {
        if (session_) f(*session_);
        if (game_) f(*game_);
    }
    void FlushSession();
    void NextGame(const Game& g);
    void Keep(const Game& g, bool sessionGoesOn);

    std::optional<replay::Writer> session_;
    SessionSink sessionSink_;
    std::optional<replay::Writer> game_;
    replay::Header gameHeader_;  // the current game's
    GameSink keep_;
    bool played_ = false;     // the current game's recording holds a game that started
    bool finished_ = false;   // ... that reached game over or the ending
    std::string typedName_;   // the last name typed in it
    RecClock clock_;
    RecEvents events_;
    RecKeys keys_;
    RecDialogs dialogs_;
    Platform platform_;
};

}  // namespace molfo
