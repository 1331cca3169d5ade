// Opening the window: with SDL's renderer where a GPU can draw, else
// straight into the window's own buffer; full screen and the scale mode.
#include "platform/sdl/SdlDisplay.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/sdl/X11Shm.h"
#include "render/Screen.h"

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

}  // namespace

std::unique_ptr<SdlDisplay> SdlDisplay::Create(bool fullscreen, ScaleMode scale, std::string& error) {
    std::unique_ptr<SdlDisplay> d(new SdlDisplay(scale));
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
    const int start = StartScale(usable.w, usable.h, kWindowWidth, kWindowHeight);
    d->window_ = SDL_CreateWindow("Form1", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWindowWidth * start,
                                  kWindowHeight * start, flags);
    if (d->window_ == nullptr) {
        error = std::string("cannot open the game window: ") + SDL_GetError();
        return nullptr;
    }
    // No vsync: the game paces itself at 15 ms a frame, and waiting for a
    // 60 Hz refresh would stretch every frame to 16.7 ms.
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const bool userChose = chosen != nullptr && chosen[0] != '\0';
    if (userChose || GpuMayDraw(d->window_)) d->renderer_ = SDL_CreateRenderer(d->window_, -1, 0);
    if (d->renderer_ != nullptr && !userChose && DrawsOnCpu(d->renderer_)) {
        // OpenGL emulated on the CPU (a virtual X server, a machine without
        // a GPU driver) spends several times what a plain copy to the window
        // costs: about 1.8 ms against 0.25 ms a frame.
        SDL_DestroyRenderer(d->renderer_);
        d->renderer_ = nullptr;
    }
    // Without a GPU the frames go straight into the window's own buffer,
    // which X shares with us: one copy of what changed, where SDL's
    // software renderer would copy the whole window twice.
    if (d->renderer_ == nullptr && SDL_GetWindowSurface(d->window_) == nullptr) {
        error = std::string("cannot draw in the game window: ") + SDL_GetError();
        return nullptr;
    }
    // MOLFO_X11_RING=0 keeps the playfield in the window's buffer, as on
    // back ends without the ring, for tests of that path.
    const char* ring = std::getenv("MOLFO_X11_RING");
    if (d->renderer_ == nullptr && (ring == nullptr || std::strcmp(ring, "0") != 0)) d->shm_ = X11Shm::Open(d->window_);
    SDL_AddEventWatch(&SdlDisplay::WatchResize, d.get());
    // SDL turns text input on with the first window; while it is on, an IME
    // would swallow the game's keys.
    SDL_StopTextInput();
    d->Repaint();
    // For scripts/measure-window: when every frame is shown.
    if (const char* log = std::getenv("MOLFO_PRESENT_LOG"); log != nullptr && log[0] != '\0')
        d->presentLog_ = open(log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return d;
}

SdlDisplay::~SdlDisplay() {
    Evict();
    shm_.reset();  // while the window is there
    SDL_DelEventWatch(&SdlDisplay::WatchResize, this);
    if (view_ != nullptr) SDL_FreeSurface(view_);
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (presentLog_ >= 0) close(presentLog_);
}

void SdlDisplay::SetScale(ScaleMode scale) {
    if (scale == scale_) return;
    // The picture's place in the window's buffer moves with the scale.
    Evict();
    whole_ = false;
    scale_ = scale;
    if (renderer_ != nullptr) Repaint();
}

void SdlDisplay::ToggleFullscreen() {
    const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    Repaint();
}

}  // namespace molfo
