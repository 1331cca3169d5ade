// A window's picture living in a display's buffer: drawn there, it must be
// the picture drawn in memory of its own, whatever the display does to the
// place it lends (moves it, takes it back, lends none for a while).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "replay/StateHash.h"
#include "game/Flow.h"

namespace molfo {
namespace {

constexpr uint32_t kJunk = 0xDEADBEu;

// Every pixel of two pictures of one size equal.
bool SamePixels(const Surface& a, const Surface& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        if (!std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y))) return false;
    return true;
}

TEST(Lodging, ASurfaceKeepsItsPixelsInAndOutOfALentBuffer) {
    constexpr int kPitch = 9;
    std::vector<uint32_t> lent(static_cast<size_t>(kPitch) * 6, kJunk);
    Surface s(5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) s.At(x, y) = static_cast<uint32_t>(0x10 * y + x + 1);
    const Surface before = s;

    s.LodgeIn(lent.data() + kPitch + 2, kPitch);
    ASSERT_TRUE(s.Lodged());
    EXPECT_TRUE(SamePixels(s, before));
    EXPECT_EQ(lent[kPitch + 2], before.At(0, 0)) << "the pixels live in the lent buffer";
    EXPECT_EQ(lent[2 * kPitch + 6], before.At(4, 1));
    EXPECT_EQ(lent[kPitch + 1], kJunk) << "nothing is written beside the picture";
    EXPECT_EQ(lent[kPitch + 7], kJunk);

    s.At(3, 2) = 0xABCDEFu;  // drawn on the surface: in the buffer
    EXPECT_EQ(lent[3 * kPitch + 5], 0xABCDEFu);
    Surface view;
    view.ViewInto(s, Rect{1, 1, 2, 2});
    view.At(0, 0) = 0x123456u;
    EXPECT_EQ(lent[2 * kPitch + 3], 0x123456u) << "a view made after lodging draws in the buffer";

    const Surface copy = s;  // a copy owns its pixels
    Surface moved = std::move(s);
    std::fill(lent.begin(), lent.end(), kJunk);
    EXPECT_FALSE(copy.Lodged());
    EXPECT_FALSE(moved.Lodged()) << "a moved surface cannot take the lender's buffer with it";
    EXPECT_EQ(copy.At(3, 2), 0xABCDEFu);
    EXPECT_EQ(moved.At(1, 1), 0x123456u);

    Surface back = before;
    back.LodgeIn(lent.data(), kPitch);
    back.At(0, 0) = 0x777777u;
    back.Leave();
    std::fill(lent.begin(), lent.end(), kJunk);
    EXPECT_FALSE(back.Lodged());
    EXPECT_EQ(back.At(0, 0), 0x777777u) << "leaving takes the pixels as they stand";
    EXPECT_EQ(back.At(4, 3), before.At(4, 3));

    Surface tooNarrow = before;
    tooNarrow.LodgeIn(lent.data(), 3);
    EXPECT_FALSE(tooNarrow.Lodged()) << "rows of the buffer narrower than the picture's";
    view.LodgeIn(lent.data(), kPitch);
    EXPECT_FALSE(view.Lodged()) << "a view has no pixels of its own to move";
}

// A display's buffer larger than the window, the picture in it at an
// offset, as a real window's buffer holds it among black bars.
struct LentBuffer {
    static constexpr int kPitch = kWindowWidth + 31;
    static constexpr int kRows = kWindowHeight + 17;
    std::vector<uint32_t> words = std::vector<uint32_t>(static_cast<size_t>(kPitch) * kRows, kJunk);
    int x = 7, y = 3;
    bool lending = true;
    Lodger* lodger = nullptr;

    PixelBuffer Lend(int w, int h, Lodger& l) {
        if (!lending || w > kPitch - x || h > kRows - y) return {};
        lodger = &l;
        return PixelBuffer{words.data() + static_cast<size_t>(y) * kPitch + x, kPitch, w, h};
    }
    // What a new window size does: the lodger leaves, the old buffer is
    // freed (here: overwritten), and the next place lies elsewhere.
    void Replace(int nx, int ny) {
        if (lodger != nullptr) lodger->LeaveLodging();
        lodger = nullptr;
        std::fill(words.begin(), words.end(), kJunk);
        x = nx;
        y = ny;
    }
    bool Shows(const Surface& s) const {
        for (int r = 0; r < s.Height(); ++r)
            if (!std::equal(s.Row(r), s.Row(r) + s.Width(), words.data() + static_cast<size_t>(y + r) * kPitch + x))
                return false;
        return true;
    }
};

TEST(Lodging, AGameDrawnInALentBufferShowsWhatItDrawsInItsOwn) {
    test::TestGame own, lodged;
    LentBuffer lent;
    lodged.hp.display.lend = [&lent](int w, int h, Lodger& l) { return lent.Lend(w, h, l); };
    for (test::TestGame* t : {&own, &lodged}) {
        test::GivePictures(t->g.scr);
        t->NewGame();
    }
    struct Step {
        int frame;
        const char* what;
    };
    // frame: what the display does before that frame
    const Step steps[] = {{40, "a new window size"}, {70, "no place lent (another picture shown)"},
                          {85, "a place lent again"}, {120, "a new window size again"}};
    size_t next = 0;
    for (int frame = 0; frame < 160; ++frame) {
        const char* what = "the frame before";
        if (next < std::size(steps) && steps[next].frame == frame) {
            what = steps[next].what;
            switch (next) {
                case 0: lent.Replace(20, 11); break;
                case 1: lent.lending = false; break;
                case 2: lent.lending = true; break;
                case 3: lent.Replace(0, 0); break;
            }
            ++next;
        }
        for (test::TestGame* t : {&own, &lodged}) {
            SutejiShinkou(t->g);
            PlaySteps(t->g);
            ShowFrame(t->g);
        }
        ASSERT_TRUE(SamePixels(lodged.g.scr.window, own.g.scr.window)) << "frame " << frame << " after " << what;
        ASSERT_EQ(StateHash(lodged.g), StateHash(own.g)) << "frame " << frame;
        ASSERT_EQ(lodged.g.scr.window.Lodged(), lent.lending) << "frame " << frame << " after " << what;
        if (lent.lending) {
            EXPECT_TRUE(lent.Shows(own.g.scr.window)) << "frame " << frame << " after " << what;
        }
    }
    EXPECT_FALSE(own.g.scr.window.Lodged());
}

}  // namespace
}  // namespace molfo
