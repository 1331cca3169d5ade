// Glyph drawing for the window's labels, the printed ranking lines and the
// dialogs: a Japanese proportional gothic found through fontconfig, drawn
// with SDL2_ttf into CPU surfaces (no window needed).
#pragma once

#include <cstdint>
#include <string>

#include "render/Surface.h"

namespace molfo {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

class TextRenderer {
public:
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // False when no font could be opened; drawing then does nothing.
    bool Ok() const;
    // The font file in use (for diagnostics).
    const std::string& FontPath() const;

    // Draws one line of UTF-8 text with its top-left at (x, y) in the given
    // pixel size and colour, clipped to `clip` (the whole surface when its
    // width is 0). Returns the width of the text in pixels.
    int Draw(Surface& dst, int x, int y, const std::string& utf8, uint32_t colour, int px, Rect clip = {});
    int Measure(const std::string& utf8, int px);
    int LineHeight(int px);

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace molfo
