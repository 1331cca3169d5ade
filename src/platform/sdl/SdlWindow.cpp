#include "platform/sdl/SdlWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <utility>

#include "core/UserFiles.h"
#include "render/Screen.h"
#include "render/Text.h"

namespace molfo {

namespace {

// True when the renderer's OpenGL is a software rasteriser.
bool DrawsOnCpu(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr) return false;
    constexpr unsigned kGlRenderer = 0x1F01;
    const auto* name = reinterpret_cast<const char*>(getString(kGlRenderer));
    if (name == nullptr) return false;
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* soft : {"llvmpipe", "softpipe", "software"})
        if (lower.find(soft) != std::string::npos) return true;
    return false;
}

// True when OpenGL may run on a GPU here: a DRM render node this user can
// open, and on X11 a server that lets clients draw on it directly (DRI3 or
// DRI2). Without them OpenGL is emulated on the CPU, and merely trying it
// loads some 70 MB of libraries and starts threads that stay for good.
bool GpuMayDraw(SDL_Window* window) {
    std::error_code ec;
    bool node = false;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("renderD", 0) == 0 && access(entry.path().c_str(), R_OK | W_OK) == 0) node = true;
    }
    if (!node) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return true;
    // SDL has loaded Xlib already; asking it through SDL keeps the program
    // from linking Xlib itself.
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (xlib == nullptr) return true;
    using QueryExtension = int (*)(::Display*, const char*, int*, int*, int*);
    const auto query = reinterpret_cast<QueryExtension>(SDL_LoadFunction(xlib, "XQueryExtension"));
    bool direct = true;
    if (query != nullptr) {
        int opcode = 0, event = 0, error = 0;
        direct = query(info.info.x11.display, "DRI3", &opcode, &event, &error) != 0 ||
                 query(info.info.x11.display, "DRI2", &opcode, &event, &error) != 0;
    }
    SDL_UnloadObject(xlib);
    return direct;
}

// The pad's buttons are numbered as SDL numbers them, so an event's button
// goes to the mapping as it is.
constexpr bool Same(pad::Input ours, SDL_GameControllerButton sdl) {
    return static_cast<int>(ours) == static_cast<int>(sdl);
}
static_assert(Same(pad::A, SDL_CONTROLLER_BUTTON_A) && Same(pad::B, SDL_CONTROLLER_BUTTON_B) &&
              Same(pad::X, SDL_CONTROLLER_BUTTON_X) && Same(pad::Back, SDL_CONTROLLER_BUTTON_BACK) &&
              Same(pad::Start, SDL_CONTROLLER_BUTTON_START) && Same(pad::DpadUp, SDL_CONTROLLER_BUTTON_DPAD_UP) &&
              Same(pad::DpadDown, SDL_CONTROLLER_BUTTON_DPAD_DOWN) &&
              Same(pad::DpadLeft, SDL_CONTROLLER_BUTTON_DPAD_LEFT) &&
              Same(pad::DpadRight, SDL_CONTROLLER_BUTTON_DPAD_RIGHT));

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

void SdlWindow::SetLanguage(const i18n::Catalog* words) { words_ = words != nullptr ? words : &kOwnWords; }

std::unique_ptr<SdlWindow> SdlWindow::Create(WindowOptions options, std::string& error) {
    const bool fullscreen = options.fullscreen;
    std::unique_ptr<SdlWindow> w(new SdlWindow(std::move(options)));
    // The window's own buffer is X's shared memory, never an OpenGL
    // texture behind SDL's back.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Long IME compositions (Japanese names) arrive whole instead of cut at 32 bytes.
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    // The largest whole scale that fits the screen; leaving full screen
    // comes back to it.
    SDL_Rect usable{0, 0, kWindowWidth, kWindowHeight};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) usable = SDL_Rect{0, 0, kWindowWidth, kWindowHeight};
    const int scale = StartScale(usable.w, usable.h, kWindowWidth, kWindowHeight);
    w->window_ = SDL_CreateWindow("Form1", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWindowWidth * scale,
                                  kWindowHeight * scale, flags);
    if (w->window_ == nullptr) {
        error = std::string("cannot open the game window: ") + SDL_GetError();
        return nullptr;
    }
    // No vsync: the game paces itself at 15 ms a frame, and waiting for a
    // 60 Hz refresh would stretch every frame to 16.7 ms.
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const bool userChose = chosen != nullptr && chosen[0] != '\0';
    if (userChose || GpuMayDraw(w->window_)) w->renderer_ = SDL_CreateRenderer(w->window_, -1, 0);
    if (w->renderer_ != nullptr && !userChose && DrawsOnCpu(w->renderer_)) {
        // OpenGL emulated on the CPU (a virtual X server, a machine without
        // a GPU driver) spends several times what a plain copy to the window
        // costs: about 1.8 ms against 0.25 ms a frame.
        SDL_DestroyRenderer(w->renderer_);
        w->renderer_ = nullptr;
    }
    // Without a GPU the frames go straight into the window's own buffer,
    // which X shares with us: one copy of what changed, where SDL's
    // software renderer would copy the whole window twice.
    if (w->renderer_ == nullptr && SDL_GetWindowSurface(w->window_) == nullptr) {
        error = std::string("cannot draw in the game window: ") + SDL_GetError();
        return nullptr;
    }
    // SDL turns text input on with the first window; while it is on, an IME
    // would swallow the game's keys.
    SDL_StopTextInput();
    w->Repaint();
    // For scripts/measure-window: when every frame is shown.
    if (const char* log = std::getenv("MOLFO_PRESENT_LOG"); log != nullptr && log[0] != '\0')
        w->presentLog_ = open(log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return w;
}

