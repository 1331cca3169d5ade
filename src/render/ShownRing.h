// The playfield as a display keeps it for the screen, in a buffer of its own
// whose rows form a ring: when the picture moves down, the ring's first row
// moves up instead of every pixel moving, and only the new top rows and the
// objects drawn after the move are written. The whole picture still goes to
// the screen (the screen's own copy moved), but from where it lies, copied
// once by whoever shows it. Scaled by whole multiples as it is written.
#pragma once

#include <cstddef>
#include <span>

#include "platform/PixelBuffer.h"
#include "platform/Rect.h"

namespace molfo {

class Surface;

class ShownRing {
public:
    // What holds the ring and shows it.
    class Sink {
    public:
        // A buffer of w x h pixels; `kept` says it is the one given last
        // time, its pixels as left. None when there can be none.
        virtual PixelBuffer Buffer(int w, int h, bool& kept) = 0;
        // Shows the buffer's rectangle `from` with its corner at (toX, toY)
        // of the screen.
        virtual void Send(const Rect& from, int toX, int toY) = 0;

    protected:
        ~Sink() = default;
    };

    // Takes a frame's changes: `area` of the frame lives in the ring,
    // scaled by `scale`, and the frame's (0, 0) lies at (ox, oy) of the
    // screen. The area is read through `picture`, its own surface with
    // (0, 0) at the area's corner (the frame's rows there may lie turned).
    // When `movedRows` is more than 0, the area moved down that many rows
    // since the frame taken before, and `changed` names what was drawn
    // after the move. Writes and sends what lies inside the area (all of
    // it, the first time or when any of this differs from last time) and
    // puts the parts outside it in `rest`, for the caller to show. Returns
    // false, with nothing kept, when the ring cannot be had or `rest` has
    // no room.
    bool Take(const Surface& picture, const Rect& area, int scale, int ox, int oy, std::span<const Rect> changed,
              int movedRows, Sink& sink, std::span<Rect> rest, size_t& restCount);
    // The screen's picture of the area no longer came from the ring: the
    // next frame fills it whole.
    void Lose() { live_ = false; }
    bool Live() const { return live_; }
    // The area the ring held last (frame pixels).
    const Rect& Area() const { return area_; }

private:
    // Writes `r` (frame pixels, inside the area) into the ring.
    void Write(const Surface& picture, const Rect& r, const PixelBuffer& ring) const;
    // Sends `r` (frame pixels, inside the area), in two pieces where its
    // rows wrap round the ring's end.
    void SendRows(const Rect& r, Sink& sink) const;

    bool live_ = false;
    Rect area_{};
    int scale_ = 0, ox_ = 0, oy_ = 0;
    int height_ = 0;  // the ring's rows
    int top_ = 0;     // the ring's row that holds the area's first
};

}  // namespace molfo
