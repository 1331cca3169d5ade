// The world every step takes: the frame's wait, the delays and their
// early ends, and Ransu's draws.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "TestSupport.h"

namespace molfo {
namespace {

TEST(FrameTiming, LongFrameReturnsAfterOnePumpAndShortFrameWaits) {
    test::TestGame t;
    // A frame whose steps took 40 ms: one pump, no wait.
    t.hp.clock.Set(1000);
    t.s.FrameStartTick = t.s.FrameNowTick = 1000;
    t.hp.clock.Set(1040);
    const uint64_t pumps = t.hp.events.pumps;
    FrameMachi(t.g, 15);
    EXPECT_EQ(t.hp.events.pumps - pumps, 1u) << "a frame over budget pumps events once";
    EXPECT_EQ(t.hp.clock.Ticks(), 1040u) << "a frame over budget does not wait";

    // A frame that took 4 ms waits until 15 whole ms have passed.
    t.s.FrameStartTick = t.s.FrameNowTick = 2000;
    t.hp.clock.Set(2004);
    FrameMachi(t.g, 15);
    EXPECT_EQ(t.hp.clock.Ticks(), 2015u) << "a frame never ends before 15 ms";

    // The tick counter wrapping round 2^32 does not disturb the wait.
    t.s.FrameStartTick = t.s.FrameNowTick = static_cast<int32_t>(0xFFFFFFF8u);
    t.hp.clock.Set(0xFFFFFFF8u);
    FrameMachi(t.g, 15);
    EXPECT_EQ(t.hp.clock.Ticks(), 7u) << "elapsed ticks are taken modulo 2^32";
}

TEST(Delay, EscapeOrCloseEndsTheWaitEarly) {
    struct Case { const char* what; bool escape; bool close; int16_t flagBefore; uint32_t maxWait; int16_t flagAfter; } cases[] = {
        {"Escape held ends the wait at the first poll", true, false, 0, 1, -1},
        {"a pending close request ends the wait", false, true, 0, 1, -1},
        {"nothing pressed: the full wait", false, false, 0, 2000, 0},
        {"after an earlier Escape the wait still runs its time", false, false, -1, 2000, -1},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.hp.clock.Set(5000);
        t.s.ShuryoFlag = c.flagBefore;
        if (c.escape) t.hp.keys.Hold(vk::Escape, true);
        if (c.close) t.hp.events.RequestClose();
        Delay(t.g, 2000);
        EXPECT_LE(t.hp.clock.Ticks() - 5000, c.maxWait) << c.what;
        EXPECT_GE(t.hp.clock.Ticks() - 5000, c.maxWait == 2000 ? 2000u : 0u) << c.what;
        EXPECT_EQ(t.s.ShuryoFlag, c.flagAfter) << c.what;
    }
}

// The pixels of one control's rectangle in a composed window.
std::vector<uint32_t> Region(const Surface& s, const Label& l) {
    std::vector<uint32_t> px;
    for (int y = l.y; y < l.y + l.h; ++y)
        for (int x = l.x; x < l.x + l.w; ++x) px.push_back(s.At(x, y));
    return px;
}

TEST(Delay, ShowsControlsChangedJustBeforeTheWait) {
    struct Case {
        const char* rule;
        Label Screen::*control;
        const char* caption;  // nullptr: left as it is
        int width;            // -1: left as it is
        bool shown;
    } cases[] = {
        {"a caption set before a wait shows during it", &Screen::MS, "Escキーでゲーム終了\r\nZキーで再スタート", -1, true},
        {"a bar resized before a wait shows during it", &Screen::HPL, nullptr, 10, true},
        {"a wait with no control changed shows nothing new", &Screen::MS, nullptr, -1, false},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        ShowFrame(t.g);
        const Surface before = t.g.scr.window;
        Surface shown;
        t.hp.display.onPresent = [&shown](const Surface& s) { shown = s; };
        const uint64_t presents = t.hp.display.presents;
        Label& l = t.g.scr.*c.control;
        const Label area = l;  // the control's rectangle before the change
        if (c.caption) l.caption = c.caption;
        if (c.width >= 0) l.w = c.width;
        Delay(t.g, 10);
        EXPECT_EQ(t.hp.display.presents - presents, c.shown ? 1u : 0u) << c.rule;
        if (c.shown) {
            ASSERT_FALSE(shown.Empty()) << c.rule;
            EXPECT_NE(Region(shown, area), Region(before, area)) << c.rule;
        }
    }
}

TEST(Ransu, StaysInRangeAndIsUniformWithinOneMillisecond) {
    test::TestGame t;
    t.hp.clock.Set(123456);  // the clock never moves: every reseed sees the same reading
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(Ransu(t.g, 1), 1) << "Ransu(1) is always 1";
    std::map<int, int> counts;
    int repeats = 0, previous = 0;
    const int draws = 40000;
    for (int i = 0; i < draws; ++i) {
        const int v = Ransu(t.g, 4);
        ASSERT_GE(v, 1) << "Ransu(4) never gives 0";
        ASSERT_LE(v, 4) << "Ransu(4) never gives 5";
        ++counts[v];
        if (v == previous) ++repeats;
        previous = v;
    }
    double chi2 = 0;
    for (int v = 1; v <= 4; ++v) {
        const double e = draws / 4.0;
        chi2 += (counts[v] - e) * (counts[v] - e) / e;
    }
    EXPECT_LT(chi2, 16.27) << "Ransu(4) is uniform (chi-square, 3 degrees of freedom, p = 0.001)";
    EXPECT_NEAR(repeats, draws / 4, draws / 20) << "draws within one millisecond do not repeat each other";
    for (int n : {2, 7, 483, 500})
        for (int i = 0; i < 2000; ++i) {
            const int v = Ransu(t.g, static_cast<int16_t>(n));
            ASSERT_TRUE(v >= 1 && v <= n) << "Ransu(" << n << ") stays in 1.." << n;
        }
}

}  // namespace
}  // namespace molfo
