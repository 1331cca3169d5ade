#include "platform/sdl/SdlWindow.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <utility>

#include "core/UserFiles.h"
#include "render/Screen.h"
#include "render/Text.h"

namespace molfo {

namespace {

// The pause note: a large line and a small one under it, centred on the
// playfield.
constexpr const char* kPausedLine = i18n::N_("一時停止中");
constexpr const char* kResumeLine = i18n::N_("ウィンドウを選ぶと続きから");
constexpr int kPausedPx = 40;
constexpr int kResumePx = 16;

// Text with a dark outline, readable over any picture.
void DrawOutlined(TextRenderer& text, Surface& dst, int x, int y, const std::string& line, int px) {
    constexpr int kOffsets[][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}, {0, 2}, {2, 0}};
    for (const auto& d : kOffsets) text.Draw(dst, x + d[0], y + d[1], line, kPrintOutline, px);
    text.Draw(dst, x, y, line, kPrintColour, px);
}

}  // namespace

const i18n::Catalog kOwnWords;

SdlWindow::SdlWindow(WindowOptions options) : options_(std::move(options)), words_(&kOwnWords) {}

SdlWindow::~SdlWindow() = default;

void SdlWindow::SetLanguage(const i18n::Catalog* words) { words_ = words != nullptr ? words : &kOwnWords; }

std::unique_ptr<SdlWindow> SdlWindow::Create(WindowOptions options, std::string& error) {
    const bool fullscreen = options.fullscreen;
    const ScaleMode scale = options.scale;
    std::unique_ptr<SdlWindow> w(new SdlWindow(std::move(options)));
    w->display_ = SdlDisplay::Create(fullscreen, scale, error);
    if (!w->display_) return nullptr;
    w->x11_ = X11Events::Open(w->display_->Window());
    if (w->x11_ != nullptr) w->x11_->Ignore(w->display_->TakenEventType());
    return w;
}

TextRenderer& SdlWindow::Text() {
    if (!text_) text_ = std::make_unique<TextRenderer>();
    return *text_;
}

void SdlWindow::ApplySettings(const settings::Settings& s) {
    settings_ = s;
    keys_.Bind(s);
    display_->SetScale(s.scaleMode == "fit" ? ScaleMode::Fit : ScaleMode::Integer);
}

bool SdlWindow::Pump() {
    // Talking to the X server costs a handful of system calls; a frame
    // pumps several times within a millisecond or two, and once is enough.
    // Whatever arrives meanwhile is taken at the next pump, within a frame.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t nowNs = int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
    if (nowNs - lastPumpNs_ >= kPumpGapNs) {
        lastPumpNs_ = nowNs;
        const bool read = x11_ != nullptr && x11_->Waiting();
        const bool pump = x11_ == nullptr || read || gate_.Due(nowNs, keys_.PadsOpen());
        if (pump) SDL_PumpEvents();
        SDL_Event e;
        bool brought = false, onlyKeys = true;
        // Peeking, unlike polling, takes the queue without pumping again;
        // it also takes what other threads put there between pumps.
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
            Handle(e);
            brought = true;
            onlyKeys = onlyKeys && (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP);
        }
        if (pump) gate_.Pumped(nowNs, PumpGate::HeldBack(read, brought, onlyKeys));
    }
    // Escape and a close request both end the game; the few waits left on
    // its way out must not stop for a pause.
    if (closePending_ || keys_.Held(vk::Escape)) quitting_ = true;
    if (unfocused_ && !quitting_) {
        PauseWhileUnfocused();
        quitting_ = closePending_;
    }
    const bool close = closePending_;
    closePending_ = false;
    return close;
}

