#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "TestSupport.h"
#include "boss/Boss.h"
#include "enemies/Enemies.h"

namespace molfo {
namespace {

constexpr int16_t kBoss = slot::BossFirst;

struct Shot {
    int16_t muki, soku;
    bool operator==(const Shot&) const = default;
};

std::vector<Shot> LiveBullets(const GameState& s) {
    std::vector<Shot> v;
    for (int16_t b = slot::TekidanFirst; b <= slot::TekidanLast; ++b)
        if (s.KyaraSonzai[b] == 1) v.push_back({s.KyaraMuki[b], s.KyaraSoku[b]});
    return v;
}

std::vector<Shot> operator+(std::vector<Shot> a, const std::vector<Shot>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<Shot> Ring(int16_t soku) {
    std::vector<Shot> v;
    for (int16_t m = 1; m <= 8; ++m) v.push_back({m, soku});
    return v;
}

// A boss of the given stage in mid-fight at (x, y), heading for route point
// 1 so that only the timetable draws random numbers.
void BossAt(test::TestGame& t, int16_t stage, int16_t x, int16_t y) {
    t.EmptyField();
    GameState& s = t.s;
    s.SutejiNo = stage;
    s.BossToujou = 1;
    BossDataClass(t.g).BossData(kBoss);
    s.KyaraX[kBoss] = x;
    s.KyaraY[kBoss] = y;
    s.KyaraUgokiFlag[kBoss] = 1;
    s.KyaraUgokiD[kBoss] = 1.0;
    s.KyaraX[slot::Molfo] = 225;
    s.KyaraY[slot::Molfo] = 400;
}

TEST(Boss, EachStageFiresItsTimetable) {
    const std::vector<Shot> pair = {{1, 5}, {5, 5}};
    const std::vector<Shot> aimed1 = {{9, 6}};
    const std::vector<Shot> s2a = {{8, 2}, {1, 2}, {2, 2}, {5, 2}};
    const std::vector<Shot> s2b = {{1, 2}, {5, 2}, {6, 2}, {4, 2}};
    const std::vector<Shot> aimed4 = {{9, 4}};
    const std::vector<Shot> fan = {{8, 4}, {1, 4}, {2, 4}, {4, 4}, {5, 4}, {6, 4}};
    const std::vector<Shot> none;
    struct Case {
        int16_t stage;
        int32_t frame;
        int16_t sevenDraw;  // stage 2's one-in-seven ring draw
        std::vector<Shot> shots;
    } cases[] = {
        {1, 0, 0, pair + aimed1}, {1, 15, 0, pair + aimed1}, {1, 19, 0, aimed1},
        {1, 20, 0, none}, {1, 30, 0, pair}, {1, 45, 0, none},
        {1, 100, 0, pair}, {1, 1500, 0, pair + aimed1}, {1, 1519, 0, aimed1}, {1, 1520, 0, none},
        {2, 100, 2, s2b}, {2, 120, 2, s2a}, {2, 110, 1, s2b + Ring(3)},
        {2, 101, 0, none}, {2, 130, 0, none},
        {3, 0, 0, aimed4 + Ring(1)}, {3, 30, 0, aimed4}, {3, 400, 0, none}, {3, 800, 0, none},
        {3, 1200, 0, aimed4 + Ring(1)}, {3, 2400, 0, aimed4 + Ring(1)}, {3, 1230, 0, aimed4},
        {4, 1, 0, none}, {4, 2, 0, fan}, {4, 9, 0, fan}, {4, 10, 0, none},
        {4, 150, 0, none}, {4, 153, 0, aimed4}, {4, 198, 0, aimed4}, {4, 201, 0, none},
        {4, 602, 0, fan}, {4, 753, 0, aimed4},
        {5, 60, 0, none}, {5, 121, 0, none},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        BossAt(t, c.stage, 200, 100);
        t.s.FrameCount = c.frame;
        if (c.sevenDraw) test::SeedNextDraw(t.g, 7, c.sevenDraw);
        BossDataClass(t.g).BossUgoki();
        EXPECT_EQ(LiveBullets(t.s), c.shots) << "stage " << c.stage << " at F = " << c.frame << " fires its timetable";
    }
}

TEST(Boss, StageFiveRingHas28BulletsStartingStraightUp) {
    for (int32_t frame : {0, 1200}) {
        test::TestGame t;
        BossAt(t, 5, 40, 100);
        t.s.FrameCount = frame;
        BossDataClass(t.g).BossUgoki();
        const std::vector<Shot> shots = LiveBullets(t.s);
        ASSERT_EQ(shots.size(), 28u) << "stage 5's ring at F = " << frame << " has 28 bullets";
        EXPECT_EQ(shots[0], (Shot{1, 4})) << "the ring's first bullet is code 1, straight up";
        EXPECT_EQ(shots[1], (Shot{14, 4})) << "the ring's second bullet flies at 14 degrees";
        EXPECT_EQ(shots[27], (Shot{352, 4})) << "the ring ends at 352 degrees, 13 apart";
    }
}

TEST(Boss, StageFourContactDamageOverItsCycles) {
    test::TestGame t;
    BossAt(t, 4, 200, 100);
    EXPECT_EQ(t.s.KyaraKougeki[kBoss], 5) << "the stage-4 boss arrives with contact damage 5";
    struct Step {
        int32_t frame;
        int16_t soku, kougeki;
    } steps[] = {
        {0, 1, 5}, {449, 1, 5}, {450, 2, 8}, {484, 2, 8}, {485, 3, 50}, {498, 3, 50},
        {499, 1, 4}, {500, 1, 4}, {949, 1, 4}, {950, 2, 8}, {985, 3, 50}, {999, 1, 4}, {1000, 1, 4},
    };
    for (const auto& st : steps) {
        t.s.FrameCount = st.frame;
        BossDataClass(t.g).BossUgoki();
        EXPECT_EQ(t.s.KyaraKougeki[kBoss], st.kougeki) << "stage-4 contact damage after F = " << st.frame;
        EXPECT_EQ(t.s.KyaraSoku[kBoss], st.soku) << "stage-4 speed after F = " << st.frame;
    }
}

TEST(Boss, PaceChangeIsUsedFromTheNextFrame) {
    struct Case {
        int16_t stage;
        int32_t frame;
        int16_t before, after;
        int16_t x, y;
    } cases[] = {
        {3, 499, 4, 1, 200, 100},  // heads right and down for (385, 200)
        {3, 380, 1, 2, 200, 100},
        {4, 485, 2, 3, 100, 40},   // heads right and down for (389, 123)
        {5, 495, 3, 5, 40, 100},   // heads left and up for (-54, -148)
    };
    for (const auto& c : cases) {
        test::TestGame t;
        BossAt(t, c.stage, c.x, c.y);
        t.s.KyaraSoku[kBoss] = c.before;
        t.s.FrameCount = c.frame;
        BossDataClass(t.g).BossUgoki();
        EXPECT_EQ(std::abs(t.s.KyaraX[kBoss] - c.x), c.before)
            << "stage " << c.stage << ": the route step at F = " << c.frame << " still uses the old speed";
        EXPECT_EQ(t.s.KyaraSoku[kBoss], c.after) << "stage " << c.stage << ": the new speed is written at F = " << c.frame;
        const int16_t x = t.s.KyaraX[kBoss];
        t.s.FrameCount = c.frame + 1;
        BossDataClass(t.g).BossUgoki();
        EXPECT_EQ(std::abs(t.s.KyaraX[kBoss] - x), c.after)
            << "stage " << c.stage << ": the frame after F = " << c.frame << " moves at the new speed";
    }
}

TEST(Boss, StepRunsOnlyForALiveBossDuringTheFight) {
    struct Case {
        const char* name;
        int16_t toujou, sonzai;
        size_t bullets;
    } cases[] = {
        {"live boss on the arrival frame", 1, 1, 3},
        {"boss destroyed earlier this frame", 1, 0, 0},
        {"before the boss arrives", 0, 1, 0},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        BossAt(t, 1, 200, 100);
        t.s.FrameCount = 0;
        t.s.BossToujou = c.toujou;
        if (!c.sonzai) ClearSlots(t.s);  // a freed boss row is all zeros
        BossMain(t.g);
        EXPECT_EQ(LiveBullets(t.s).size(), c.bullets) << c.name << ": the boss steps only while live and on stage";
        if (!c.sonzai) {
            EXPECT_EQ(t.s.KyaraUgokiFlag[kBoss], 0) << c.name << ": no route is drawn for a freed slot";
        }
    }
}

TEST(Boss, ArrivesOnTheFrameTheStageLengthIsReached) {
    struct Case {
        int16_t stage;
        int16_t hp;
        float ritu;
    } cases[] = {{1, 400, 1.0f}, {2, 1000, 2.5f}};
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        GameState& s = t.s;
        s.SutejiNo = c.stage;
        s.SutejiNagasa = SutejiClass(t.g).SutejiNagasa();
        s.FrameCount = s.SutejiNagasa - 2;
        SutejiShinkou(t.g);
        EXPECT_EQ(s.BossToujou, 0) << "stage " << c.stage << ": no boss one frame before the stage length";
        SutejiShinkou(t.g);
        EXPECT_EQ(s.BossToujou, 1) << "stage " << c.stage << ": the boss arrives when the count reaches the length";
        EXPECT_EQ(s.FrameCount, 0) << "stage " << c.stage << ": the count restarts on the arrival frame";
        EXPECT_EQ(s.KyaraHp[kBoss], c.hp) << "stage " << c.stage << ": the boss's hit points";
        EXPECT_FLOAT_EQ(s.BossHpRitu, c.ritu) << "stage " << c.stage << ": hit points per pixel of the 400-pixel bar";
        ZakoMain(t.g);
        TekidanUgoki(t.g);
        BossMain(t.g);
        EXPECT_EQ(s.FrameCount, 0) << "stage " << c.stage << ": the count stays 0 for the rest of the arrival frame";
        EXPECT_FALSE(LiveBullets(s).empty()) << "stage " << c.stage << ": the boss fires on its arrival frame";
        SutejiShinkou(t.g);
        EXPECT_EQ(s.FrameCount, 1) << "stage " << c.stage << ": the frame after the arrival is frame 1";
    }
}

}  // namespace
}  // namespace molfo
