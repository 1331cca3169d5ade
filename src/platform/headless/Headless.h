// The headless back end: no window and no SDL. A virtual clock that moves
// only when the program sleeps, keys set by a script, dialog answers from a
// queue, and a log of every sound call.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace molfo {

class HeadlessClock : public Clock {
public:
    uint32_t Ticks() override { return now_; }
    uint32_t Now() const { return now_; }
    void Sleep(uint32_t ms) override { now_ += ms; }
    // A script acts at any millisecond, so a wait looks at its input every
    // millisecond of virtual time, and a run goes exactly as it always has.
    void SleepUntil(uint32_t tick) override {
        if (static_cast<int32_t>(tick - now_) > 0) ++now_;
    }
    void Nap(uint32_t) override { ++now_; }
    void Set(uint32_t t) { now_ = t; }

private:
    uint32_t now_ = 0;
};

class HeadlessEvents : public Events {
public:
    bool Pump() override;
    void RequestClose() { closePending_ = true; }
    // Called on every pump before the close request is reported; the
    // driver applies its script here.
    std::function<void()> onPump;
    uint64_t pumps = 0;

private:
    bool closePending_ = false;
};

class HeadlessKeys : public Keys {
public:
    bool Query(int vkCode) override;
    void Hold(int vkCode, bool down);
    void ReleaseAll();
    // Latches a press: the next query of the key sees it once.
    void Press(int vkCode);
    bool Held(int vkCode) const { return InRange(vkCode) && held_[vkCode]; }

private:
    static bool InRange(int v) { return v >= 0 && v < 256; }
    std::array<bool, 256> held_{};
    std::array<bool, 256> latched_{};
};

class HeadlessDisplay : public Display {
public:
    void Present(const Surface& window, std::span<const Rect> changed) override;
    // Lends what `lend` gives, a buffer of a test's own; none when unset.
    PixelBuffer Lodging(int w, int h, Lodger& lodger) override { return lend ? lend(w, h, lodger) : PixelBuffer{}; }
    std::function<PixelBuffer(int w, int h, Lodger& lodger)> lend;
    // Takes frames that moved as `moves` does, a test's display that moves
    // pixels it has; declines them when unset.
    bool PresentMoved(const Surface& window, std::span<const Rect> changedRects, const Move& move) override {
        return moves ? moves(window, changedRects, move) : false;
    }
    std::function<bool(const Surface&, std::span<const Rect>, const Move&)> moves;
    uint64_t presents = 0;
    std::function<void(const Surface&)> onPresent;
    // What the last present named as changed; it points into the game's
    // window and holds until the next compose.
    std::span<const Rect> changed;
};

class HeadlessDialogs : public Dialogs {
public:
    std::string InputBox(const std::string& prompt, const Surface& window) override;
    void MessageBox(const std::string& text, const Surface& window) override;

    // Answers for the coming input boxes, in order; nullopt cancels. With no
    // answer queued the box is cancelled.
    std::deque<std::optional<std::string>> answers;
    // Asked just before an input box takes its answer (the driver fills the
    // queue here).
    std::function<void()> beforeInput;
    struct Shown {
        std::string kind;  // "input" or "message"
        std::string text;
        std::string answer;
    };
    std::vector<Shown> shown;
};

struct SoundCall {
    uint32_t tick = 0;
    std::string op;  // "init", "music", "stop", "effect"
    std::string path;
    int16_t kaisu = 0;
};

class HeadlessAudio : public Audio {
public:
    explicit HeadlessAudio(Clock& clock) : clock_(clock) {}
    void Init() override;
    void PlayMusic(const std::string& path, int16_t kaisu) override;
    void StopMusic() override;
    void PlayEffect(const std::string& path) override;

    std::vector<SoundCall> log;
    std::string music;  // the song playing, empty when none
    std::string effect;  // the last effect started

private:
    Clock& clock_;
};

// The whole headless back end in one value.
struct HeadlessPlatform {
    HeadlessClock clock;
    HeadlessEvents events;
    HeadlessKeys keys;
    HeadlessDisplay display;
    HeadlessDialogs dialogs;
    HeadlessAudio audio{clock};
    Platform platform{clock, events, keys, display, dialogs, audio};

    HeadlessPlatform() = default;
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;
};

}  // namespace molfo
