// When a frame is shown: frames that change little wait for the time the
// slowest recent kind needed, so that the X server takes them evenly.
#include <gtest/gtest.h>

#include "platform/sdl/HandPacer.h"

namespace molfo {
namespace {

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kWhole = 500 * 493;  // a frame whose background moved
constexpr int64_t kSprites = 3000;     // one in which only sprites moved

// Frames 15 ms apart, each ready `work` after it began and taking `show` to
// be shown: the kinds alternate, as in play.
HandPacer Taught(int frames, int64_t work, int64_t wholeShow, int64_t spritesShow) {
    HandPacer p;
    int64_t began = 1000 * kMs;
    for (int i = 0; i < frames; ++i, began += 15 * kMs) {
        const bool whole = i % 2 == 0;
        const int64_t ready = began + work;
        p.Took(began, ready, ready, ready + (whole ? wholeShow : spritesShow), whole ? kWhole : kSprites);
    }
    return p;
}

TEST(HandPacer, AQuickFrameWaitsForTheSlowKindAndNoFrameWaitsLongerThanItMust) {
    const int64_t began = 5000 * kMs, ready = began + kMs / 5;
    const HandPacer taught = Taught(20, kMs / 5, 3 * kMs / 2, kMs / 10);
    struct Case { const char* rule; const HandPacer& p; int64_t began, ready, pixels, want; } cases[] = {
        {"a quick frame is shown so that it is taken when a slow one would be", taught, began, ready, kSprites,
         began + kMs / 5 + 3 * kMs / 2 - kMs / 10},
        {"the slowest kind is shown at once", taught, began, ready, kWhole, ready},
        {"a wait shorter than a wake-up costs is not taken", taught, began, began + 31 * kMs / 20, kSprites,
         began + 31 * kMs / 20},
        {"a kind never seen is shown at once", taught, began, ready, 40, ready},
        {"with nothing learnt, at once", HandPacer{}, began, ready, kSprites, ready},
        {"a frame whose start is unknown is shown at once", taught, 0, ready, kSprites, ready},
        {"a frame that began more than a frame ago is shown at once", taught, ready - 20 * kMs, ready, kSprites,
         ready},
    };
    for (const Case& c : cases) EXPECT_EQ(c.p.StartAt(c.began, c.ready, c.pixels), c.want) << c.rule;

    // A slow kind seen long ago no longer holds the quick frames back.
    HandPacer p = Taught(20, kMs / 5, 3 * kMs / 2, kMs / 10);
    int64_t b = 9000 * kMs;
    for (int i = 0; i < 40; ++i, b += 15 * kMs) p.Took(b, b + kMs / 5, b + kMs / 5, b + kMs / 5 + kMs / 10, kSprites);
    EXPECT_EQ(p.StartAt(b, b + kMs / 5, kSprites), b + kMs / 5) << "only sprites for a while: shown at once";

    // However slow the X server was, a frame waits at most a few ms.
    const HandPacer slow = Taught(20, kMs / 5, 40 * kMs, kMs / 10);
    EXPECT_LE(slow.StartAt(began, ready, kSprites), ready + 3 * kMs) << "the wait is bounded";
}

}  // namespace
}  // namespace molfo

