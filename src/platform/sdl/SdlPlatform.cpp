#include "platform/sdl/SdlPlatform.h"

#include <SDL.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <utility>

#include "core/UserFiles.h"

namespace molfo {

namespace {

constexpr int64_t kNsPerMs = 1000000;

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

void SleepUntilNs(int64_t ns) {
    const timespec t{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
}

}  // namespace

SdlClock::SdlClock() : startNs_(MonotonicNs()) {}

uint32_t SdlClock::Ticks() {
    return static_cast<uint32_t>((MonotonicNs() - startNs_) / kNsPerMs) - pausedMs_;
}

void SdlClock::Sleep(uint32_t ms) { SleepUntilNs(MonotonicNs() + int64_t{ms} * kNsPerMs); }

void SdlClock::Nap(uint32_t ms) {
    if (keyArrived && keyArrived()) return;
    Sleep(ms);
}

void SdlClock::SleepUntil(uint32_t tick) {
    const int64_t sinceStart = MonotonicNs() - startNs_;
    const auto now = static_cast<uint32_t>(sinceStart / kNsPerMs) - pausedMs_;
    const auto ahead = static_cast<int32_t>(tick - now);
    if (ahead <= 0) {
        lastWakeNs_ = startNs_ + sinceStart;
        lastLaterNs_ = 0;
        return;
    }
    const int64_t later = wakeLater ? std::clamp<int64_t>(wakeLater(), 0, kMostLaterNs) : 0;
    // The tick `tick` begins on a whole millisecond since start-up.
    SleepUntilNs(startNs_ + (sinceStart / kNsPerMs + ahead) * kNsPerMs + later);
    lastWakeNs_ = MonotonicNs();
    lastLaterNs_ = later;
}

SdlPlatform::Library::~Library() {
    if (started) SDL_Quit();
}

SdlPlatform::SdlPlatform(const SdlOptions& options) : audio_(options.audio) {}

SdlPlatform::~SdlPlatform() = default;

std::string SdlPlatform::DisplayProblem(const char* requested, const char* chosen) {
    // A driver asked for by name is the user's choice, even one that draws
    // nowhere.
    if (requested != nullptr && requested[0] != '\0') return {};
    if (chosen == nullptr) return "no display to open the game window on";
    if (std::strcmp(chosen, "offscreen") == 0 || std::strcmp(chosen, "dummy") == 0)
        return std::string("no display to open the game window on (SDL chose its ") + chosen + " driver)";
    return {};
}

std::unique_ptr<SdlPlatform> SdlPlatform::Open(const SdlOptions& options, std::string& error) {
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    const bool named = requested != nullptr && requested[0] != '\0';
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const auto unset = [](const char* v) { return v == nullptr || v[0] == '\0'; };
    if (!named && unset(x11) && unset(wayland)) {
        error = "no display to open the game window on (DISPLAY and WAYLAND_DISPLAY are not set); "
                "use --headless to run without a window";
        return nullptr;
    }

    std::unique_ptr<SdlPlatform> p(new SdlPlatform(options));
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        error = std::string("cannot open the display (") + SDL_GetError() + "); use --headless to run without a window";
        return nullptr;
    }
    p->library_.started = true;
    const std::string problem = DisplayProblem(requested, SDL_GetCurrentVideoDriver());
    if (!problem.empty()) {
        error = problem + "; use --headless to run without a window";
        return nullptr;
    }
    // Gamepads are a bonus: without them the keyboard still plays.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        std::cerr << "molfo: gamepads are not available (" << SDL_GetError() << ")\n";
    WindowOptions wo;
    wo.fullscreen = options.fullscreen;
    wo.scale = options.scale;
    wo.shotFallback = options.shotFallback;
    SdlPlatform* self = p.get();
    wo.onPause = [self](bool paused, uint32_t ms) {
        self->audio_.Pause(paused);
        if (!paused) self->clock_.LeaveOut(ms);
    };
    p->window_ = SdlWindow::Create(std::move(wo), error);
    if (!p->window_) return nullptr;
    SdlWindow& w = *p->window_;
    p->clock_.keyArrived = [&w] { return w.keys().TakeArrived(); };
    w.display().frameBegan = [self] { return self->clock_.LastWakeNs(); };
    w.display().frameLater = [self] { return self->clock_.LastLaterNs(); };
    p->clock_.wakeLater = [&w] { return w.display().WakeLater(); };
    p->platform_ = std::make_unique<Platform>(Platform{p->clock_, w, w.keys(), w.display(), w.dialogs(), p->audio_});
    return p;
}

}  // namespace molfo