SdlWindow::~SdlWindow() {
    for (SDL_GameController* c : controllers_)
        if (c != nullptr) SDL_GameControllerClose(c);
    if (view_ != nullptr) SDL_FreeSurface(view_);
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (presentLog_ >= 0) close(presentLog_);
}

bool SdlWindow::IsKeyName(const std::string& name) {
    return !name.empty() && SDL_GetKeyFromName(name.c_str()) != SDLK_UNKNOWN;
}

void SdlWindow::ApplySettings(const settings::Settings& s) {
    settings_ = s;
    byKey_.clear();
    byPlace_.clear();
    std::vector<pad::Binding> buttons;
    for (size_t a = 0; a < settings::kActions; ++a) {
        const int vk = settings::kActionTable[a].vk;
        for (int slot = 0; slot < settings::kSlots; ++slot) {
            const SDL_Keycode k = s.keys[a][slot].empty() ? SDLK_UNKNOWN : SDL_GetKeyFromName(s.keys[a][slot].c_str());
            if (k != SDLK_UNKNOWN) {
                byKey_[k].push_back({vk, slot});
                // On a layout without Latin letters the letter keys keep the
                // place they have on a US keyboard.
                if (k >= SDLK_a && k <= SDLK_z) byPlace_[SDL_SCANCODE_A + (k - SDLK_a)].push_back({vk, slot});
            }
            const int b = settings::PadButton(s.pad[a][slot]);
            if (b >= 0) buttons.push_back({static_cast<pad::Input>(b), vk, 0});
        }
    }
    keys_.Forget();
    pads_.SetButtons(std::move(buttons));
    const ScaleMode scale = s.scaleMode == "fit" ? ScaleMode::Fit : ScaleMode::Integer;
    if (scale != options_.scale) {
        options_.scale = scale;
        if (renderer_ != nullptr) Repaint();
    }
}

const std::vector<SdlWindow::Target>& SdlWindow::Targets(const SDL_KeyboardEvent& key) const {
    static const std::vector<Target> kNone;
    const SDL_Keycode k = key.keysym.sym;
    if (const auto it = byKey_.find(k); it != byKey_.end()) return it->second;
    if (k < SDLK_a || k > SDLK_z) {
        if (const auto it = byPlace_.find(key.keysym.scancode); it != byPlace_.end()) return it->second;
    }
    return kNone;
}

void SdlWindow::OpenSettings() {
    if (hooks_.mayOpen && hooks_.mayOpen()) RunSettingsPage();
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
        SDL_PumpEvents();
        SDL_Event e;
        // Peeking, unlike polling, takes the queue without pumping again.
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Handle(e);
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
    pads_.Forget();

    if (shown_ != nullptr && !shown_->Empty())
        pauseBuffer_ = *shown_;
    else
        pauseBuffer_.Resize(kWindowWidth, kWindowHeight, 0);
    // The playfield dims under the note, so the pause reads at a glance.
    const int x1 = std::min(kPlayfieldX + kPlayfieldOuterW, pauseBuffer_.Width());
    const int y1 = std::min(kPlayfieldY + kPlayfieldOuterH, pauseBuffer_.Height());
    for (int y = kPlayfieldY; y < y1; ++y) {
        uint32_t* row = pauseBuffer_.Row(y);
        for (int x = kPlayfieldX; x < x1; ++x) row[x] = (row[x] >> 1) & 0x7F7F7Fu;
    }
    if (!text_) text_ = std::make_unique<TextRenderer>();
    const int cx = kPlayfieldX + kPlayfieldOuterW / 2;
    const int top = kPlayfieldY + kPlayfieldOuterH / 2 - text_->LineHeight(kPausedPx);
    const std::string paused = words_->Translate(kPausedLine), resume = words_->Translate(kResumeLine);
    DrawOutlined(*text_, pauseBuffer_, cx - text_->Measure(paused, kPausedPx) / 2, top, paused, kPausedPx);
    DrawOutlined(*text_, pauseBuffer_, cx - text_->Measure(resume, kResumePx) / 2,
                 top + text_->LineHeight(kPausedPx) + 8, resume, kResumePx);
    Upload(pauseBuffer_);

    while (unfocused_ && !closePending_) {
        SDL_Event e;
        // Sleeps until something happens: a paused game costs nothing.
        if (SDL_WaitEventTimeout(&e, 1000) != 0) Handle(e);
    }
    keys_.Forget();
    pads_.Forget();
    if (shown_ != nullptr) Upload(*shown_);
    if (options_.onPause) options_.onPause(false, SDL_GetTicks() - start);
}

