// A rectangle of pixels: its top-left corner and its size.
#pragma once

namespace molfo {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

}  // namespace molfo