void SdlWindow::PauseWhileUnfocused() {
    const Uint32 start = SDL_GetTicks();
    if (options_.onPause) options_.onPause(true, 0);
    // Keys let go while the window was away never send their release here.
    keys_.Forget();

    const Surface* shown = display_->Shown();
    if (shown != nullptr && !shown->Empty())
        pauseBuffer_ = *shown;
    else
        pauseBuffer_.Resize(kWindowWidth, kWindowHeight, 0);
    // The playfield dims under the note, so the pause reads at a glance.
    const int x1 = std::min(kPlayfieldX + kPlayfieldOuterW, pauseBuffer_.Width());
    const int y1 = std::min(kPlayfieldY + kPlayfieldOuterH, pauseBuffer_.Height());
    for (int y = kPlayfieldY; y < y1; ++y) {
        uint32_t* row = pauseBuffer_.Row(y);
        for (int x = kPlayfieldX; x < x1; ++x) row[x] = (row[x] >> 1) & 0x7F7F7Fu;
    }
    TextRenderer& text = Text();
    const int cx = kPlayfieldX + kPlayfieldOuterW / 2;
    const int top = kPlayfieldY + kPlayfieldOuterH / 2 - text.LineHeight(kPausedPx);
    const std::string paused = words_->Translate(kPausedLine), resume = words_->Translate(kResumeLine);
    DrawOutlined(text, pauseBuffer_, cx - text.Measure(paused, kPausedPx) / 2, top, paused, kPausedPx);
    DrawOutlined(text, pauseBuffer_, cx - text.Measure(resume, kResumePx) / 2, top + text.LineHeight(kPausedPx) + 8,
                 resume, kResumePx);
    display_->ShowAside(pauseBuffer_);

    while (unfocused_ && !closePending_) {
        SDL_Event e;
        // Sleeps until something happens: a paused game costs nothing.
        if (SDL_WaitEventTimeout(&e, 1000) != 0) Handle(e);
    }
    keys_.Forget();
    display_->ShowAgain();
    if (options_.onPause) options_.onPause(false, SDL_GetTicks() - start);
}

void SdlWindow::SaveScreenshot() {
    const Surface* shown = display_->Shown();
    if (shown == nullptr || shown->Empty()) return;
    const char* home = std::getenv("HOME");
    const std::string folder =
        ChoosePicturesFolder(AskXdgPictures(), home != nullptr ? home : "", options_.shotFallback);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string path = FreeScreenshotPath(folder, local);
    if (SavePng(*shown, path))
        std::cerr << "molfo: screenshot saved as " << path << "\n";
    else
        std::cerr << "molfo: cannot save a screenshot as " << path << "\n";
}

void SdlWindow::Handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_KEYDOWN:
            if (Shortcut(e.key)) break;
            // Not a game key: the game never hears of it.
            if (e.key.keysym.sym == SDLK_F1) {
                if (e.key.repeat == 0) page_.Open(settings_);
                break;
            }
            keys_.KeyDown(e.key);
            break;
        case SDL_KEYUP: keys_.KeyUp(e.key); break;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
        case SDL_CONTROLLERAXISMOTION:
            if (keys_.Pad(e)) page_.Open(settings_);
            break;
        default: WindowEvent(e); break;
    }
}

void SdlWindow::WindowEvent(const SDL_Event& e) {
    if (e.type == SDL_QUIT) {
        // Refused here: the window stays until the game has seen the request.
        closePending_ = true;
        return;
    }
    if (e.type != SDL_WINDOWEVENT) return;
    switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: closePending_ = true; break;
        // Only a loss of focus pauses, never its mere absence: a window that
        // never had focus (no window manager) keeps running.
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED: unfocused_ = true; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: unfocused_ = false; break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN: display_->Repaint(); break;
        default: break;
    }
}

bool SdlWindow::Shortcut(const SDL_KeyboardEvent& key) {
    const SDL_Keycode k = key.keysym.sym;
    const bool altEnter = (k == SDLK_RETURN || k == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT) != 0;
    if (k == SDLK_F11 || altEnter) {
        if (key.repeat == 0) display_->ToggleFullscreen();
        return true;
    }
    if (k == SDLK_F12) {
        if (key.repeat == 0) SaveScreenshot();
        return true;
    }
    return false;
}

}  // namespace molfo