namespace molfo {
namespace {

TEST(HandPacer, AQuickFrameBeginsLaterSoThatItNeedNotWaitAgain) {
    const int64_t work = kMs / 5, wholeShow = 3 * kMs / 2, spritesShow = kMs / 10;
    // The last frame moved the background: a frame of sprites comes next.
    const HandPacer afterWhole = Taught(21, work, wholeShow, spritesShow);
    const HandPacer afterSprites = Taught(20, work, wholeShow, spritesShow);
    const int64_t lastTook = 1000 * kMs + 20 * 15 * kMs + work + wholeShow;
    const int64_t later = afterWhole.WakeLater(lastTook + 14 * kMs);
    struct Case { const char* rule; int64_t got, low, high; } cases[] = {
        {"a quick frame next: it begins about as late as it would have waited", later,
         wholeShow - spritesShow - kMs / 10, wholeShow - spritesShow},
        {"a slow frame next: at its tick", afterSprites.WakeLater(lastTook), 0, 0},
        {"nothing shown lately: at its tick", afterWhole.WakeLater(lastTook + 40 * kMs), 0, 0},
        {"nothing learnt: at its tick", HandPacer{}.WakeLater(lastTook), 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_GE(c.got, c.low) << c.rule;
        EXPECT_LE(c.got, c.high) << c.rule;
    }
    // Begun that much later, with its usual work done, it is shown at once:
    // one wake-up, not two; and when X takes it, as a slow frame would be.
    const int64_t tick = lastTook + 14 * kMs, ready = tick + later + work;
    EXPECT_EQ(afterWhole.StartAt(tick, ready, kSprites), ready);
    EXPECT_NEAR(static_cast<double>(ready + spritesShow - tick), static_cast<double>(work + wholeShow),
                static_cast<double>(kMs / 10));
    // Begun at its tick, it waits as before.
    EXPECT_EQ(afterWhole.StartAt(tick, tick + work, kSprites), tick + work + wholeShow - spritesShow);
}

}  // namespace
}  // namespace molfo

namespace molfo {
namespace {

TEST(HandPacer, EachKindIsMeasuredNowAndThenAndFramesPassedUnmeasuredStillCount) {
    const int64_t work = kMs / 5, wholeShow = 3 * kMs / 2, spritesShow = kMs / 10;
    HandPacer p = Taught(20, work, wholeShow, spritesShow);
    EXPECT_FALSE(p.Measures(kWhole)) << "just measured";
    EXPECT_TRUE(p.Measures(40)) << "a kind never measured is measured at once";

    // Play goes on with frames handed without waiting: each kind is
    // measured again within a few frames, never every frame.
    int64_t began = 2000 * kMs;
    int measured = 0, frames = 0, longestGap = 0, gap[2] = {0, 0};
    for (int i = 0; i < 63; ++i, began += 15 * kMs, ++frames) {
        const bool whole = i % 2 == 0;
        const int64_t pixels = whole ? kWhole : kSprites, ready = began + work;
        if (p.Measures(pixels)) {
            p.Took(began, ready, ready, ready + (whole ? wholeShow : spritesShow), pixels);
            ++measured;
            gap[whole] = 0;
        } else {
            p.Passed(pixels, ready);
            longestGap = std::max(longestGap, ++gap[whole]);
        }
    }
    EXPECT_GE(measured, frames / 10) << "each kind keeps being measured";
    EXPECT_LE(measured, frames / 3) << "most frames go without waiting";
    EXPECT_LE(longestGap, 8) << "no kind goes long unmeasured";

    // Frames passed unmeasured still count as seen: the slow kind keeps
    // holding the quick ones back, and the quick frame next (the last was
    // slow) still begins later.
    EXPECT_EQ(p.StartAt(began, began + work, kSprites), began + work + wholeShow - spritesShow);
    EXPECT_GT(p.WakeLater(began), 0) << "a quick frame comes next";
    // Only quick frames for a while, passed or measured: nothing waits.
    for (int i = 0; i < 40; ++i, began += 15 * kMs) {
        const int64_t ready = began + work;
        if (p.Measures(kSprites))
            p.Took(began, ready, ready, ready + spritesShow, kSprites);
        else
            p.Passed(kSprites, ready);
    }
    EXPECT_EQ(p.StartAt(began, began + work, kSprites), began + work);
}

}  // namespace
}  // namespace molfo

namespace molfo {
namespace {

// What a kind costs follows what it costs now: a measure far off the rest,
// whether the first (play begins with cold caches) or one among many (a
// busy moment), moves nothing for long.
TEST(HandPacer, AMeasureFarOffTheRestHoldsNoFrameBack) {
    const int64_t work = kMs / 5, wholeShow = 3 * kMs / 2, spritesShow = kMs / 10;
    const int64_t settled = work + wholeShow - spritesShow;  // a quick frame's wait, from its start
    struct Case {
        const char* rule;
        int slowAt;  // which whole frame took 8 ms to show
        int frames;
    } cases[] = {
        {"the first frame slow, three of each kind after", 0, 7},
        {"the first frame slow, many after", 0, 40},
        {"one slow frame amid play", 20, 24},
        {"one slow frame, just after it", 20, 22},
    };
    for (const Case& c : cases) {
        HandPacer p;
        int64_t began = 1000 * kMs;
        for (int i = 0; i < c.frames; ++i, began += 15 * kMs) {
            const bool whole = i % 2 == 0;
            const int64_t ready = began + work;
            const int64_t show = whole ? (i == c.slowAt ? 8 * kMs : wholeShow) : spritesShow;
            p.Took(began, ready, ready, ready + show, whole ? kWhole : kSprites);
        }
        EXPECT_EQ(p.StartAt(began, began + work, kSprites), began + settled) << c.rule;
    }
}

}  // namespace
}  // namespace molfo
