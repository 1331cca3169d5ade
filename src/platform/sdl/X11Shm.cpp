#include "platform/sdl/X11Shm.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <dlfcn.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdint>
#include <cstring>

namespace molfo {

namespace {

// Set by the error handler while a segment is being attached: a server
// that cannot reach our memory (over a network, in another container)
// refuses the attach asynchronously.
bool gAttachRefused = false;
int OnAttachError(Display*, XErrorEvent*) {
    gAttachRefused = true;
    return 0;
}

template <typename F>
bool Find(void* lib, const char* name, F*& f) {
    f = lib != nullptr ? reinterpret_cast<F*>(dlsym(lib, name)) : nullptr;
    return f != nullptr;
}

}  // namespace

struct X11Shm::State {
    void* x11 = nullptr;
    void* xext = nullptr;
    decltype(::XShmQueryExtension)* queryExtension = nullptr;
    decltype(::XShmCreateImage)* createImage = nullptr;
    decltype(::XShmAttach)* attach = nullptr;
    decltype(::XShmDetach)* detach = nullptr;
    decltype(::XShmPutImage)* putImage = nullptr;
    decltype(::XShmGetEventBase)* eventBase = nullptr;
    decltype(::XGetWindowAttributes)* windowAttributes = nullptr;
    decltype(::XCreateGC)* createGc = nullptr;
    decltype(::XFreeGC)* freeGc = nullptr;
    decltype(::XSync)* sync = nullptr;
    decltype(::XFlush)* flush = nullptr;
    decltype(::XEventsQueued)* eventsQueued = nullptr;
    decltype(::XSetErrorHandler)* setErrorHandler = nullptr;
    decltype(::XDisplayString)* displayString = nullptr;

    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool broken = false;  // a buffer could not be had: none is tried again
    // The frame's last request, held until it is known how it goes.
    bool held = false;
    Rect heldFrom{};
    int heldX = 0, heldY = 0;
    // The serial of the last request posted that the X server may not have
    // taken yet, or 0.
    unsigned long posted = 0;

    ~State() {
        if (xext != nullptr) dlclose(xext);
        if (x11 != nullptr) dlclose(x11);
    }

