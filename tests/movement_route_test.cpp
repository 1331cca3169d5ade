#include <gtest/gtest.h>

#include "TestSupport.h"
#include "movement/Ugoki.h"

namespace molfo {
namespace {

constexpr int16_t kAdd = slot::BossFirst;

void Place(GameState& s, int16_t x, int16_t y, int16_t soku, int16_t point) {
    s.KyaraX[kAdd] = x;
    s.KyaraY[kAdd] = y;
    s.KyaraSoku[kAdd] = soku;
    s.KyaraUgokiFlag[kAdd] = 1;
    s.KyaraUgokiD[kAdd] = point;
}

TEST(Route, EachAxisStepsByTheSpeedUntilArrival) {
    struct Case {
        const char* name;
        int16_t x, y, soku, px, py;
        Pos next;
        int16_t flag;  // 0: arrived, a new point is drawn next time
    } cases[] = {
        {"diagonal start", 100, 50, 4, 102, 300, {104, 54}, 1},
        {"x overshoots back", 104, 54, 4, 102, 300, {100, 58}, 1},
        {"x oscillates around 102", 100, 58, 4, 102, 300, {104, 62}, 1},
        {"x within reach, y not yet", 100, 290, 4, 102, 300, {104, 294}, 1},
        {"both axes within reach", 104, 298, 4, 102, 300, {100, 302}, 0},
        {"standing on the point", 50, 60, 1, 50, 60, {50, 60}, 0},
        {"speed 0 never arrives", 50, 60, 0, 50, 60, {50, 60}, 1},
        {"speed 0 never moves", 10, 20, 0, 50, 60, {10, 20}, 1},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        t.s.FrameCount = 7;
        Place(t.s, c.x, c.y, c.soku, 1);
        ItiList iti;
        iti.n = 1;
        iti.x[1] = c.px;
        iti.y[1] = c.py;
        const Pos p = UgokiClass(t.g).UgokiSiteiIti(kAdd, iti, 100);
        EXPECT_EQ(p, c.next) << c.name << ": each axis moves by the speed towards the point";
        EXPECT_EQ(t.s.KyaraUgokiFlag[kAdd], c.flag) << c.name << ": arrival when both axes are nearer than the speed";
        EXPECT_EQ(t.s.KyaraX[kAdd], c.x) << c.name << ": the rule returns the position and leaves the slot";
    }
}

TEST(Route, NewPointIsDrawnWhenNoneIsChosenAndOnIntervalFrames) {
    struct Case {
        int32_t frame;
        int16_t flag;
        int16_t point;  // the point afterwards
    } cases[] = {
        {0, 1, 3}, {100, 1, 3}, {200, 1, 3},  // interval frames, even while travelling
        {1, 1, 1}, {99, 1, 1}, {150, 1, 1},   // between them the point stays
        {1, 0, 3},                            // no point chosen yet
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        t.s.FrameCount = c.frame;
        Place(t.s, 10, 10, 0, 1);  // speed 0: nothing ever arrives
        t.s.KyaraUgokiFlag[kAdd] = c.flag;
        ItiList iti;
        iti.n = 4;
        test::SeedNextDraw(t.g, 4, 3);
        UgokiClass(t.g).UgokiSiteiIti(kAdd, iti, 100);
        EXPECT_EQ(t.s.KyaraUgokiD[kAdd], c.point)
            << "frame " << c.frame << ", point chosen " << c.flag << ": a new point every 100 frames or when none";
        EXPECT_EQ(t.s.KyaraUgokiFlag[kAdd], 1) << "a point is chosen after the call";
    }
}

TEST(Route, CatalogueBuildsItsPointsFromTheHitBoxAndThePlayer) {
    struct Case {
        int16_t kind, x1, x2, y1, y2;
        Pos player;
        int16_t point;
        Pos expected;
    } cases[] = {
        {1, 46, 64, 22, 93, {225, 400}, 1, {0, 0}},
        {1, 46, 64, 22, 93, {225, 400}, 2, {436, 0}},
        {1, 46, 64, 22, 93, {225, 400}, 3, {0, 407}},
        {1, 46, 64, 22, 93, {225, 400}, 4, {436, 407}},
        {2, 109, 140, 38, 230, {225, 400}, 1, {0, 50}},
        {2, 109, 140, 38, 230, {225, 400}, 2, {360, 50}},
        {2, 109, 140, 38, 230, {225, 400}, 3, {113, 173}},
        {3, 70, 115, 69, 230, {225, 400}, 1, {385, 200}},
        {3, 70, 115, 69, 230, {225, 400}, 2, {0, 0}},
        {3, 70, 115, 69, 230, {225, 400}, 3, {98, 200}},  // 97.5 goes to the even 98
        {3, 70, 113, 69, 230, {225, 400}, 3, {98, 200}},  // 98.5 goes to the even 98
        {4, 93, 111, 41, 307, {180, 400}, 1, {180, 0}},
        {5, 54, 423, 148, 239, {225, 400}, 1, {-54, -148}},
        {5, 54, 423, 148, 239, {225, 400}, 2, {-54, 261}},
        {5, 54, 423, 148, 239, {225, 400}, 3, {77, -148}},
        {5, 54, 423, 148, 239, {225, 400}, 4, {77, 261}},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.EmptyField();
        GameState& s = t.s;
        s.FrameCount = 7;
        s.KyaraX[slot::Molfo] = c.player.x;
        s.KyaraY[slot::Molfo] = c.player.y;
        s.KyaraAtariX1[kAdd] = c.x1;
        s.KyaraAtariX2[kAdd] = c.x2;
        s.KyaraAtariY1[kAdd] = c.y1;
        s.KyaraAtariY2[kAdd] = c.y2;
        // Standing exactly on the expected point, speed 1: the step stays
        // there and counts as an arrival only if that is the chosen point.
        Place(s, c.expected.x, c.expected.y, 1, c.point);
        const Pos p = UgokiClass(t.g).UgokiSiteiItiLibrary(c.kind, kAdd, 100);
        EXPECT_EQ(p, c.expected) << "route kind " << c.kind << ", point " << c.point;
        EXPECT_EQ(s.KyaraUgokiFlag[kAdd], 0) << "route kind " << c.kind << ", point " << c.point << " reached";
    }
}

}  // namespace
}  // namespace molfo
