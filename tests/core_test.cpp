// The bottom of the game: the collision grid's frame, the score's limit,
// the trigonometry that must give the same bits everywhere, and text made
// safe to print.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/Printable.h"
#include "core/Trig.h"

namespace molfo {
namespace {

TEST(CollisionGrid, FillMakesWallBorderAndPlayfield) {
    test::TestGame t;
    t.s.ChousaMap.Fill();
    struct Case { int x, y; int16_t v; } cases[] = {
        {-81, 0, cell::OuterWall}, {-80, 0, cell::Border}, {-1, 0, cell::Border}, {0, 0, cell::Free},
        {500, 500, cell::Free}, {501, 500, cell::Border}, {580, 580, cell::Border}, {581, 0, cell::OuterWall},
        {-100, -100, cell::OuterWall}, {600, 600, cell::OuterWall},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.s.ChousaMap.at(c.x, c.y), c.v) << "grid cell (" << c.x << ", " << c.y << ")";
}

TEST(Score, AdditionsSaturateAt32767) {
    GameState s;
    struct Case { int16_t start; int add; int16_t expect; } cases[] = {
        {0, 13, 13}, {32760, 7, 32767}, {32760, 500, 32767}, {32767, 1, 32767}, {100, -30, 70},
    };
    for (const auto& c : cases) {
        s.GoukeiTen = c.start;
        s.AddScore(c.add);
        EXPECT_EQ(s.GoukeiTen, c.expect) << "score " << c.start << " + " << c.add << " saturates, never wraps";
    }
}

TEST(Printable, KeepsTextAndEscapesTheRest) {
    struct Case {
        std::string raw;
        std::string shown;
    } cases[] = {
        {"plain /path/rank.hms", "plain /path/rank.hms"},
        {"ランキング", "ランキング"},
        {"tab\tand\nnewline", "tab\\tand\\nnewline"},
        {"\xc2\x9b" "31m", "\\xC2\\x9B31m"},  // a C1 control in UTF-8 steers terminals too
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},   // a surrogate is no character
        {"\xe3\x83", "\\xE3\\x83"},            // a character cut short
    };
    for (const Case& c : cases) EXPECT_EQ(Printable(c.raw), c.shown) << "for " << Printable(c.raw);
    EXPECT_EQ(Printable("abcdef", 3), "abc... (6 bytes)") << "long text is cut and its length said";
}

// Distance in units of the last place between two finite doubles.
int64_t UlpDistance(double a, double b) {
    auto key = [](double v) {
        int64_t i = 0;
        std::memcpy(&i, &v, sizeof i);
        return i < 0 ? std::numeric_limits<int64_t>::min() - i : i;
    };
    const int64_t d = key(a) - key(b);
    return d < 0 ? -d : d;
}

TEST(Trig, AgreesWithTheSystemToOneUlpAndMostlyExactly) {
    struct Fn {
        const char* name;
        double (*own)(double);
        double (*sys)(double);
        long double (*wide)(long double);  // 64-bit mantissa on x86: a referee
    } fns[] = {
        {"sin", trig::Sin, [](double x) { return std::sin(x); }, [](long double x) { return sinl(x); }},
        {"cos", trig::Cos, [](double x) { return std::cos(x); }, [](long double x) { return cosl(x); }},
        {"atan", trig::Atan, [](double x) { return std::atan(x); }, [](long double x) { return atanl(x); }},
    };
    const bool refereed = std::numeric_limits<long double>::digits >= 64;
    std::mt19937_64 rng(12345);
    // The game's angles and slopes: a few turns either way, and the ratios of
    // two whole-pixel distances, which the arctangent gets.
    std::uniform_real_distribution<double> angle(-10.0, 10.0);
    std::uniform_int_distribution<int> pixels(1, 600);
    for (const Fn& f : fns) {
        int64_t differ = 0, n = 0, worst = 0, lost = 0;
        auto check = [&](double x) {
            const double own = f.own(x), sys = f.sys(x);
            const int64_t d = UlpDistance(own, sys);
            worst = std::max(worst, d);
            differ += d != 0;
            ++n;
            // The C library is not always correctly rounded; where the two
            // differ, ours must be the nearer to the wider result.
            if (d != 0 && refereed) {
                const long double w = f.wide(x);
                lost += std::fabs(static_cast<long double>(own) - w) > std::fabs(static_cast<long double>(sys) - w);
            }
        };
        for (int i = 0; i < 300000; ++i) check(angle(rng));
        for (int i = 0; i < 100000; ++i) check(static_cast<double>(pixels(rng)) / pixels(rng));
        // Around the multiples of pi/2, where the reduction cancels most.
        for (int k = -40; k <= 40; ++k)
            for (int j = -50; j <= 50; ++j) check(k * 1.5707963267948966 + j * 1e-9);
        for (double x : {1e-300, -1e-300, 1e-8, 0.5, 1.0, 2.0, 100.0, 1000.0, 12345.678, 1e6}) check(x);
        EXPECT_LE(worst, 1) << f.name << ": the game's own result is within one unit in the last place of the C library's";
        EXPECT_LT(differ * 200, n) << f.name << ": the game's own result is the C library's in all but a few inputs in "
                                   << "a thousand (" << differ << " of " << n << " differ)";
        EXPECT_EQ(lost, 0) << f.name << ": where the two differ, the game's own result is the better rounded";
    }
}

TEST(Trig, AnglesAskedAgainGetTheirOwnResults) {
    // Objects moving straight ask for the same angles frame after frame,
    // more of them than the results remembered, in changing order, sines
    // and cosines mixed.
    std::mt19937_64 rng(777);
    std::uniform_real_distribution<double> angle(-7.0, 7.0);
    std::vector<double> angles(300);
    for (double& a : angles) a = angle(rng);
    std::vector<double> firstSin, firstCos;
    for (double a : angles) {
        firstSin.push_back(trig::Sin(a));
        firstCos.push_back(trig::Cos(a));
    }
    for (int frame = 0; frame < 20; ++frame) {
        std::vector<size_t> order(angles.size());
        std::iota(order.begin(), order.end(), size_t{0});
        std::shuffle(order.begin(), order.end(), rng);
        order.resize(40 + 13 * frame);  // a varying crowd
        for (size_t i : order) {
            ASSERT_EQ(trig::Cos(angles[i]), firstCos[i]) << "cos " << angles[i] << " in frame " << frame;
            ASSERT_EQ(trig::Sin(angles[i]), firstSin[i]) << "sin " << angles[i] << " in frame " << frame;
        }
    }
    for (size_t i = 0; i < angles.size(); ++i) {
        EXPECT_LE(UlpDistance(firstSin[i], std::sin(angles[i])), 1) << angles[i];
        EXPECT_LE(UlpDistance(firstCos[i], std::cos(angles[i])), 1) << angles[i];
    }
}

TEST(Trig, SignsZerosAndNonFiniteInputs) {
    struct Case {
        const char* what;
        double got, want;
    } cases[] = {
        {"sin(-0) keeps the sign of zero", trig::Sin(-0.0), -0.0},
        {"sin(0) is 0", trig::Sin(0.0), 0.0},
        {"cos(0) is 1", trig::Cos(0.0), 1.0},
        {"atan(0) is 0", trig::Atan(0.0), 0.0},
        {"atan(+inf) is pi/2", trig::Atan(std::numeric_limits<double>::infinity()), 1.5707963267948966},
        {"atan(-inf) is -pi/2", trig::Atan(-std::numeric_limits<double>::infinity()), -1.5707963267948966},
        {"atan(1) is pi/4", trig::Atan(1.0), 0.7853981633974483},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got, c.want) << c.what;
        EXPECT_EQ(std::signbit(c.got), std::signbit(c.want)) << c.what;
    }
    for (double x : {0.3, 1.7, 4.0, 9.9}) {
        EXPECT_EQ(trig::Sin(-x), -trig::Sin(x)) << "sine is odd";
        EXPECT_EQ(trig::Cos(-x), trig::Cos(x)) << "cosine is even";
        EXPECT_EQ(trig::Atan(-x), -trig::Atan(x)) << "arctangent is odd";
    }
    EXPECT_TRUE(std::isnan(trig::Sin(std::numeric_limits<double>::infinity()))) << "sin of infinity is not a number";
    EXPECT_TRUE(std::isnan(trig::Cos(std::nan("")))) << "cos of NaN is not a number";
}

}  // namespace
}  // namespace molfo
