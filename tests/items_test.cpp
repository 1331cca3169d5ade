#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "TestSupport.h"
#include "collision/Chousa.h"
#include "core/ItemTable.h"
#include "items/Items.h"

namespace molfo {
namespace {

int LiveItems(const GameState& s) {
    int n = 0;
    for (int a = slot::ItemFirst; a <= slot::ItemLast; ++a) n += s.KyaraSonzai[a] == 1;
    return n;
}

int EffectsPlayed(test::TestGame& t, int n) {
    const std::string path = t.g.HostPath(t.s.KoukaonFile[n]);
    return static_cast<int>(std::count_if(t.hp.audio.log.begin(), t.hp.audio.log.end(),
                                          [&](const SoundCall& c) { return c.op == "effect" && c.path == path; }));
}

// An item of the given kind resting in the playfield, not yet in the grid.
void PlaceItem(test::TestGame& t, int16_t add, int16_t kind, int16_t x, int16_t y) {
    ItemClass(t.g).ItemData(add, kind);
    t.s.KyaraX[add] = x;
    t.s.KyaraY[add] = y;
}

TEST(ItemDrop, PointsSinceTheLastDropPayForOneItem) {
    struct Frame {
        int points;      // scored before the item step
        int16_t freeSlot;  // item slot freed before the frame, 0 for none
        int liveAfter;
        int16_t itemTenAfter;
    };
    struct Case {
        const char* rule;
        int busy;  // item slots filled before the first frame
        std::vector<Frame> frames;
    } cases[] = {
        {"12 points drop nothing; the 13th drops an item in the same frame", 0,
         {{12, 0, 0, 12}, {1, 0, 1, 0}}},
        {"one gain of 40 drops one item and the excess is not carried over", 0,
         {{40, 0, 1, 0}, {0, 0, 1, 0}}},
        {"points from several frames add up towards the next drop", 0,
         {{5, 0, 0, 5}, {5, 0, 0, 10}, {3, 0, 1, 0}, {13, 0, 2, 0}}},
        {"with every item slot busy points accumulate and drop as soon as a slot frees", 31,
         {{20, 0, 31, 20}, {5, 0, 31, 25}, {0, 240, 31, 0}, {0, 0, 31, 0}}},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        for (int i = 0; i < c.busy; ++i) PlaceItem(t, static_cast<int16_t>(slot::ItemFirst + i), 1, 100, 100);
        for (size_t f = 0; f < c.frames.size(); ++f) {
            const Frame& fr = c.frames[f];
            if (fr.freeSlot != 0) ChousaClass(t.g).KyaraShokika(fr.freeSlot);
            t.s.AddScore(fr.points);
            ItemMain(t.g);
            EXPECT_EQ(LiveItems(t.s), fr.liveAfter) << c.rule << " (frame " << f + 1 << ": items on the field)";
            EXPECT_EQ(t.s.ItemTen, fr.itemTenAfter) << c.rule << " (frame " << f + 1 << ": ItemTen)";
            EXPECT_EQ(t.s.TenMae, t.s.GoukeiTen) << c.rule << " (the step remembers the score it saw)";
            if (fr.freeSlot != 0) {
                EXPECT_EQ(t.s.KyaraSonzai[fr.freeSlot], 1) << c.rule << " (the drop takes the freed slot)";
            }
        }
    }
}

TEST(ItemDrop, NewItemStartsAboveThePlayfieldAndFallsInTheFrameOfItsDrop) {
    test::TestGame t;
    t.NewGame();
    t.s.AddScore(13);
    ItemMain(t.g);
    const int16_t a = slot::ItemFirst;
    ASSERT_EQ(t.s.KyaraSonzai[a], 1) << "a drop takes the lowest free item slot";
    const int16_t k = t.s.KyaraShurui[a];
    EXPECT_TRUE(k >= 1 && k <= 12) << "a drop is one of the twelve kinds";
    EXPECT_EQ(t.s.KyaraY[a], -50) << "a dropped item starts at y -50; its first half-pixel step rounds back to -50";
    EXPECT_EQ(t.s.KyaraUgokiFlag[a], 1) << "the first fall step sets up the exact y";
    EXPECT_DOUBLE_EQ(t.s.KyaraXD[a], -49.5) << "the exact y moved half a pixel in the frame of the drop";
}

TEST(ItemFall, HalfPixelStepsRoundHalfToEvenUntilTheOuterWall) {
    const std::array<int16_t, 10> ys = {-50, -49, -48, -48, -48, -47, -46, -46, -46, -45};
    for (int16_t kind : {int16_t{1}, int16_t{7}, int16_t{12}}) {
        test::TestGame t;
        t.NewGame();
        const int16_t a = slot::ItemFirst + 3;
        PlaceItem(t, a, kind, 100, -50);
        for (size_t f = 0; f < ys.size(); ++f) {
            ItemMain(t.g);
            EXPECT_EQ(t.s.KyaraY[a], ys[f]) << "items fall half a pixel a frame, halves rounded to even (kind "
                                            << kind << ", frame " << f + 1 << ")";
        }
        int frames = 0;
        while (t.s.KyaraSonzai[a] == 1 && frames < 2000) {
            ItemMain(t.g);
            ++frames;
        }
        EXPECT_EQ(t.s.KyaraSonzai[a], 0) << "an item that is not collected ends at the outer wall (kind " << kind << ")";
        EXPECT_EQ(t.s.KyaraY[a] + t.s.KyaraAtariY2[a], 580)
            << "the item ends where it was when its hit box met the outer wall at 581 (kind " << kind << ")";
        EXPECT_EQ(t.s.KyaraShurui[a], kind) << "an item ended at the wall keeps its kind";
    }
}

TEST(ItemPickUp, TouchingThePlayerStocksOrFeeds) {
    struct Case {
        const char* rule;
        int16_t kind, x, y;
        int16_t hpBefore, hpAfter;
        int16_t stockAfter;  // of the kind, when it is a usable one
    } cases[] = {
        {"a usable item falling onto the player adds one to its stock", 3, 240, 380, 50, 50, 1},
        {"food falling onto the player heals at once and is capped at 200", 12, 200, 350, 50, 200, 0},
        {"food below the cap adds its value", 7, 220, 350, 40, 47, 0},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        t.s.KyaraHp[slot::Molfo] = c.hpBefore;
        ChousaClass(t.g).ChousaMain(slot::Molfo, 225, 400);  // puts the player's outline in the grid
        const int16_t a = slot::ItemFirst;
        PlaceItem(t, a, c.kind, c.x, c.y);
        int frames = 0;
        while (t.s.KyaraSonzai[a] == 1 && frames < 300) {
            ItemMain(t.g);
            ++frames;
        }
        EXPECT_EQ(t.s.KyaraSonzai[a], 0) << c.rule << " (the item is collected)";
        EXPECT_LT(t.s.KyaraY[a] + t.s.KyaraAtariY2[a], 581) << c.rule << " (collected on the field, not at the wall)";
        EXPECT_EQ(t.s.KyaraHp[slot::Molfo], c.hpAfter) << c.rule;
        if (c.kind <= 6) {
            EXPECT_EQ(t.s.ItemKosu[c.kind], c.stockAfter) << c.rule;
            EXPECT_EQ(t.g.scr.SPL[c.kind].caption, std::to_string(c.stockAfter)) << c.rule << " (its count label)";
        } else {
            for (int k = 1; k <= 6; ++k) EXPECT_EQ(t.s.ItemKosu[k], 0) << c.rule << " (food is not stocked)";
        }
        EXPECT_EQ(EffectsPlayed(t, 16), 1) << c.rule << " (the pick-up sound plays)";
    }
}

TEST(ItemFood, HealsByKindUpToTwoHundred) {
    struct Case { const char* rule; int16_t kind, hp, expected; } cases[] = {
        {"kind 12 at 50 hit points gives 200, not 250", 12, 50, 200},
        {"kind 7 adds 7", 7, 50, 57},
        {"kind 10 adds 40", 10, 100, 140},
        {"kind 11 that would pass 200 stops at 200", 11, 150, 200},
        {"kind 8 from 175 reaches exactly 200", 8, 175, 200},
        {"food heals a player already at 0", 9, 0, 30},
        {"a usable kind heals nothing", 2, 50, 50},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        t.s.KyaraHp[slot::Molfo] = c.hp;
        const int16_t a = slot::ItemFirst + 5;
        ItemClass(t.g).ItemData(a, c.kind);
        GetFood(t.s, a);
        EXPECT_EQ(t.s.KyaraHp[slot::Molfo], c.expected) << c.rule;
    }
}

TEST(ItemDrop, StartPlaceKeepsTheHitBoxOnThePlayfield) {
    struct Case { int16_t kind; int16_t maxX; } cases[] = {{1, 480}, {8, 452}, {12, 427}};
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        ItemClass item(t.g);
        const int16_t a = slot::ItemFirst;
        item.ItemData(a, c.kind);
        int lo = 10000, hi = -10000;
        for (int i = 0; i < 20000; ++i) {
            item.ItemShutugenBasho(a);
            lo = std::min<int>(lo, t.s.KyaraX[a]);
            hi = std::max<int>(hi, t.s.KyaraX[a]);
            ASSERT_EQ(t.s.KyaraY[a], -50) << "items start at y -50";
            t.hp.clock.Sleep(15);
        }
        EXPECT_EQ(lo, 1) << "an item's x starts at 1 (kind " << c.kind << ")";
        EXPECT_EQ(hi, c.maxX) << "an item's x reaches 500 minus its hit box's right offset, no further (kind "
                              << c.kind << ")";
    }
}

TEST(ItemDrop, KindsAreDrawnByTheirWeights) {
    test::TestGame t;
    t.NewGame();
    ItemClass item(t.g);
    ASSERT_EQ(t.s.ShutugenItemGoukei, 483) << "the drop weights add up to 483";
    const std::array<int, 13> weight = {0, 120, 40, 70, 20, 105, 25, 75, 9, 8, 7, 3, 1};
    constexpr int kDraws = 483000;
    std::array<int, 13> counts{};
    for (int i = 0; i < kDraws; ++i) {
        const int16_t k = item.ShutugenItem();
        ASSERT_TRUE(k >= 1 && k <= 12) << "every draw gives one of the twelve kinds";
        ++counts[k];
        if (i % 3 == 0) t.hp.clock.Sleep(1);  // the clock moves now and then, as between frames
    }
    for (int k = 1; k <= 12; ++k) {
        const double p = weight[k] / 483.0;
        const double mean = kDraws * p;
        const double sigma = std::sqrt(kDraws * p * (1.0 - p));
        EXPECT_NEAR(counts[k], mean, 5.0 * sigma) << "kind " << k << " drops with probability " << weight[k] << "/483";
    }
}

}  // namespace
}  // namespace molfo
