#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "TestSupport.h"
#include "player/Player.h"

namespace molfo {
namespace {

constexpr int16_t kMolfo = slot::Molfo;

// A new stage-1 game with every object but the player and its shot
// templates gone, so the frames below see only the player's own steps.
struct Play : test::TestGame {
    Play() {
        NewGame();
        for (int16_t k = slot::MolfoSFirst; k <= slot::Max; ++k) s.KyaraSonzai[k] = 0;
    }
    void Hold(std::initializer_list<int> keys) {
        hp.keys.ReleaseAll();
        for (int k : keys) hp.keys.Hold(k, true);
    }
    void Frame() {
        MolfoUgoki(g);
        MolfoDan(g);
    }
    // Frees every shot slot (as if the first two frames had passed).
    void FreeShots() {
        for (int16_t k = slot::MolfoDanFirst; k <= slot::MolfoDanLast; ++k) s.KyaraSonzai[k] = 0;
    }
    int LiveShots() const {
        int n = 0;
        for (int16_t k = slot::MolfoDanFirst; k <= slot::MolfoDanLast; ++k) n += s.KyaraSonzai[k];
        return n;
    }
};

TEST(MolfoUgoki, ArrowKeysMoveFivePixelsAFrameOnEachAxis) {
    struct Case {
        const char* what;
        std::initializer_list<int> keys;
        int dx, dy;
    } cases[] = {
        {"right", {vk::Right}, 5, 0},
        {"left", {vk::Left}, -5, 0},
        {"up", {vk::Up}, 0, -5},
        {"down", {vk::Down}, 0, 5},
        {"down-right, unscaled", {vk::Down, vk::Right}, 5, 5},
        {"up-left, unscaled", {vk::Up, vk::Left}, -5, -5},
        {"left and right cancel", {vk::Left, vk::Right}, 0, 0},
        {"up and down cancel", {vk::Up, vk::Down, vk::Right}, 5, 0},
        {"all four cancel", {vk::Up, vk::Down, vk::Left, vk::Right}, 0, 0},
    };
    for (const auto& c : cases) {
        Play p;
        p.Hold(c.keys);
        for (int i = 1; i <= 3; ++i) {
            MolfoUgoki(p.g);
            EXPECT_EQ(p.s.KyaraX[kMolfo], 225 + i * c.dx) << c.what << ", frame " << i << ": the player's speed is 5";
            EXPECT_EQ(p.s.KyaraY[kMolfo], 400 + i * c.dy) << c.what << ", frame " << i << ": the player's speed is 5";
        }
        const bool moved = c.dx != 0 || c.dy != 0;
        EXPECT_EQ(p.s.ChousaMap.at(225 + 3 * c.dx + 20, 400 + 3 * c.dy + 15), moved ? kMolfo : 0)
            << c.what << ": the player's outline enters the grid only with a move";
    }
}

TEST(MolfoUgoki, BorderRefusesTheWholeMove) {
    Play p;
    p.s.KyaraX[kMolfo] = -20;
    p.s.KyaraY[kMolfo] = 200;
    p.Hold({vk::Up, vk::Left});
    for (int i = 0; i < 3; ++i) p.Frame();
    EXPECT_EQ(p.s.KyaraX[kMolfo], -20) << "a diagonal into the left border is refused";
    EXPECT_EQ(p.s.KyaraY[kMolfo], 200) << "a refused diagonal does not slide along the wall";
    p.Hold({vk::Up});
    p.Frame();
    EXPECT_EQ(p.s.KyaraY[kMolfo], 195) << "releasing Left lets the player move up";

    struct Case {
        const char* what;
        int key;
        int16_t x, y;
    } limits[] = {
        {"left limit", vk::Left, -20, 400}, {"right limit", vk::Right, 470, 400},
        {"top limit", vk::Up, 225, -15},    {"bottom limit", vk::Down, 225, 465},
    };
    for (const auto& c : limits) {
        Play q;
        q.Hold({c.key});
        for (int i = 0; i < 120; ++i) MolfoUgoki(q.g);
        EXPECT_EQ(q.s.KyaraX[kMolfo], c.x) << c.what << ": the hit box stops at the playfield's edge";
        EXPECT_EQ(q.s.KyaraY[kMolfo], c.y) << c.what << ": the hit box stops at the playfield's edge";
    }
}

TEST(MolfoDan, HoldingZFiresOneShotAFrameFromTheTopCentre) {
    Play p;
    p.Hold({vk::Z});
    p.Frame();
    EXPECT_EQ(p.LiveShots(), 31) << "frame 1: every shot template is still live, so nothing is fired";
    for (int16_t k = slot::MolfoDanFirst; k <= slot::MolfoDanLast; ++k)
        ASSERT_EQ(p.s.KyaraY[k], -6) << "frame 1: the templates fly up 6 from the corner";
    p.Frame();
    EXPECT_EQ(p.LiveShots(), 0) << "frame 2: the templates reach the border band and end, none fired";

    p.Frame();
    EXPECT_EQ(p.LiveShots(), 1) << "frame 3: the first shot";
    EXPECT_EQ(p.s.KyaraX[slot::MolfoDanFirst], 240) << "a shot starts at the player's horizontal centre";
    EXPECT_EQ(p.s.KyaraY[slot::MolfoDanFirst], 394) << "a shot starts at the player's top and moves 6 up at once";
    p.Frame();
    EXPECT_EQ(p.LiveShots(), 2) << "frame 4: one more shot";
    EXPECT_EQ(p.s.KyaraY[slot::MolfoDanFirst], 388) << "shots fly 6 pixels a frame";
    EXPECT_EQ(p.s.KyaraY[slot::MolfoDanFirst + 1], 394) << "the next shot takes the next free slot";

    Play both;
    both.FreeShots();
    both.Hold({vk::Z, vk::Space});
    both.Frame();
    both.Frame();
    EXPECT_EQ(both.LiveShots(), 2) << "Z and Space together still fire one shot a frame";
}

TEST(MolfoDan, ShotSlotsAreReusedLowestFirst) {
    Play p;
    for (int16_t k = slot::MolfoDanFirst; k <= slot::MolfoDanLast; ++k) {
        p.s.KyaraX[k] = static_cast<int16_t>(10 * (k - slot::MolfoDanFirst));
        p.s.KyaraY[k] = 300;
    }
    p.Hold({vk::Space});
    p.Frame();
    for (int16_t k = slot::MolfoDanFirst; k <= slot::MolfoDanLast; ++k) {
        EXPECT_EQ(p.s.KyaraY[k], 294) << "slot " << k << ": with all 31 shots live no new shot replaces one";
        EXPECT_EQ(p.s.KyaraX[k], 10 * (k - slot::MolfoDanFirst)) << "slot " << k << ": live shots fly straight up";
    }

    const int16_t a = slot::MolfoDanFirst + 9, b = slot::MolfoDanFirst + 20;
    p.s.KyaraSonzai[b] = 0;
    p.s.KyaraSonzai[a] = 0;
    p.Frame();
    EXPECT_EQ(p.s.KyaraSonzai[a], 1) << "the lowest free shot slot fires first";
    EXPECT_EQ(p.s.KyaraY[a], 394) << "the new shot starts at the player";
    EXPECT_EQ(p.s.KyaraSonzai[b], 0) << "one shot a frame";
}

TEST(MolfoDan, ShotFiredAtTheTopEndsOnItsFirstMove) {
    Play p;
    p.FreeShots();
    p.s.KyaraY[kMolfo] = -15;
    p.Hold({vk::Z});
    MolfoDan(p.g);
    EXPECT_EQ(p.LiveShots(), 0) << "a shot fired from the very top reaches the border band at once";
    EXPECT_EQ(p.s.KyaraHaba[slot::MolfoDanFirst], 20) << "an ended shot keeps its template";
}

}  // namespace
}  // namespace molfo
