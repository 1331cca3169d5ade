// Stamping only the part of a sprite's cell that changes anything gives the
// same picture as stamping the whole cell, and each cell is looked at once.
#include <gtest/gtest.h>

#include <cstdint>

#include "render/SpriteBounds.h"
#include "render/Surface.h"

namespace molfo {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// A sheet with one 6 x 5 cell at (0, 0): its picture at x 0..5, its mask
// at x 6..11, white picture and black mask round the sprite's pixels.
Surface SheetWith(std::initializer_list<Rect> sprite, int w = 12, int h = 5) {
    Surface s(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 6 && x < w; ++x) s.At(x, y) = kWhite;
    for (const Rect& r : sprite)
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x) {
                s.At(x, y) = static_cast<uint32_t>(0x102030 + 7 * x + 131 * y);
                if (x + 6 < w) s.At(x + 6, y) = kWhite;
            }
    return s;
}

// A playfield whose every pixel differs from its neighbours.
Surface Field() {
    Surface f(16, 12);
    for (int y = 0; y < f.Height(); ++y)
        for (int x = 0; x < f.Width(); ++x) f.At(x, y) = static_cast<uint32_t>(0x010101 * (x + 3) + 0x100 * y);
    return f;
}

TEST(RenderSpriteBounds, OnlyTheChangingPartIsStampedAndThePictureIsTheSame) {
    struct Case {
        const char* rule;
        Surface sheet;
        int maskX, picX, sy, w, h;
        Rect want;
        bool stamped = false;  // drawn from a stamp of its own
    } cases[] = {
        {"a margin all round", SheetWith({{2, 1, 2, 3}}), 6, 0, 0, 6, 5, {2, 1, 2, 3}, true},
        {"two pieces: the box round both", SheetWith({{0, 4, 1, 1}, {5, 0, 1, 1}}), 6, 0, 0, 6, 5, {0, 0, 6, 5},
         true},
        {"a transparent cell changes nothing", SheetWith({}), 6, 0, 0, 6, 5, {0, 0, 0, 0}},
        {"a mask pixel neither black nor white", [] {
             Surface s = SheetWith({{2, 1, 2, 3}});
             s.At(6 + 2, 2) = 0x808080;
             return s;
         }(), 6, 0, 0, 6, 5, {2, 1, 2, 3}},
        {"a sprite's colour with a top byte", [] {
             Surface s = SheetWith({{2, 1, 2, 3}});
             s.At(3, 3) = 0x01102030;
             return s;
         }(), 6, 0, 0, 6, 5, {2, 1, 2, 3}},
        {"a mask pixel alone changes its pixel", [] {
             Surface s = SheetWith({});
             s.At(6 + 3, 2) = 0x000100;
             return s;
         }(), 6, 0, 0, 6, 5, {3, 2, 1, 1}},
        {"a picture pixel alone changes its pixel", [] {
             Surface s = SheetWith({});
             s.At(1, 3) = 0xFFFFFE;
             return s;
         }(), 6, 0, 0, 6, 5, {1, 3, 1, 1}},
        {"the top byte is no colour", [] {
             Surface s = SheetWith({});
             s.At(1, 3) = 0xFFFFFFFF;
             return s;
         }(), 6, 0, 0, 6, 5, {0, 0, 0, 0}},
        // The mask's columns past the sheet's edge are not drawn.
        {"a cell cut by the sheet's edge", SheetWith({{4, 0, 2, 2}}, 10, 5), 6, 0, 0, 6, 5, {4, 0, 2, 2}},
        {"a cell above the sheet", SheetWith({{1, 0, 2, 2}}), 6, 0, -2, 6, 5, {1, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        const Rect part = ChangingPart(c.sheet, c.maskX, c.picX, c.sy, c.w, c.h);
        EXPECT_EQ(part, c.want) << c.rule;
        SpriteBounds bounds;
        const SpriteCell cell = bounds.Look(0, c.sheet, c.maskX, c.picX, c.sy, c.w, c.h);
        EXPECT_EQ(cell.part, part) << c.rule;
        EXPECT_EQ(cell.stamp != nullptr, c.stamped) << c.rule;
        // Everywhere on the playfield, partly off it too, the part stamped
        // gives the whole cell's picture.
        for (const auto& [dx, dy] : {std::pair{3, 2}, std::pair{-2, -1}, std::pair{12, 9}}) {
            Surface whole = Field(), cut = Field();
            MaskBlt(whole, dx, dy, c.w, c.h, c.sheet, c.maskX, c.picX, c.sy);
            MaskBlt(cut, dx + part.x, dy + part.y, part.w, part.h, c.sheet, c.maskX + part.x, c.picX + part.x,
                    c.sy + part.y);
            EXPECT_EQ(whole.Pixels(), cut.Pixels()) << c.rule << " at " << dx << "," << dy;
            if (cell.stamp != nullptr) {
                Surface stamped = Field();
                StampBlt(stamped, dx + part.x, dy + part.y, part.w, part.h, cell.stamp);
                EXPECT_EQ(whole.Pixels(), stamped.Pixels()) << c.rule << " stamped at " << dx << "," << dy;
            }
            // The hit flash ORs the mask alone: it changes no more.
            Surface flash = Field(), flashCut = Field();
            BitBlt(flash, dx, dy, c.w, c.h, c.sheet, c.maskX, c.sy, Rop::Or);
            BitBlt(flashCut, dx + part.x, dy + part.y, part.w, part.h, c.sheet, c.maskX + part.x, c.sy + part.y,
                   Rop::Or);
            EXPECT_EQ(flash.Pixels(), flashCut.Pixels()) << c.rule << " flashing at " << dx << "," << dy;
        }
    }
}

TEST(RenderSpriteBounds, EachCellIsLookedAtOncePerPictureOfItsSheet) {
    SpriteBounds bounds;
    Surface sheet = SheetWith({{2, 1, 2, 3}});
    const Surface other = SheetWith({{0, 0, 1, 1}});
    for (int frame = 0; frame < 50; ++frame) {
        EXPECT_EQ(bounds.Of(0, sheet, 6, 0, 0, 6, 5), (Rect{2, 1, 2, 3}));
        // Another sheet number with the same cell is another cell.
        EXPECT_EQ(bounds.Of(1, other, 6, 0, 0, 6, 5), (Rect{0, 0, 1, 1}));
    }
    EXPECT_EQ(bounds.Looks(), 2u);
    // The sheet drawn on (a stage's enemies loaded): looked at again.
    sheet.At(6 + 5, 4) = kWhite;
    EXPECT_EQ(bounds.Of(0, sheet, 6, 0, 0, 6, 5), (Rect{2, 1, 4, 4}));
    EXPECT_EQ(bounds.Looks(), 3u);
    // A sheet drawn on keeps its cells' stamps true to it.
    const SpriteCell cell = bounds.Look(0, sheet, 6, 0, 0, 6, 5);
    ASSERT_NE(cell.stamp, nullptr);
    Surface byMask = Field(), byStamp = Field();
    MaskBlt(byMask, 1, 1, 6, 5, sheet, 6, 0, 0);
    StampBlt(byStamp, 1 + cell.part.x, 1 + cell.part.y, cell.part.w, cell.part.h, cell.stamp);
    EXPECT_EQ(byMask.Pixels(), byStamp.Pixels());
    // More cells than the table holds are still answered right.
    for (int sy = 0; sy < 1500; ++sy) EXPECT_EQ(bounds.Of(2, sheet, 6, 0, sy - 2000, 6, 5), Rect{}) << sy;
}

TEST(RenderSpriteBounds, CellsPastTheStampsRoomAreDrawnFromTheirSheet) {
    // Cells of 500 x 400 (200,000 pixels): two fit the room, the third not.
    Surface sheet(1000, 400, 0);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 500; ++x) {
            const bool sprite = (x + y) % 3 != 0;
            sheet.At(x, y) = sprite ? static_cast<uint32_t>(0x010203 * (x % 50) + y) : kWhite;
            sheet.At(500 + x, y) = sprite ? kWhite : 0;
        }
    static_assert(3 * 500 * 400 > SpriteBounds::kStampPixels && 2 * 500 * 400 <= SpriteBounds::kStampPixels);
    SpriteBounds bounds;
    const int widths[] = {500, 499, 498};
    for (int i = 0; i < 3; ++i) {
        const SpriteCell cell = bounds.Look(0, sheet, 500, 0, 0, widths[i], 400);
        EXPECT_EQ(cell.stamp != nullptr, i < 2) << "cell " << i;
        Surface byMask(520, 420, 0x123456), drawn(520, 420, 0x123456);
        MaskBlt(byMask, 5, 7, widths[i], 400, sheet, 500, 0, 0);
        if (cell.stamp != nullptr)
            StampBlt(drawn, 5 + cell.part.x, 7 + cell.part.y, cell.part.w, cell.part.h, cell.stamp);
        else
            MaskBlt(drawn, 5 + cell.part.x, 7 + cell.part.y, cell.part.w, cell.part.h, sheet, 500 + cell.part.x,
                    cell.part.x, cell.part.y);
        EXPECT_EQ(byMask.Pixels(), drawn.Pixels()) << "cell " << i;
    }
}

}  // namespace
}  // namespace molfo
