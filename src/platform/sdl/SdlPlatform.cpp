#include "platform/sdl/SdlPlatform.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <utility>

#include "platform/sdl/UserFiles.h"

namespace molfo {

uint32_t SdlClock::Ticks() { return SDL_GetTicks() - pausedMs_; }

void SdlClock::Sleep(uint32_t ms) { SDL_Delay(ms); }

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
    p->platform_ = std::make_unique<Platform>(Platform{p->clock_, w, w, w, w, p->audio_});
    return p;
}

}  // namespace molfo
