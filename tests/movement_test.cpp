#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "TestSupport.h"
#include "movement/Ugoki.h"

namespace molfo {
namespace {

constexpr int16_t kObj = slot::ZakoFirst;
constexpr int16_t kTarget = slot::Molfo;

struct Mover : test::TestGame {
    Mover(int16_t x, int16_t y, int16_t soku) {
        EmptyField();
        s.KyaraSonzai[kObj] = 1;
        s.KyaraX[kObj] = x;
        s.KyaraY[kObj] = y;
        s.KyaraSoku[kObj] = soku;
    }
    void Target(int16_t x, int16_t y) {
        s.KyaraX[kTarget] = x;
        s.KyaraY[kTarget] = y;
    }
    UgokiClass u() { return UgokiClass(g); }
};

TEST(CInt, RoundsHalvesToEven) {
    struct Case {
        double v;
        int16_t want;
    } cases[] = {{10.5, 10}, {11.5, 12}, {-0.5, 0}, {-1.5, -2}, {2.4999999, 2}, {2.5000001, 3},
                 {-2.5000001, -3}, {0.0, 0}, {103.536, 104}, {-7.49, -7}};
    for (const auto& c : cases)
        EXPECT_EQ(CInt(c.v), c.want) << c.v << ": positions round to nearest, halves to even";
}

TEST(UgokiNaname, AccumulatesFractionsAndRoundsEachStep) {
    Mover m(0, 0, 1);
    const std::vector<Pos> want = {{1, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(m.u().UgokiNaname(kObj, 45), want[i]) << "call " << i + 1 << " at 45 degrees and speed 1";
    EXPECT_NEAR(m.s.KyaraXD[kObj], 3.5355, 1e-3) << "the exact position grows by about 0.7071 a call";
}

TEST(UgokiNaname, AngleCasesAndTheStoredPosition) {
    struct Case {
        const char* what;
        int16_t kakudo, soku;
        Pos want;
    } cases[] = {
        {"90 degrees is down", 90, 3, {10, 23}},
        {"0 degrees is right", 0, 3, {13, 20}},
        {"180 degrees is left", 180, 3, {7, 20}},
        {"270 degrees is up", 270, 3, {10, 17}},
        {"-90 degrees is up", -90, 3, {10, 17}},
    };
    for (const auto& c : cases) {
        Mover m(10, 20, c.soku);
        EXPECT_EQ(m.u().UgokiNaname(kObj, c.kakudo), c.want) << c.what;
        EXPECT_EQ(m.s.KyaraUgokiFlag[kObj], 1) << c.what << ": the first call sets up the sub-pixel state";
    }
    Mover down(10, 20, 3);
    down.u().UgokiNaname(kObj, 90);
    EXPECT_GT(down.s.KyaraXD[kObj], 10.0) << "the 9-digit degree constant leaves cos(90 degrees) a hair above 0";
    EXPECT_LT(down.s.KyaraXD[kObj], 10.0 + 1e-6) << "but only a hair";

    Mover cont(10, 20, 3);
    cont.u().UgokiNaname(kObj, 0);
    cont.s.KyaraX[kObj] = 200;
    EXPECT_EQ(cont.u().UgokiNaname(kObj, 0), (Pos{16, 20})) << "a set-up slot continues from its exact position";
}

TEST(UgokiChokusenYudou, AimsOnceThenFliesStraight) {
    Mover m(100, 100, 5);
    m.Target(200, 200);
    EXPECT_EQ(m.u().UgokiChokusenYudou(kTarget, kObj), (Pos{104, 104})) << "first step along pi/4";
    EXPECT_NEAR(m.s.KyaraUgokiD[kObj], 0.785398, 1e-6) << "the heading is the bearing at the first call";
    EXPECT_NEAR(m.s.KyaraXD[kObj], 103.536, 1e-3) << "the exact position is kept";
    m.Target(0, 0);
    EXPECT_EQ(m.u().UgokiChokusenYudou(kTarget, kObj), (Pos{107, 107})) << "later target moves change nothing";

    struct Case {
        const char* what;
        int16_t tx, ty;
        double heading;
    } cases[] = {
        {"target straight above heads down", 100, 0, 1.570796327},
        {"target straight below heads down", 100, 300, 1.570796327},
        {"target straight left heads right", 0, 100, 0.0},
        {"target straight right heads right", 300, 100, 0.0},
        {"target down-left", 0, 200, 3.141592654 - std::atan(1.0)},
        {"target up-left", 0, 0, 3.141592654 + std::atan(1.0)},
        {"target up-right", 200, 0, 6.283185307 - std::atan(1.0)},
    };
    for (const auto& c : cases) {
        Mover a(100, 100, 5);
        a.Target(c.tx, c.ty);
        a.u().UgokiChokusenYudou(kTarget, kObj);
        EXPECT_DOUBLE_EQ(a.s.KyaraUgokiD[kObj], c.heading) << c.what;
    }
}

TEST(UgokiYudou2, TurnsAFixedStepTowardsTheBearing) {
    Mover m(100, 100, 2);
    m.Target(100, 300);
    EXPECT_EQ(m.u().UgokiYudou2(kTarget, kObj, 2.0), (Pos{100, 102})) << "first step, heading about 1.6049";
    EXPECT_NEAR(m.s.KyaraUgokiD[kObj], 1.57 + 2.0 * 3.141 / 180.0, 1e-12)
        << "straight below reads as 1.57 and the first call already turns once, clockwise";
    EXPECT_EQ(m.s.KyaraUgokiFlag[kObj], 1) << "the first call sets up the sub-pixel state";

    // Target up-right at 45 degrees (bearing about 5.4978) and a heading of
    // 0.2: the difference is not below 3.141, so it turns counter-clockwise.
    struct Case {
        const char* what;
        int16_t tx, ty;
        double heading, yudouK, want;
    } cases[] = {
        {"counter-clockwise from 0.2", 200, 0, 0.2, 2.0, 0.2 - 2.0 * 3.141 / 180.0},
        {"counter-clockwise past 0 wraps by 6.283", 200, 0, 0.02, 0.03 * 180.0 / 3.141, -0.01 + 6.283},
        {"clockwise past 6.2831 wraps by 6.2831", 200, 200, 6.26, 0.03 * 180.0 / 3.141, 6.29 - 6.2831},
        {"exactly 6.2831 stays", 200, 200, 6.2831, 0.0, 6.2831},
        {"clockwise when the bearing is ahead", 200, 200, 0.5, 1.0, 0.5 + 3.141 / 180.0},
    };
    for (const auto& c : cases) {
        Mover a(100, 100, 1);
        a.Target(c.tx, c.ty);
        a.s.KyaraUgokiFlag[kObj] = 1;
        a.s.KyaraXD[kObj] = 100.0;
        a.s.KyaraYD[kObj] = 100.0;
        a.s.KyaraUgokiD[kObj] = c.heading;
        a.u().UgokiYudou2(kTarget, kObj, c.yudouK);
        EXPECT_NEAR(a.s.KyaraUgokiD[kObj], c.want, 1e-9) << c.what;
    }

    Mover still(100, 100, 3);
    still.Target(300, 100);
    for (int i = 0; i < 4; ++i) still.u().UgokiYudou2(kTarget, kObj, 0.0);
    EXPECT_EQ(still.s.KyaraUgokiD[kObj], 0.0) << "with no turn rate the heading stays the first bearing";
    EXPECT_DOUBLE_EQ(still.s.KyaraXD[kObj], 112.0) << "constant speed along the kept heading";
}

TEST(UgokiSubPixel, RulesShareOneState) {
    Mover m(100, 100, 2);
    m.Target(100, 300);
    m.u().UgokiYudou2(kTarget, kObj, 10.0);
    const double heading = m.s.KyaraUgokiD[kObj];
    m.Target(0, 0);
    m.u().UgokiChokusenYudou(kTarget, kObj);
    EXPECT_EQ(m.s.KyaraUgokiD[kObj], heading) << "switching to the aimed rule keeps the last turned heading";
    const double x = m.s.KyaraXD[kObj];
    m.u().UgokiChokusen(kObj, 3);
    m.u().UgokiNaname(kObj, 0);
    EXPECT_DOUBLE_EQ(m.s.KyaraXD[kObj], x + 2.0) << "an integer rule in between does not disturb the exact position";
}

}  // namespace
}  // namespace molfo
