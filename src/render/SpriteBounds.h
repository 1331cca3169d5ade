// The part of a sprite's cell that stamping it changes. A cell is drawn by
// its mask (white where the sprite is, OR-ed on) and its picture (white
// where it is not, AND-ed on): wherever the mask is black and the picture
// white, the playfield stays as it was. Most cells have such a margin
// round the insect or the shot, so drawing, wiping and showing only the
// rest touches a fraction of the pixels, with the same picture as a result.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Rect.h"

namespace molfo {

class Surface;

// The smallest rectangle of the w x h cell (its own coordinates) outside
// which stamping it changes no pixel: the cell's picture at (picX, sy) of
// `sheet`, its mask at (maskX, sy). Parts of either outside the sheet are
// not drawn, so they change nothing. Empty when nothing changes.
Rect ChangingPart(const Surface& sheet, int maskX, int picX, int sy, int w, int h);

// ChangingPart for the cells a game draws, each looked at once per picture
// of its sheet: a frame asks for dozens, and looking costs a pass over the
// cell. Never allocates.
class SpriteBounds {
public:
    // `sheetNo` tells the sheets apart; `sheet` is asked for its version,
    // so a sheet loaded again is looked at again.
    Rect Of(int sheetNo, const Surface& sheet, int maskX, int picX, int sy, int w, int h);
    // Cells looked at since made (a test's measure of the caching).
    uint64_t Looks() const { return looks_; }

private:
    struct Entry {
        bool used = false;
        int sheetNo = 0, maskX = 0, picX = 0, sy = 0, w = 0, h = 0;
        uint64_t version = 0;
        Rect part{};
    };
    // Far more than the cells of the five sheets; a full table looks at
    // each cell again rather than forgetting one.
    static constexpr size_t kEntries = 1024;
    std::array<Entry, kEntries> table_{};
    uint64_t looks_ = 0;
};

}  // namespace molfo