    bool Load() {
        // The libraries SDL's X11 back end opened; RTLD_NOLOAD takes
        // them only if they are already in the process.
        x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
        xext = dlopen("libXext.so.6", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
        return Find(xext, "XShmQueryExtension", queryExtension) && Find(xext, "XShmCreateImage", createImage) &&
               Find(xext, "XShmAttach", attach) && Find(xext, "XShmDetach", detach) &&
               Find(xext, "XShmPutImage", putImage) && Find(xext, "XShmGetEventBase", eventBase) &&
               Find(x11, "XGetWindowAttributes", windowAttributes) && Find(x11, "XFlush", flush) &&
               Find(x11, "XEventsQueued", eventsQueued) &&
               Find(x11, "XCreateGC", createGc) && Find(x11, "XFreeGC", freeGc) && Find(x11, "XSync", sync) &&
               Find(x11, "XSetErrorHandler", setErrorHandler) && Find(x11, "XDisplayString", displayString);
    }
};

X11Shm::X11Shm(std::unique_ptr<State> s) : s_(std::move(s)) {}

std::unique_ptr<X11Shm> X11Shm::Open(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    auto s = std::make_unique<State>();
    if (!s->Load()) return nullptr;
    s->display = info.info.x11.display;
    s->window = info.info.x11.window;
    // Shared memory reaches only a server on this machine.
    const char* name = s->displayString(s->display);
    const bool local = name != nullptr && (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0);
    if (!local || !s->queryExtension(s->display)) return nullptr;
    XWindowAttributes a{};
    if (s->windowAttributes(s->display, s->window, &a) == 0 || a.visual == nullptr) return nullptr;
    // Our 0x00RRGGBB words go in as they are.
    if ((a.depth != 24 && a.depth != 32) || a.visual->red_mask != 0xFF0000 || a.visual->green_mask != 0xFF00 ||
        a.visual->blue_mask != 0xFF)
        return nullptr;
    s->visual = a.visual;
    s->depth = a.depth;
    s->gc = s->createGc(s->display, s->window, 0, nullptr);
    if (s->gc == nullptr) return nullptr;
    return std::unique_ptr<X11Shm>(new X11Shm(std::move(s)));
}

X11Shm::~X11Shm() {
    Free();
    if (s_->gc != nullptr) s_->freeGc(s_->display, s_->gc);
}

void X11Shm::Free() {
    State& s = *s_;
    // What is held would show pixels about to be freed.
    s.held = false;
    s.posted = 0;
    if (s.image == nullptr) return;
    if (s.shm.shmseg != 0) {
        s.detach(s.display, &s.shm);
        s.sync(s.display, False);
    }
    if (s.shm.shmaddr != nullptr) shmdt(s.shm.shmaddr);
    // The pixels and the segment's record are ours, not Xlib's to free:
    // only the image's own record goes.
    s.image->data = nullptr;
    s.image->obdata = nullptr;
    XDestroyImage(s.image);
    s.image = nullptr;
    s.shm = XShmSegmentInfo{};
}

PixelBuffer X11Shm::Buffer(int w, int h, bool& kept) {
    State& s = *s_;
    // Posted 15 ms ago, it is nearly always taken: the event came with the
    // frame's look for input. Else one more read, and at worst a wait.
    if (s.posted != 0) {
        if (!Taken()) s.eventsQueued(s.display, QueuedAfterReading);
        if (!Taken()) s.sync(s.display, False);
        s.posted = 0;
    }
    kept = s.image != nullptr && s.image->width == w && s.image->height == h;
    if (kept) return PixelBuffer{reinterpret_cast<uint32_t*>(s.image->data), s.image->bytes_per_line / 4, w, h};
    Free();
    if (s.broken || w <= 0 || h <= 0) return {};
    s.broken = true;  // until the new buffer is had
    s.image = s.createImage(s.display, s.visual, static_cast<unsigned>(s.depth), ZPixmap, nullptr, &s.shm,
                            static_cast<unsigned>(w), static_cast<unsigned>(h));
    if (s.image == nullptr) return {};
    if (s.image->bits_per_pixel != 32 || s.image->byte_order != LSBFirst || s.image->bytes_per_line % 4 != 0) {
        Free();
        return {};
    }
    s.shm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(s.image->bytes_per_line) * h, IPC_CREAT | 0600);
    if (s.shm.shmid < 0) {
        Free();
        return {};
    }
    void* addr = shmat(s.shm.shmid, nullptr, 0);
    s.shm.shmaddr = addr == reinterpret_cast<void*>(-1) ? nullptr : static_cast<char*>(addr);
    s.image->data = s.shm.shmaddr;
    s.shm.readOnly = False;
    bool attached = false;
    if (s.shm.shmaddr != nullptr) {
        gAttachRefused = false;
        auto* before = s.setErrorHandler(OnAttachError);
        attached = s.attach(s.display, &s.shm) != 0;
        s.sync(s.display, False);
        s.setErrorHandler(before);
        attached = attached && !gAttachRefused;
    }
    // Marked for removal now, so the segment goes when both sides let go,
    // however the program ends.
    shmctl(s.shm.shmid, IPC_RMID, nullptr);
    if (!attached) {
        s.shm.shmseg = 0;
        Free();
        return {};
    }
    s.broken = false;
    return PixelBuffer{reinterpret_cast<uint32_t*>(s.image->data), s.image->bytes_per_line / 4, w, h};
}

void X11Shm::Send(const Rect& from, int toX, int toY) {
    State& s = *s_;
    if (s.image == nullptr || from.w <= 0 || from.h <= 0) return;
    SendHeld(false);
    s.held = true;
    s.heldFrom = from;
    s.heldX = toX;
    s.heldY = toY;
}

void X11Shm::SendHeld(bool tell) {
    State& s = *s_;
    if (!s.held) return;
    s.held = false;
    const Rect& f = s.heldFrom;
    s.putImage(s.display, s.window, s.gc, s.image, f.x, f.y, s.heldX, s.heldY, static_cast<unsigned>(f.w),
               static_cast<unsigned>(f.h), tell ? True : False);
    // Requests are taken in order: the last one told of stands for all.
    if (tell) s.posted = NextRequest(s.display) - 1;
}

void X11Shm::Sync() {
    SendHeld(false);
    s_->sync(s_->display, False);
    s_->posted = 0;
}

void X11Shm::Post() {
    SendHeld(true);
    s_->flush(s_->display);
}

void X11Shm::Queue() { SendHeld(false); }

bool X11Shm::Taken() const {
    // Xlib notes the serial of everything it reads: our event, or any
    // later reply or event, whoever reads it (SDL's pump as well).
    return s_->posted == 0 || LastKnownRequestProcessed(s_->display) >= s_->posted;
}

int X11Shm::TakenEventType() const { return s_->eventBase(s_->display) + ShmCompletion; }

bool X11Shm::Broken() const { return s_->broken; }

}  // namespace molfo
