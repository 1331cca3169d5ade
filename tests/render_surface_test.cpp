// Pictures that share pixels (a view and its host) and the whole-multiple
// copy into a window's buffer.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "render/Screen.h"
#include "render/Surface.h"
#include "render/Upscale.h"

namespace molfo {
namespace {

constexpr uint32_t kUntouched = 0xABCDEFu;

// A picture whose every pixel tells its place.
Surface Numbered(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.At(x, y) = static_cast<uint32_t>(y * 1000 + x);
    return s;
}

TEST(RenderUpscale, EachPixelBecomesABlockWrittenOnlyInsideTheBuffer) {
    struct Case { const char* rule; Rect r; int scale, ox, oy, outW, outH; Rect want; } cases[] = {
        {"1x: the rectangle as it is, at the origin", {2, 1, 3, 2}, 1, 4, 5, 20, 20, {6, 6, 3, 2}},
        {"2x: each pixel a 2 x 2 block", {0, 0, 6, 4}, 2, 0, 0, 20, 20, {0, 0, 12, 8}},
        {"3x: a part, offset", {1, 2, 2, 1}, 3, 1, 2, 30, 30, {4, 8, 6, 3}},
        {"a rectangle past the picture is cut to it", {4, 2, 9, 9}, 2, 0, 0, 20, 20, {8, 4, 4, 4}},
        {"only whole blocks inside the buffer", {0, 0, 6, 4}, 2, 1, 0, 10, 7, {1, 0, 8, 6}},
        {"a picture left of and above the buffer loses whole blocks", {0, 0, 6, 4}, 2, -3, -2, 20, 20, {1, 0, 8, 6}},
        {"nothing inside the buffer: nothing written", {0, 0, 6, 4}, 2, 30, 0, 20, 20, {0, 0, 0, 0}},
        {"scale 0 writes nothing", {0, 0, 6, 4}, 0, 0, 0, 20, 20, {0, 0, 0, 0}},
    };
    const Surface src = Numbered(6, 4);
    for (const Case& c : cases) {
        // A pitch wider than the buffer: rows must not run into each other.
        const int pitch = c.outW + 3;
        std::vector<uint32_t> px(static_cast<size_t>(pitch) * c.outH, kUntouched);
        const Rect got = CopyScaled(src, c.r, c.scale, PixelBuffer{px.data(), pitch, c.outW, c.outH}, c.ox, c.oy);
        EXPECT_EQ(got.x, c.want.x) << c.rule;
        EXPECT_EQ(got.y, c.want.y) << c.rule;
        EXPECT_EQ(got.w, c.want.w) << c.rule;
        EXPECT_EQ(got.h, c.want.h) << c.rule;
        int wrong = 0;
        for (int y = 0; y < c.outH; ++y)
            for (int x = 0; x < pitch; ++x) {
                const bool inside = x >= got.x && x < got.x + got.w && y >= got.y && y < got.y + got.h;
                const uint32_t want = inside ? src.At((x - c.ox) / c.scale, (y - c.oy) / c.scale) : kUntouched;
                wrong += px[static_cast<size_t>(y) * pitch + x] != want;
            }
        EXPECT_EQ(wrong, 0) << c.rule;
    }
}

TEST(RenderSurface, AViewDrawsOnItsHostAndItsCopiesOwnTheirPixels) {
    Surface host = Numbered(10, 8);
    const Surface before = host;
    Surface view;
    view.ViewInto(host, Rect{3, 2, 20, 4});
    ASSERT_TRUE(view.IsView());
    EXPECT_EQ(view.Width(), 7) << "a view is cut to its host";
    EXPECT_EQ(view.Height(), 4);
    EXPECT_EQ(view.At(0, 0), host.At(3, 2)) << "a view reads its host's pixels";

    view.Fill(1, 1, 2, 2, 7);
    EXPECT_EQ(host.At(4, 3), 7u) << "what is drawn on a view is on its host";
    EXPECT_EQ(host.At(6, 3), before.At(6, 3)) << "and nowhere else";

    Surface copy = view;
    EXPECT_FALSE(copy.IsView()) << "a copy of a view has pixels of its own";
    copy.Fill(0, 0, 1, 1, 9);
    EXPECT_EQ(host.At(3, 2), before.At(3, 2)) << "drawing on the copy leaves the host alone";

    // A picture of the view's size goes into the host; another size makes
    // the view a picture of its own.
    view = Surface(7, 4, 5);
    EXPECT_TRUE(view.IsView());
    EXPECT_EQ(host.At(9, 5), 5u);
    view = Surface(2, 2, 6);
    EXPECT_FALSE(view.IsView());
    EXPECT_EQ(host.At(9, 5), 5u) << "a view that stopped being one leaves its host as it was";
}

TEST(RenderSurface, AViewMovedDownByTurningReadsAsIfEveryRowHadMoved) {
    constexpr int kH = 6;
    const Rect area{2, 1, 6, kH};
    struct Case {
        const char* rule;
        std::vector<int> moves;
    } cases[] = {
        {"one row", {1}},
        {"two rows", {2}},
        {"one row three times", {1, 1, 1}},
        {"all but one row", {kH - 1}},
        {"past the end of the rows, in steps", {3, 4, 2}},
        {"every row", {kH}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        Surface host = Numbered(10, 9);
        const Surface was = host;
        Surface view;
        view.ViewInto(host, area);
        // What the view must show: the host's rows as moved by copying, each
        // move's new top rows painted with the move's own colour.
        std::vector<std::vector<uint32_t>> want(kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < area.w; ++x) want[y].push_back(was.At(area.x + x, area.y + y));
        uint32_t colour = 1;
        for (const int rows : c.moves) {
            view.MoveDown(rows, true);
            for (int y = kH - 1; y >= 0; --y)
                for (int x = 0; x < area.w; ++x) want[y][x] = y >= rows ? want[y - rows][x] : colour;
            view.Fill(0, 0, area.w, rows, colour++);
        }
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < area.w; ++x) ASSERT_EQ(view.At(x, y), want[y][x]) << "(" << x << ", " << y << ")";
        const Surface copy = view;
        for (int y = 0; y < kH; ++y) EXPECT_EQ(copy.At(1, y), want[y][1]) << "a copy of a turned view is in order";

        view.Straighten();
        EXPECT_EQ(view.Turn(), 0);
        int wrong = 0;
        for (int y = 0; y < host.Height(); ++y)
            for (int x = 0; x < host.Width(); ++x) {
                const bool inside = x >= area.x && x < area.x + area.w && y >= area.y && y < area.y + area.h;
                wrong += host.At(x, y) != (inside ? want[y - area.y][x - area.x] : was.At(x, y));
            }
        EXPECT_EQ(wrong, 0) << "straightened, the host holds the view's rows in order and the rest as it was";
    }

    // A copy from the host into its own turned view reads each pixel as the
    // view showed it before the copy.
    Surface host = Numbered(10, 9);
    Surface view;
    view.ViewInto(host, area);
    view.MoveDown(2, true);
    const Surface before = view;
    BitBlt(view, 0, 1, area.w, kH - 1, host, area.x, area.y, Rop::Copy);
    for (int y = 1; y < kH; ++y) EXPECT_EQ(view.At(3, y), before.At(3, y - 1)) << "row " << y;
}

TEST(RenderSurface, CopiesBetweenAViewAndItsHostReadEachPixelBeforeWritingIt) {
    // The view and its host overlap: a copy from the host into the view a
    // row and a column on must be the copy of the pixels as they were.
    struct Case { const char* rule; int dx, dy; } cases[] = {
        {"down and right", 1, 1},
        {"up and left", -1, -1},
        {"down only", 0, 2},
    };
    for (const Case& c : cases) {
        Surface host = Numbered(12, 10);
        const Surface was = host;
        Surface view;
        view.ViewInto(host, Rect{2 + c.dx, 2 + c.dy, 6, 5});
        BitBlt(view, 0, 0, 6, 5, host, 2, 2, Rop::Copy);
        int wrong = 0;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) wrong += host.At(2 + c.dx + x, 2 + c.dy + y) != was.At(2 + x, 2 + y);
        EXPECT_EQ(wrong, 0) << c.rule;
    }
}

TEST(RenderScreen, APlayfieldGivenAPictureOfItsOwnGoesBackIntoTheWindow) {
    test::TestGame t;
    Screen& w = t.g.scr;
    w.Compose();
    const int b = kPlayfieldBorder;
    const int x = kPlayfieldX + b, y = kPlayfieldY + b;
    // As the title and the end screens may: a whole picture put in its place.
    w.MainPic1 = Surface(kPlayfield, kPlayfield, Rgb(200, 10, 10));
    w.Compose();
    EXPECT_TRUE(w.MainPic1.IsView()) << "the playfield is a part of the window again";
    EXPECT_EQ(w.window.At(x + 7, y + 9), Rgb(200, 10, 10)) << "and shows the picture it was given";
    w.MainPic1.Fill(0, 0, 1, 1, Rgb(1, 2, 3));
    EXPECT_EQ(w.window.At(x, y), Rgb(1, 2, 3)) << "what is drawn on it next is drawn in the window";
}

}  // namespace
}  // namespace molfo
