// The whole SDL back end in one object, the windowed twin of
// HeadlessPlatform: SDL itself, the clock, the window and the audio.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/sdl/SdlAudio.h"
#include "platform/sdl/SdlWindow.h"

namespace molfo {

// Milliseconds of the monotonic clock since start-up, less the time spent
// paused: the game's timing never sees a pause, so no wait ends early and no
// frame runs late. The clock is our own rather than SDL's ticks so that a
// sleep can end at the very moment a tick begins.
class SdlClock final : public Clock {
public:
    SdlClock();
    uint32_t Ticks() override;
    void Sleep(uint32_t ms) override;
    void SleepUntil(uint32_t tick) override;
    void Nap(uint32_t ms) override;
    void LeaveOut(uint32_t ms) { pausedMs_ += ms; }
    // When the last SleepUntil returned (CLOCK_MONOTONIC, ns): the frame
    // wait's end, where the next frame's work begins.
    int64_t LastWakeNs() const { return lastWakeNs_; }
    // How much later than its tick it returned on purpose (see wakeLater).
    int64_t LastLaterNs() const { return lastLaterNs_; }
    // How much later than the tick a sleep had best end, in ns: the display
    // asks, so that a frame which would wait before it is shown begins
    // later instead. Never the whole millisecond, so the tick stays the
    // one slept until.
    std::function<int64_t()> wakeLater;
    static constexpr int64_t kMostLaterNs = 600'000;
    // True when a key arrived since it was last asked.
    std::function<bool()> keyArrived;

private:
    int64_t startNs_ = 0;
    uint32_t pausedMs_ = 0;
    int64_t lastWakeNs_ = 0;
    int64_t lastLaterNs_ = 0;
};

struct SdlOptions {
    bool fullscreen = false;
    ScaleMode scale = ScaleMode::Integer;
    // Where screenshots go when the player has no picture folder: the
    // folder the game was started from.
    std::string shotFallback = ".";
    SdlAudioOptions audio;
};

class SdlPlatform {
public:
    // Starts SDL's video and opens the window. Returns null with a one-line
    // reason when there is no display to show it on.
    static std::unique_ptr<SdlPlatform> Open(const SdlOptions& options, std::string& error);
    ~SdlPlatform();
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    Platform& platform() { return *platform_; }
    SdlWindow& window() { return *window_; }
    SdlAudio& audio() { return audio_; }


    // Why SDL's video cannot show a window here, or empty when it can. SDL
    // left to itself would fall back to a driver that draws nowhere.
    static std::string DisplayProblem(const char* requested, const char* chosen);

private:
    explicit SdlPlatform(const SdlOptions& options);

    // Declared first, so SDL is shut down only after everything built on it.
    struct Library {
        bool started = false;
        ~Library();
    } library_;
    SdlClock clock_;
    std::unique_ptr<SdlWindow> window_;
    SdlAudio audio_;
    std::unique_ptr<Platform> platform_;
};

}  // namespace molfo
