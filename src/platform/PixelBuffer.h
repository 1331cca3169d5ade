// Pixels that are not a Surface's: a display's own buffer, which a picture
// may be drawn into or live in.
#pragma once

#include <cstdint>

namespace molfo {

// 0x00RRGGBB words, `pitch` words from one row's start to the next.
struct PixelBuffer {
    uint32_t* pixels = nullptr;
    int pitch = 0;
    int w = 0, h = 0;
};

}  // namespace molfo
