// Replaying: a clock, events, keys and dialogs that give the game the answers
// of a recording in the order it asked for them, and the comparison of the
// state hashes the recording holds.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "replay/ReplayFile.h"

namespace molfo {

struct Game;
struct HeadlessPlatform;

class Replayer {
public:
    // `inner` lends its display and audio. With `pace` the replay sleeps on
    // that clock as the game asks (the window at normal speed); without it,
    // sleeping takes no time. `headless`, when given, keeps its clock at the
    // replayed time (it stamps the sound log) and logs the dialogs shown.
    Replayer(Platform& inner, replay::Recording rec, Clock* pace, HeadlessPlatform* headless);
    Replayer(const Replayer&) = delete;
    Replayer& operator=(const Replayer&) = delete;

    Platform& platform() { return platform_; }
    const replay::Header& header() const { return rec_.header; }

    // Compares hashes as the recording's passes are reached; with `stop`
    // the first difference ends the session.
    void SetVerify(bool stop) { stopOnDifference_ = stop; }

    // The practice start the recorded session made.
    void OnScene(Game& g);
    // The frame limit the recorded session stopped at, and the hash check.
    void AfterPass(Game& g);
    // The final check once the game has ended: every hash matched and every
    // recorded answer was used.
    void Finish(const Game& g);

    bool Differs() const { return !difference_.empty(); }
    // One line naming the first frame that differs; empty when none did.
    const std::string& Difference() const { return difference_; }
    bool RanOut() const { return ranOut_; }
    // The viewer ended a replay shown in the window (Escape, or the
    // window's close button) before its recorded end.
    bool Stopped() const { return stopped_; }
    // One line saying where the recorded input ran out; empty when it didn't.
    const std::string& RanOutMessage() const { return ranOutMessage_; }

private:
    struct Cursor {
        const std::vector<replay::Run>* runs = nullptr;
        size_t i = 0;
        uint64_t used = 0;
        bool Next(uint32_t& v);
        bool Done() const { return i >= runs->size(); }
    };

    class RepClock : public Clock {
    public:
        explicit RepClock(Replayer& r) : r_(r) {}
        uint32_t Ticks() override;
        void Sleep(uint32_t ms) override;
        void SleepUntil(uint32_t tick) override;
        void Nap(uint32_t ms) override { Sleep(ms); }

    private:
        Replayer& r_;
    };
    class RepEvents : public Events {
    public:
        explicit RepEvents(Replayer& r) : r_(r) {}
        bool Pump() override;

    private:
        Replayer& r_;
    };
    class RepKeys : public Keys {
    public:
        explicit RepKeys(Replayer& r) : r_(r) {}
        bool Query(int vkCode) override;

    private:
        Replayer& r_;
    };
    class RepDialogs : public Dialogs {
    public:
        explicit RepDialogs(Replayer& r) : r_(r) {}
        std::string InputBox(const std::string& prompt, const Surface& window) override;
        void MessageBox(const std::string& text, const Surface& window) override;

    private:
        Replayer& r_;
    };

    // Sleeps on the real clock until it has caught up with the recording's
    // time `until`.
    void Pace(uint32_t until);
    void OutOfInput(const char* what);
    // Winds the session down, saying why in RanOutMessage().
    void Stop(const std::string& why);
    void Differ(const std::string& line);
    // Every wait of the game gives way to Escape and a close request, which
    // is how a replay that cannot go on, or that the viewer stopped, ends
    // the session.
    bool WindingDown() const { return ranOut_ || stopped_ || (stopOnDifference_ && Differs()); }
    // A replay shown in real time keeps its window answering: the window's
    // own events are pumped as the game asks, and the viewer's Escape or
    // close request stops the replay.
    void PumpViewer();

    replay::Recording rec_;
    Platform& inner_;
    Clock* pace_;
    HeadlessPlatform* headless_;
    Cursor ticks_;
    Cursor closes_;
    std::array<Cursor, replay::kKeyCodes> keys_;
    size_t answersUsed_ = 0;
    size_t checksDone_ = 0;
    uint32_t now_ = 0;
    uint64_t stillReadings_ = 0;  // clock readings in a row that did not move
    bool paceStarted_ = false;
    uint32_t realBase_ = 0;  // a real reading and the replayed time at that moment
    uint32_t gameBase_ = 0;
    const Game* game_ = nullptr;
    bool practiced_ = false;
    bool endChecked_ = false;  // a recording that ends with its game was checked there
    bool stopOnDifference_ = false;
    bool ranOut_ = false;
    bool stopped_ = false;
    std::string ranOutMessage_;
    std::string difference_;

    RepClock clockImpl_{*this};
    RepEvents eventsImpl_{*this};
    RepKeys keysImpl_{*this};
    RepDialogs dialogsImpl_{*this};
    Platform platform_;
};

}  // namespace molfo