void SdlWindow::SaveScreenshot() {
    if (shown_ == nullptr || shown_->Empty()) return;
    const char* home = std::getenv("HOME");
    const std::string folder =
        ChoosePicturesFolder(AskXdgPictures(), home != nullptr ? home : "", options_.shotFallback);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string path = FreeScreenshotPath(folder, local);
    if (SavePng(*shown_, path))
        std::cerr << "molfo: screenshot saved as " << path << "\n";
    else
        std::cerr << "molfo: cannot save a screenshot as " << path << "\n";
}

void SdlWindow::HandlePadEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: {
            SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which);
            if (c == nullptr) break;
            const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
            bool kept = false;
            for (SDL_GameController*& slot : controllers_) {
                if (slot == c) kept = true;
                if (!kept && slot == nullptr) {
                    slot = c;
                    kept = true;
                }
            }
            if (!kept || !pads_.Attach(id)) SDL_GameControllerClose(c);
            break;
        }
        case SDL_CONTROLLERDEVICEREMOVED: {
            pads_.Detach(e.cdevice.which);
            SDL_GameController* c = SDL_GameControllerFromInstanceID(e.cdevice.which);
            for (SDL_GameController*& slot : controllers_) {
                if (c != nullptr && slot == c) {
                    SDL_GameControllerClose(c);
                    slot = nullptr;
                }
            }
            break;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            const bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
            keyArrived_ = keyArrived_ || down;
            pads_.Button(e.cbutton.which, e.cbutton.button, down);
            // Back tapped alone opens the settings (Back with Start quits).
            const bool back = e.cbutton.button == SDL_CONTROLLER_BUTTON_BACK;
            if (down) backAlone_ = back;
            if (!down && back && backAlone_) {
                backAlone_ = false;
                OpenSettings();
            }
            break;
        }
        case SDL_CONTROLLERAXISMOTION:
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) pads_.Axis(e.caxis.which, pad::Stick::LeftX, e.caxis.value);
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) pads_.Axis(e.caxis.which, pad::Stick::LeftY, e.caxis.value);
            break;
        default: break;
    }
}

void SdlWindow::Handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_KEYDOWN: {
            if (FullscreenShortcut(e.key)) break;
            // Not a game key: the game never hears of it.
            if (e.key.keysym.sym == SDLK_F12) {
                if (e.key.repeat == 0) SaveScreenshot();
                break;
            }
            if (e.key.keysym.sym == SDLK_F1) {
                if (e.key.repeat == 0) OpenSettings();
                break;
            }
            for (const Target& t : Targets(e.key)) {
                keys_.Press(t.vk, t.source, e.key.repeat != 0);
                keyArrived_ = keyArrived_ || e.key.repeat == 0;
            }
            break;
        }
        case SDL_KEYUP:
            for (const Target& t : Targets(e.key)) keys_.Release(t.vk, t.source);
            break;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
        case SDL_CONTROLLERAXISMOTION: HandlePadEvent(e); break;
        default: HandleWindowEvent(e); break;
    }
}

void SdlWindow::HandleWindowEvent(const SDL_Event& e) {
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
        case SDL_WINDOWEVENT_SHOWN: Repaint(); break;
        default: break;
    }
}

bool SdlWindow::FullscreenShortcut(const SDL_KeyboardEvent& key) {
    const SDL_Keycode k = key.keysym.sym;
    const bool altEnter = (k == SDLK_RETURN || k == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT) != 0;
    if (k != SDLK_F11 && !altEnter) return false;
    if (key.repeat == 0) ToggleFullscreen();
    return true;
}

void SdlWindow::ToggleFullscreen() {
    const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    Repaint();
}

bool SdlWindow::Query(int vkCode) { return keys_.Query(vkCode); }

}  // namespace molfo
