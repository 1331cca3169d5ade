// The part of a sprite's cell that stamping it changes. A cell is drawn by
// its mask (white where the sprite is, OR-ed on) and its picture (white
// where it is not, AND-ed on): wherever the mask is black and the picture
// white, the playfield stays as it was. Most cells have such a margin
// round the insect or the shot, so drawing, wiping and showing only the
// rest touches a fraction of the pixels, with the same picture as a result.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/Rect.h"

namespace molfo {

class Surface;

// The smallest rectangle of the w x h cell (its own coordinates) outside
// which stamping it changes no pixel: the cell's picture at (picX, sy) of
// `sheet`, its mask at (maskX, sy). Parts of either outside the sheet are
// not drawn, so they change nothing. Empty when nothing changes.
Rect ChangingPart(const Surface& sheet, int maskX, int picX, int sy, int w, int h);

// A cell as a frame stamps it: the part that changes the playfield and,
// where every pixel of that part either leaves the playfield as it is or
// puts the picture's colour there (every cell the game draws), the part as
// one picture of its own, rows packed: the colour, or kLeave. Stamping
// that reads one stream of a few cache lines where the mask and the
// picture are two, each row of them on lines of its own.
struct SpriteCell {
    Rect part{};
    const uint32_t* stamp = nullptr;  // part.w x part.h; none for other cells
};

// ChangingPart for the cells a game draws, each looked at once per picture
// of its sheet: a frame asks for dozens, and looking costs a pass over the
// cell. Never allocates after it is made.
class SpriteBounds {
public:
    SpriteBounds();
    // `sheetNo` tells the sheets apart; `sheet` is asked for its version,
    // so a sheet loaded again is looked at again.
    Rect Of(int sheetNo, const Surface& sheet, int maskX, int picX, int sy, int w, int h) {
        return Look(sheetNo, sheet, maskX, picX, sy, w, h).part;
    }
    SpriteCell Look(int sheetNo, const Surface& sheet, int maskX, int picX, int sy, int w, int h);
    // Cells looked at since made (a test's measure of the caching).
    uint64_t Looks() const { return looks_; }

    // Room for stamps, in pixels: the cells of a stage's sheets many times
    // over. Past it, cells are drawn from their sheet.
    static constexpr size_t kStampPixels = 512 * 1024;

private:
    struct Entry {
        bool used = false;
        int sheetNo = 0, maskX = 0, picX = 0, sy = 0, w = 0, h = 0;
        uint64_t version = 0;
        Rect part{};
        size_t stampAt = kNoStamp;  // in stamps_
        size_t stampRoom = 0;       // pixels kept for it there
    };
    static constexpr size_t kNoStamp = SIZE_MAX;
    // Looks at the cell again into `e`, its stamp where its old room holds it.
    void Fill(Entry& e, const Surface& sheet);
    // Far more than the cells of the five sheets; a full table looks at
    // each cell again rather than forgetting one.
    static constexpr size_t kEntries = 1024;
    std::array<Entry, kEntries> table_{};
    uint64_t looks_ = 0;
    // Pages of the room are touched, and so take memory, only as stamps
    // are made.
    std::unique_ptr<uint32_t[]> stamps_;
    size_t stampsUsed_ = 0;
};

// The playfield stays as it is where a stamp holds this.
inline constexpr uint32_t kLeave = 0xFF000000;

// Stamps the w x h stamp (rows of w pixels) onto dst at (dx, dy), cut to
// dst: what MaskBlt of its cell does.
void StampBlt(Surface& dst, int dx, int dy, int w, int h, const uint32_t* stamp);

}  // namespace molfo
