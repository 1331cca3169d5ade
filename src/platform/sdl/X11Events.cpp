#include "platform/sdl/X11Events.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <dlfcn.h>

namespace molfo {

std::unique_ptr<X11Events> X11Events::Open(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11 ||
        info.info.x11.display == nullptr)
        return nullptr;
    std::unique_ptr<X11Events> e(new X11Events());
    // RTLD_NOLOAD: only the library SDL's X11 back end already opened.
    e->x11_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (e->x11_ == nullptr) return nullptr;
    e->eventsQueued_ = reinterpret_cast<int (*)(void*, int)>(dlsym(e->x11_, "XEventsQueued"));
    e->peekEvent_ = reinterpret_cast<int (*)(void*, void*)>(dlsym(e->x11_, "XPeekEvent"));
    e->nextEvent_ = reinterpret_cast<int (*)(void*, void*)>(dlsym(e->x11_, "XNextEvent"));
    const auto internAtom =
        reinterpret_cast<unsigned long (*)(void*, const char*, int)>(dlsym(e->x11_, "XInternAtom"));
    if (e->eventsQueued_ == nullptr || e->peekEvent_ == nullptr || e->nextEvent_ == nullptr || internAtom == nullptr)
        return nullptr;
    e->display_ = info.info.x11.display;
    e->window_ = info.info.x11.window;
    // SDL interned it when it made the window, so Xlib may know it already;
    // asked once, at most one round trip.
    e->userTime_ = internAtom(e->display_, "_NET_WM_USER_TIME", True);
    return e;
}

X11Events::~X11Events() {
    if (x11_ != nullptr) dlclose(x11_);
}

bool X11Events::Waiting() const {
    const auto unneeded = [this](const XEvent& ev) {
        return (ignored_ >= 0 && ev.type == ignored_) ||
               (ev.type == PropertyNotify && userTime_ != 0 && ev.xproperty.atom == userTime_ &&
                ev.xproperty.window == window_);
    };
    // Drops what no one needs from the head of what Xlib holds; with
    // events queued, peeking and taking read nothing more.
    const auto rest = [&] {
        XEvent e;
        int n = eventsQueued_(display_, QueuedAlready);
        while (n > 0 && peekEvent_(display_, &e) != 0 && unneeded(e)) {
            nextEvent_(display_, &e);
            n = eventsQueued_(display_, QueuedAlready);
        }
        return n;
    };
    // Xlib reads the connection only when its queue is empty: the word
    // that the last picture was taken, often read along with the request
    // that sent it, would otherwise keep a key pressed since from being
    // read until the next frame. QueuedAfterReading: one read that does
    // not block; unlike QueuedAfterFlush it sends nothing.
    if (rest() > 0) return true;
    eventsQueued_(display_, QueuedAfterReading);
    return rest() > 0;
}

}  // namespace molfo
