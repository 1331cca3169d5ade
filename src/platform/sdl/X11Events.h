// Whether SDL's X connection holds events, asked of Xlib directly: one
// read of the connection, where SDL's pump makes several. Only for a
// window of SDL's X11 back end; anywhere else Open gives none and every
// frame pumps. Xlib is SDL's: it is looked up in the library SDL loaded,
// never linked.
#pragma once

#include <memory>

struct SDL_Window;

namespace molfo {

class X11Events {
public:
    static std::unique_ptr<X11Events> Open(SDL_Window* window);
    ~X11Events();
    X11Events(const X11Events&) = delete;
    X11Events& operator=(const X11Events&) = delete;

    // True when events wait in Xlib's queue or on the connection (read
    // without blocking, nothing sent; read even when Xlib's queue held
    // only events no one needs). Events no one needs at the head of
    // the queue are dropped first: those of the ignored type, and the
    // notices that the window's _NET_WM_USER_TIME changed. SDL sets that
    // property itself on every key pressed and never reads it; its notice
    // comes back a frame later and would make that frame pump for nothing
    // (and, as a pump that brought nothing, the frames after it: a held
    // key's repeats would keep the game pumping every frame).
    bool Waiting() const;
    // Events of `type` are ours, not SDL's: the X server's word that it
    // took a picture (X11Shm::Post), which arrives every frame and would
    // otherwise make every frame pump.
    void Ignore(int type) { ignored_ = type; }

private:
    X11Events() = default;

    void* x11_ = nullptr;
    void* display_ = nullptr;
    int (*eventsQueued_)(void*, int) = nullptr;
    int (*peekEvent_)(void*, void*) = nullptr;
    int (*nextEvent_)(void*, void*) = nullptr;
    int ignored_ = -1;
    unsigned long window_ = 0;    // SDL's X window
    unsigned long userTime_ = 0;  // the _NET_WM_USER_TIME atom, 0 when the server has none yet
};

}  // namespace molfo
