#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "enemies/Enemies.h"

namespace molfo {
namespace {

void PutZako(test::TestGame& t, int16_t add, int16_t type, int16_t x, int16_t y) {
    KyaraDataClass(t.g).ZakoData(add, type);
    t.s.KyaraX[add] = x;
    t.s.KyaraY[add] = y;
}

struct Shot {
    int16_t slot, muki, soku;
    bool operator==(const Shot&) const = default;
};

std::vector<Shot> LiveBullets(const GameState& s) {
    std::vector<Shot> v;
    for (int16_t b = slot::TekidanFirst; b <= slot::TekidanLast; ++b)
        if (s.KyaraSonzai[b] == 1) v.push_back({b, s.KyaraMuki[b], s.KyaraSoku[b]});
    return v;
}

std::string Edge(int16_t x, int16_t y, const std::set<std::string>& allowed) {
    const bool inX = x >= 1 && x <= 500;
    const bool inY = y >= 1 && y <= 500;
    // A corner value such as (500, 500) fits two edges; take the allowed one.
    const std::pair<const char*, bool> fits[] = {
        {"top", inX && y == -50}, {"bottom", inX && y == 500}, {"left", x == -50 && inY}, {"right", x == 500 && inY}};
    for (const auto& [name, ok] : fits)
        if (ok && allowed.count(name)) return name;
    return "outside (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

TEST(Enemies, EachTypeEntersFromItsOwnEdges) {
    test::TestGame t;
    t.EmptyField();
    struct Case {
        int16_t type;
        std::set<std::string> edges;
    } cases[] = {
        {1, {"top"}},
        {3, {"bottom"}},
        {4, {"right"}},
        {5, {"left"}},
        {9, {"top", "bottom", "left", "right"}},
        {11, {"top", "left", "right"}},
        {12, {"top", "left", "right"}},
        {13, {"top"}},
        {14, {"top", "left", "right"}},
    };
    for (const auto& c : cases) {
        std::set<std::string> seen;
        for (int i = 0; i < 400; ++i) {
            PutZako(t, slot::ZakoFirst, c.type, 0, 0);
            KyaraDataClass(t.g).ZakoShutugenBasho(slot::ZakoFirst);
            const std::string e = Edge(t.s.KyaraX[slot::ZakoFirst], t.s.KyaraY[slot::ZakoFirst], c.edges);
            ASSERT_TRUE(c.edges.count(e)) << "type " << c.type << " enters only from its edges, on 1..500, got " << e;
            seen.insert(e);
        }
        EXPECT_EQ(seen, c.edges) << "type " << c.type << " enters from each of its edges";
    }
}

TEST(Enemies, SpawnTakesTheLowestFreeSlotOrNothing) {
    struct Case {
        const char* name;
        int16_t liveFrom, liveTo, freed;  // enemies live in liveFrom..liveTo except freed
        int16_t expected;                 // 0: nothing spawned
    } cases[] = {
        {"empty range", 0, -1, 0, slot::ZakoFirst},
        {"first slot taken", slot::ZakoFirst, slot::ZakoFirst, 0, slot::ZakoFirst + 1},
        {"first slot freed again", slot::ZakoFirst, slot::ZakoFirst + 10, slot::ZakoFirst, slot::ZakoFirst},
        {"gap in the middle", slot::ZakoFirst, slot::ZakoFirst + 10, slot::ZakoFirst + 4, slot::ZakoFirst + 4},
        {"only the last slot free", slot::ZakoFirst, slot::ZakoLast - 1, 0, slot::ZakoLast},
        {"full range", slot::ZakoFirst, slot::ZakoLast, 0, 0},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        GameState& s = t.s;
        s.BossToujou = 0;
        s.FrameCount = 7;  // not an odds re-draw frame
        s.ZakoRitu = s.ZakoRituNow = 1;  // the chance draw always succeeds
        s.ToujouZakoSu = 1;
        s.ToujouZako[1] = 3;
        for (int16_t a = c.liveFrom; a <= c.liveTo; ++a)
            if (a != c.freed) PutZako(t, a, 8, 200, 200);
        const GameState before = s;
        ZakoShutugen(t.g);
        for (int16_t a = slot::ZakoFirst; a <= slot::ZakoLast; ++a) {
            if (a == c.expected) {
                EXPECT_EQ(s.KyaraSonzai[a], 1) << c.name << ": the new enemy takes the lowest free slot";
                EXPECT_EQ(s.KyaraShurui[a], 3) << c.name << ": the type comes from the stage's list";
                EXPECT_EQ(s.KyaraY[a], 500) << c.name << ": the new enemy is placed at its entry edge";
            } else {
                EXPECT_EQ(s.KyaraSonzai[a], before.KyaraSonzai[a]) << c.name << ": at most one enemy per frame, slot " << a;
                EXPECT_EQ(s.KyaraShurui[a], before.KyaraShurui[a]) << c.name << ": other slots untouched, slot " << a;
                EXPECT_EQ(s.KyaraY[a], before.KyaraY[a]) << c.name << ": other slots untouched, slot " << a;
            }
        }
    }
}

TEST(Enemies, OddsAreRedrawnOnlyEvery300Frames) {
    struct Case {
        int32_t frame;
        int16_t draw;
        int16_t boss;
        int16_t expected;
    } cases[] = {
        {300, 1, 0, 70},  // half as many
        {600, 2, 0, 11},  // Int(35 / 3)
        {900, 3, 0, 35},
        {1200, 4, 0, 35},
        {301, 1, 0, 20},  // between re-draw frames the odds stay
        {300, 1, 1, 20},  // no draw at all during the boss fight
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        t.s.ZakoRitu = 35;
        t.s.ZakoRituNow = 20;
        t.s.ToujouZakoSu = 1;
        t.s.ToujouZako[1] = 1;
        t.s.FrameCount = c.frame;
        t.s.BossToujou = c.boss;
        test::SeedNextDraw(t.g, 4, c.draw);
        const uint64_t state = t.g.ransuState;
        ZakoShutugen(t.g);
        EXPECT_EQ(t.s.ZakoRituNow, c.expected) << "odds in force at frame " << c.frame << " after a draw of " << c.draw;
        if (c.boss) {
            EXPECT_EQ(t.g.ransuState, state) << "the spawner draws nothing while the boss is on stage";
        }
    }
}

TEST(Enemies, LaneBySlotPicksTheDirection) {
    struct Case {
        int16_t type, slot;
        int dxSign;  // -1 left, 0 straight, +1 right; always downwards
    } cases[] = {
        {6, 66, -1}, {6, 67, 0}, {6, 68, +1},  // 110, 90 and 70 degrees
        {7, 69, +1}, {7, 70, -1}, {7, 71, 0},  // down-right, down-left, down
        {6, 69, -1}, {7, 66, +1},              // the lane is the slot mod 3
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        t.s.FrameCount = 1;
        PutZako(t, c.slot, c.type, 200, 200);
        KyaraDataClass(t.g).ZakoUgoki(c.slot);
        const int dx = t.s.KyaraX[c.slot] - 200;
        EXPECT_EQ((dx > 0) - (dx < 0), c.dxSign) << "type " << c.type << " in slot " << c.slot << " moves by its lane";
        EXPECT_GT(t.s.KyaraY[c.slot], 200) << "type " << c.type << " descends in every lane";
    }
}

TEST(Enemies, Type13BurstTakesWhatBulletSlotsAreFree) {
    struct Case {
        const char* name;
        std::vector<int16_t> freeSlots;
        std::vector<Shot> fired;  // in slot order
    } cases[] = {
        {"all free", {167, 168, 169, 170}, {{167, 3, 3}, {168, 7, 3}, {169, 5, 3}}},
        {"two free", {170, 200}, {{170, 3, 3}, {200, 7, 3}}},
        {"none free", {}, {}},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        GameState& s = t.s;
        s.FrameCount = 1;
        for (int16_t b = slot::TekidanFirst; b <= slot::TekidanLast; ++b) {
            TekiDanClass(t.g).TekidanData(b);
            s.KyaraMuki[b] = 1;  // stand-ins, told apart by speed 9
            s.KyaraSoku[b] = 9;
        }
        for (int16_t b : c.freeSlots) s.KyaraSonzai[b] = 0;
        PutZako(t, slot::ZakoFirst, 13, 200, 200);
        s.KyaraX[slot::Molfo] = 225;
        s.KyaraY[slot::Molfo] = 400;
        test::SeedNextDraw(t.g, 200, 1);
        KyaraDataClass(t.g).ZakoUgoki(slot::ZakoFirst);
        std::vector<Shot> fired;
        for (const Shot& b : LiveBullets(s))
            if (b.soku != 9) fired.push_back(b);
        EXPECT_EQ(fired, c.fired) << c.name << ": right, left, then down, each in the lowest free bullet slot";
    }
}

TEST(Enemies, AnEnemyDestroyedByItsMoveHasStillFired) {
    test::TestGame t;
    t.EmptyField();
    t.s.FrameCount = 500;  // a firing frame of type 6
    // The step down takes its hit box into the outer wall below the field.
    PutZako(t, slot::ZakoFirst, 6, 200, 538);
    KyaraDataClass(t.g).ZakoUgoki(slot::ZakoFirst);
    EXPECT_EQ(t.s.KyaraSonzai[slot::ZakoFirst], 0) << "an enemy reaching the outer wall is removed";
    ASSERT_EQ(LiveBullets(t.s), (std::vector<Shot>{{slot::TekidanFirst, 9, 2}}))
        << "the aimed shot is fired before the move that removes the enemy";
    EXPECT_EQ(t.s.KyaraX[slot::TekidanFirst], 220) << "fired from the hit box's middle before the move (219.5 to even)";
    EXPECT_EQ(t.s.KyaraY[slot::TekidanFirst], 579) << "fired from the hit box's bottom before the move";
}

TEST(Enemies, BulletStartsAtTheMiddleAndBottomOfTheHitBox) {
    struct Case {
        int16_t type, x, y, bx, by;
    } cases[] = {
        {1, 100, 40, 114, 66},   // 114.5 rounds to the even 114
        {1, 101, 40, 116, 66},   // 115.5 rounds to the even 116
        {1, -50, -50, -36, -24}, // -35.5 rounds to the even -36
        {13, 0, 100, 14, 107},   // 14.5 to 14; type 13's box ends at row 7
        {8, 10, 10, 38, 61},     // a whole middle stays as it is
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        PutZako(t, slot::ZakoFirst, c.type, c.x, c.y);
        TekiDanClass(t.g).TekidanHasha(slot::ZakoFirst, 5, 3);
        EXPECT_EQ(t.s.KyaraX[slot::TekidanFirst], c.bx)
            << "type " << c.type << " at x " << c.x << ": bullet x is the hit box's middle, half to even";
        EXPECT_EQ(t.s.KyaraY[slot::TekidanFirst], c.by)
            << "type " << c.type << " at y " << c.y << ": bullet y is the hit box's bottom";
        EXPECT_EQ(t.s.KyaraSoku[slot::TekidanFirst], 3) << "a bullet's speed is the shooter's, not the template's";
    }
}

TEST(Enemies, BulletsMoveByTheirCode) {
    struct Case {
        int16_t muki, soku, dx, dy;
    } cases[] = {
        {1, 2, 0, -2}, {3, 3, 3, 0}, {4, 1, 1, 1}, {8, 2, -2, -2},  // the eight fixed directions
        {90, 2, 0, 2}, {180, 3, -3, 0},                              // angles in degrees
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        TekiDanClass(t.g).TekidanData(slot::TekidanFirst);
        t.s.KyaraMuki[slot::TekidanFirst] = c.muki;
        t.s.KyaraSoku[slot::TekidanFirst] = c.soku;
        t.s.KyaraX[slot::TekidanFirst] = 200;
        t.s.KyaraY[slot::TekidanFirst] = 200;
        TekidanUgoki(t.g);
        EXPECT_EQ(t.s.KyaraX[slot::TekidanFirst], 200 + c.dx) << "bullet code " << c.muki << " sets the x step";
        EXPECT_EQ(t.s.KyaraY[slot::TekidanFirst], 200 + c.dy) << "bullet code " << c.muki << " sets the y step";
    }
}

TEST(Suteji, StageListIsRecreatedAndUnknownStagesChangeNothing) {
    test::TestGame t;
    GameState& s = t.s;
    s.SutejiNo = 5;
    SutejiClass(t.g).ToujouZakos();
    s.SutejiNo = 2;
    SutejiClass(t.g).ToujouZakos();
    EXPECT_EQ(s.ToujouZakoSu, 7) << "stage 2 lists seven types";
    EXPECT_EQ(s.ToujouZako[7], 12) << "stage 2's last type is 12";
    for (int i = 8; i < static_cast<int>(s.ToujouZako.size()); ++i)
        EXPECT_EQ(s.ToujouZako[i], 0) << "the list is re-created, so entry " << i << " of stage 5 is gone";
    EXPECT_EQ(s.ToujouZako[0], 0) << "entry 0 is never used";

    s.ZakoRituNow = 11;
    SutejiClass(t.g).ZakoShurugenRitu();
    EXPECT_EQ(s.ZakoRituNow, 40) << "asking for the odds resets the odds in force to the stage's base";

    s.SutejiNo = 6;
    SutejiClass(t.g).ToujouZakos();
    EXPECT_EQ(s.ToujouZakoSu, 7) << "an unknown stage leaves the list as it was";
    EXPECT_EQ(SutejiClass(t.g).SutejiNagasa(), 0) << "an unknown stage has length 0";
}

}  // namespace
}  // namespace molfo
