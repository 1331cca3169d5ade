// The composed window into a bigger buffer of the same pixels (the real
// window's own, which X shares with us), each pixel a square block: scaling
// by a whole number, written once, a row at a time, with no scaled picture
// in between.
#pragma once

#include <cstdint>

#include "platform/Rect.h"

namespace molfo {

class Surface;

// Pixels that are not a Surface's: 0x00RRGGBB words, `pitch` words from one
// row's start to the next.
struct PixelBuffer {
    uint32_t* pixels = nullptr;
    int pitch = 0;
    int w = 0, h = 0;
};

// Copies rectangle `r` of `src` into `out`, scaled by `scale` (1 or more)
// with the picture's (0, 0) at (ox, oy) of `out`: each source pixel becomes
// a scale x scale block. Each source row is widened into the first row of
// its blocks, which is then copied into the others. Only whole blocks that
// lie inside `out` are written. Returns the rectangle of `out` written
// (empty when nothing was).
Rect CopyScaled(const Surface& src, const Rect& r, int scale, const PixelBuffer& out, int ox, int oy);

}  // namespace molfo
