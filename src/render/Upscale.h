// The composed window into a bigger buffer of the same pixels (the real
// window's own, which X shares with us), each pixel a square block: scaling
// by a whole number, written once, a row at a time, with no scaled picture
// in between.
#pragma once

#include <cstdint>

#include "platform/PixelBuffer.h"
#include "platform/Rect.h"

namespace molfo {

class Surface;

// Copies rectangle `r` of `src` into `out`, scaled by `scale` (1 or more)
// with the picture's (0, 0) at (ox, oy) of `out`: each source pixel becomes
// a scale x scale block. Each source row is widened into the first row of
// its blocks, which is then copied into the others. Only whole blocks that
// lie inside `out` are written. Returns the rectangle of `out` written
// (empty when nothing was).
Rect CopyScaled(const Surface& src, const Rect& r, int scale, const PixelBuffer& out, int ox, int oy);

}  // namespace molfo
