// The playfield's ring (render/ShownRing) in memory the X server shares
// with us, shown by MIT-SHM requests of our own on SDL's window, so that a
// picture whose rows lie in a ring reaches the screen without being copied
// into order first. Only for a window of SDL's X11 back end on a local X
// server with 24-bit colour in 32-bit pixels; anywhere else Open gives
// none and SDL's own path stands. Xlib is SDL's: it is looked up in the
// libraries SDL loaded, never linked.
#pragma once

#include <memory>

#include "render/ShownRing.h"

struct SDL_Window;

namespace molfo {

class X11Shm final : public ShownRing::Sink {
public:
    static std::unique_ptr<X11Shm> Open(SDL_Window* window);
    ~X11Shm();
    X11Shm(const X11Shm&) = delete;
    X11Shm& operator=(const X11Shm&) = delete;

    // Before handing out the buffer, makes sure the X server has taken
    // what was shown from it last (see Post).
    PixelBuffer Buffer(int w, int h, bool& kept) override;
    // The last request of a frame is held until the frame is shown by one
    // of the three below, which decide how it goes.
    void Send(const Rect& from, int toX, int toY) override;
    // Sends what was queued and waits until the X server has taken it, so
    // the buffer may be written again.
    void Sync();
    // Sends what was queued without waiting: the X server says when it has
    // taken it, an event read with the next look at the connection, and
    // the buffer is not written again before that (Buffer). A frame costs
    // no round trip, and no wake-up for the answer.
    void Post();
    // Queues what is held behind the caller's own request that waits for
    // the X server (SDL's update of the rest of the window).
    void Queue();
    // The type of the event by which the X server says it took what was
    // posted, which is nobody else's to handle; -1 without one.
    int TakenEventType() const;
    // A buffer could not be had (the server refused our memory): none is
    // tried again, and the window shows its pictures without the ring.
    bool Broken() const;

    struct State;  // Xlib's functions and objects, in X11Shm.cpp

private:
    explicit X11Shm(std::unique_ptr<State> s);
    void Free();
    // Sends the held request, asking the X server to say when it has taken
    // it when `tell`.
    void SendHeld(bool tell);
    // True when the X server has taken everything posted.
    bool Taken() const;

    std::unique_ptr<State> s_;
};

}  // namespace molfo
