// Glyph drawing for the window's labels, the printed ranking lines and the
// dialogs: Japanese gothics from known font files, drawn with stb_truetype
// into CPU surfaces (no window needed, the same pixels on every platform).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Rect.h"
#include "render/Surface.h"

namespace molfo {

// One line of text rendered once as coverage (0 = none, 255 = full), so a
// caption that does not change can be drawn again without the font.
struct TextMask {
    int w = 0, h = 0;
    std::vector<uint8_t> alpha;
};

// Blends `colour` onto dst through the mask, its top-left at (x, y), clipped
// to `clip` (the whole surface when its width is 0).
void DrawTextMask(Surface& dst, int x, int y, const TextMask& mask, uint32_t colour, Rect clip = {});

class TextRenderer {
public:
    // Label: a proportional gothic, as the window's labels ask for. Fixed: a
    // gothic whose full-width characters are exactly two half-width ones, so
    // lines of a table padded by bytes keep their columns.
    enum class Face { Label, Fixed };

    // Finds the font of that face among the known font files on first use.
    explicit TextRenderer(Face face = Face::Label);
    // Uses this font file instead.
    explicit TextRenderer(std::string fontFile);
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

    // Renders one line into `out` (an empty mask when there is no font or
    // no text). Returns false when nothing could be rendered.
    bool RenderMask(TextMask& out, const std::string& utf8, int px);

    // Splits text into lines at "\r\n" (or a lone "\n"), then breaks every
    // line that is wider than `width` pixels; a width of 0 or less only
    // splits. Breaks fall after a space where one fits, else between
    // characters, as Japanese text has no spaces, but never before a small
    // kana, a long-vowel mark or closing punctuation, nor after an opening
    // bracket (the character before moves down with it).
    std::vector<std::string> Wrap(const std::string& utf8, int px, int width);

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace molfo
