// A rectangle of pixels: its top-left corner and its size, and the little
// geometry the window's pictures need.
#pragma once

#include <algorithm>
#include <array>

namespace molfo {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;

    bool operator==(const Rect&) const = default;
};

inline bool IsEmpty(const Rect& r) { return r.w <= 0 || r.h <= 0; }

inline Rect Intersect(const Rect& a, const Rect& b) {
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
    return Rect{x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

// `a` less `b`: up to four rectangles, above, below, left and right of b.
// Returns how many.
inline int Subtract(const Rect& a, const Rect& b, std::array<Rect, 4>& out) {
    const Rect overlap = Intersect(a, b);
    if (IsEmpty(overlap)) {
        out[0] = a;
        return IsEmpty(a) ? 0 : 1;
    }
    int n = 0;
    const Rect pieces[] = {
        {a.x, a.y, a.w, overlap.y - a.y},
        {a.x, overlap.y + overlap.h, a.w, a.y + a.h - (overlap.y + overlap.h)},
        {a.x, overlap.y, overlap.x - a.x, overlap.h},
        {overlap.x + overlap.w, overlap.y, a.x + a.w - (overlap.x + overlap.w), overlap.h},
    };
    for (const Rect& r : pieces)
        if (!IsEmpty(r)) out[n++] = r;
    return n;
}

}  // namespace molfo
