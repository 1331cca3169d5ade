#include "render/ShownRing.h"

#include <array>

#include "render/Surface.h"
#include "render/Upscale.h"

namespace molfo {

bool ShownRing::Take(const Surface& picture, const Rect& area, int scale, int ox, int oy,
                     std::span<const Rect> changed, int movedRows, Sink& sink, std::span<Rect> rest,
                     size_t& restCount) {
    restCount = 0;
    const Rect inFrame = Intersect(area, Rect{area.x, area.y, picture.Width(), picture.Height()});
    bool kept = false;
    const PixelBuffer ring =
        scale >= 1 && !IsEmpty(inFrame) ? sink.Buffer(inFrame.w * scale, inFrame.h * scale, kept) : PixelBuffer{};
    if (ring.pixels == nullptr) {
        live_ = false;
        return false;
    }
    const bool same = live_ && kept && inFrame == area_ && scale == scale_ && ox == ox_ && oy == oy_;
    area_ = inFrame;
    scale_ = scale;
    ox_ = ox;
    oy_ = oy;
    height_ = ring.h;
    if (!same) {
        top_ = 0;
        Write(picture, area_, ring);
    } else if (movedRows > 0) {
        top_ = ((top_ - movedRows * scale_) % height_ + height_) % height_;
    }
    // A moved picture moved on the screen too: all of it goes there.
    const bool sendAll = !same || movedRows > 0;
    for (const Rect& r : changed) {
        const Rect in = Intersect(r, area_);
        if (!IsEmpty(in)) {
            if (same) Write(picture, in, ring);
            if (!sendAll) SendRows(in, sink);
        }
        std::array<Rect, 4> outside;
        const int n = Subtract(r, area_, outside);
        if (restCount + static_cast<size_t>(n) > rest.size()) {
            live_ = false;
            return false;
        }
        for (int i = 0; i < n; ++i) rest[restCount++] = outside[i];
    }
    if (sendAll) SendRows(area_, sink);
    live_ = true;
    return true;
}

void ShownRing::Write(const Surface& picture, const Rect& r, const PixelBuffer& ring) const {
    // Picture row y goes to ring row top_ + y * scale, round the ring's
    // end: the rows before the end with one origin, those past it with
    // the origin a ring higher. Each call writes only its rows.
    const Rect in{r.x - area_.x, r.y - area_.y, r.w, r.h};
    CopyScaled(picture, in, scale_, ring, 0, top_);
    if (top_ > 0) CopyScaled(picture, in, scale_, ring, 0, top_ - height_);
}

void ShownRing::SendRows(const Rect& r, Sink& sink) const {
    const int from = (top_ + (r.y - area_.y) * scale_) % height_;
    const int rows = r.h * scale_, x = (r.x - area_.x) * scale_, w = r.w * scale_;
    const int toX = ox_ + r.x * scale_, toY = oy_ + r.y * scale_;
    const int first = std::min(rows, height_ - from);
    sink.Send(Rect{x, from, w, first}, toX, toY);
    if (first < rows) sink.Send(Rect{x, 0, w, rows - first}, toX, toY + first);
}

}  // namespace molfo
