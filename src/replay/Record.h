// Recording: decorators around the platform's clock, events, keys and
// dialogs that pass every answer through and write it down, so that a
// session can be played again exactly.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include "platform/Platform.h"
#include "replay/ReplayFile.h"

namespace molfo {

struct Game;

class Recorder {
public:
    // Writes to `file`, already open.
    Recorder(Platform& inner, const replay::Header& header, std::ofstream file);
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool Ok() const { return ok_; }
    // The platform for the game: the inner one with its inputs recorded.
    Platform& platform() { return platform_; }

    // Ends a chunk with the state hash on every kHashEvery-th pass.
    void AfterPass(const Game& g);
    // Writes the last chunk with the final hash. Returns false when the file
    // could not be written.
    bool Finish(const Game& g);

private:
    class RecClock : public Clock {
    public:
        RecClock(Clock& inner, replay::Writer& w) : inner_(inner), w_(w) {}
        uint32_t Ticks() override;
        void Sleep(uint32_t ms) override { inner_.Sleep(ms); }

    private:
        Clock& inner_;
        replay::Writer& w_;
    };
    class RecEvents : public Events {
    public:
        RecEvents(Events& inner, replay::Writer& w) : inner_(inner), w_(w) {}
        bool Pump() override;

    private:
        Events& inner_;
        replay::Writer& w_;
    };
    class RecKeys : public Keys {
    public:
        RecKeys(Keys& inner, replay::Writer& w) : inner_(inner), w_(w) {}
        bool Query(int vkCode) override;

    private:
        Keys& inner_;
        replay::Writer& w_;
    };
    class RecDialogs : public Dialogs {
    public:
        RecDialogs(Dialogs& inner, replay::Writer& w) : inner_(inner), w_(w) {}
        std::string InputBox(const std::string& prompt, const Surface& window) override;
        void MessageBox(const std::string& text, const Surface& window) override { inner_.MessageBox(text, window); }

    private:
        Dialogs& inner_;
        replay::Writer& w_;
    };

    void Drain();

    replay::Writer writer_;
    std::ofstream file_;
    bool ok_ = true;
    RecClock clock_;
    RecEvents events_;
    RecKeys keys_;
    RecDialogs dialogs_;
    Platform platform_;
};

}  // namespace molfo
