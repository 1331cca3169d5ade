#include "platform/sdl/SdlWindow.h"

#include <SDL.h>

#include <cctype>
#include <cstring>

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

}  // namespace

std::unique_ptr<SdlWindow> SdlWindow::Create(bool fullscreen, std::string& error) {
    std::unique_ptr<SdlWindow> w(new SdlWindow());
    // Smooth scaling: the window is seldom an exact multiple of 645 x 573.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    // With the software renderer, draw straight to the window instead of
    // through an OpenGL texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Long IME compositions (Japanese names) arrive whole instead of cut at 32 bytes.
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    w->window_ = SDL_CreateWindow("Form1", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWindowWidth,
                                  kWindowHeight, flags);
    if (w->window_ == nullptr) {
        error = std::string("cannot open the game window: ") + SDL_GetError();
        return nullptr;
    }
    // No vsync: the game paces itself at 15 ms a frame, and waiting for a
    // 60 Hz refresh would stretch every frame to 16.7 ms.
    w->renderer_ = SDL_CreateRenderer(w->window_, -1, 0);
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    if (w->renderer_ != nullptr && (chosen == nullptr || chosen[0] == '\0') && DrawsOnCpu(w->renderer_)) {
        // OpenGL emulated on the CPU (a virtual X server, a machine without
        // a GPU driver) spends several times what a plain copy to the window
        // costs: about 1.8 ms against 0.25 ms a frame.
        SDL_DestroyRenderer(w->renderer_);
        w->renderer_ = nullptr;
    }
    if (w->renderer_ == nullptr) w->renderer_ = SDL_CreateRenderer(w->window_, -1, SDL_RENDERER_SOFTWARE);
    if (w->renderer_ == nullptr) {
        error = std::string("cannot draw in the game window: ") + SDL_GetError();
        return nullptr;
    }
    // Scales the whole window to fit and keeps its shape, with black bars.
    SDL_RenderSetLogicalSize(w->renderer_, kWindowWidth, kWindowHeight);
    // SDL turns text input on with the first window; while it is on, an IME
    // would swallow the game's keys.
    SDL_StopTextInput();
    SDL_SetRenderDrawColor(w->renderer_, 0, 0, 0, 255);
    SDL_RenderClear(w->renderer_);
    SDL_RenderPresent(w->renderer_);
    return w;
}

SdlWindow::~SdlWindow() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
}

int SdlWindow::VirtualKey(const SDL_KeyboardEvent& key, int& source) {
    source = 0;
    const SDL_Keycode k = key.keysym.sym;
    switch (k) {
        case SDLK_LSHIFT: return vk::Shift;
        case SDLK_RSHIFT: source = 1; return vk::Shift;
        case SDLK_LCTRL: return vk::Control;
        case SDLK_RCTRL: source = 1; return vk::Control;
        case SDLK_ESCAPE: return vk::Escape;
        case SDLK_SPACE: return vk::Space;
        case SDLK_LEFT: return vk::Left;
        case SDLK_UP: return vk::Up;
        case SDLK_RIGHT: return vk::Right;
        case SDLK_DOWN: return vk::Down;
        case SDLK_c: return vk::C;
        case SDLK_x: return vk::X;
        case SDLK_z: return vk::Z;
        default: break;
    }
    // On a layout without Latin letters the letter keys keep the place they
    // have on a US keyboard.
    if (k < SDLK_a || k > SDLK_z) {
        switch (key.keysym.scancode) {
            case SDL_SCANCODE_C: return vk::C;
            case SDL_SCANCODE_X: return vk::X;
            case SDL_SCANCODE_Z: return vk::Z;
            default: break;
        }
    }
    return 0;
}

bool SdlWindow::Pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) Handle(e);
    const bool close = closePending_;
    closePending_ = false;
    return close;
}

void SdlWindow::Handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_KEYDOWN: {
            if (FullscreenShortcut(e.key)) break;
            int source = 0;
            if (const int v = VirtualKey(e.key, source)) keys_.Press(v, source, e.key.repeat != 0);
            break;
        }
        case SDL_KEYUP: {
            int source = 0;
            if (const int v = VirtualKey(e.key, source)) keys_.Release(v, source);
            break;
        }
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

void SdlWindow::Present(const Surface& window) { Show(window); }

void SdlWindow::Show(const Surface& s) {
    if (s.Empty()) return;
    if (texture_ == nullptr || textureW_ != s.Width() || textureH_ != s.Height()) {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        // 0x00RRGGBB words are exactly SDL's RGB888 (XRGB8888) layout.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, s.Width(),
                                     s.Height());
        if (texture_ == nullptr) return;
        textureW_ = s.Width();
        textureH_ = s.Height();
        SDL_RenderSetLogicalSize(renderer_, textureW_, textureH_);
    }
    SDL_UpdateTexture(texture_, nullptr, s.Pixels().data(), s.Width() * static_cast<int>(sizeof(uint32_t)));
    haveFrame_ = true;
    Repaint();
}

void SdlWindow::Repaint() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (haveFrame_) SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

}  // namespace molfo
