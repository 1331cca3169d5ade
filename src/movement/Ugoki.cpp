// Straight, angled and homing moves. Each rule returns the next position and
// leaves KyaraX/KyaraY to the collision sweep; the sub-pixel rules share the
// slot's KyaraXD, KyaraYD, KyaraUgokiD and KyaraUgokiFlag.
//
// The odd constants (1.57 next to 1.570796327, 6.283 next to 6.2831) are the
// game's own approximations of pi/2 and 2 pi; homing paths depend on them
// bit for bit, so they must not be tidied into one exact value.
#include <array>
#include <cmath>

#include "core/Trig.h"
#include "movement/Ugoki.h"
#include "world/Game.h"

namespace molfo {

namespace {

constexpr double kDoToRad = 0.017453292;
constexpr double kYudouZ = 1.57;
constexpr double kChokusenYudouZ = 1.570796327;
constexpr double kPiTurn = 3.141;
constexpr double kTwoPiLow = 6.283;
constexpr double kTwoPiHigh = 6.2831;
constexpr double kPi = 3.141592654;
constexpr double kTwoPi = 6.283185307;

// Steps of UgokiChokusen by direction code, clockwise from up.
// Columns: dx, dy (multiples of the slot's speed).
struct Houkou {
    int8_t dx, dy;
};
constexpr std::array<Houkou, 8> kHoukou = {{
    {0, -1},   // 1 up
    {1, -1},   // 2 up-right
    {1, 0},    // 3 right
    {1, 1},    // 4 down-right
    {0, 1},    // 5 down
    {-1, 1},   // 6 down-left
    {-1, 0},   // 7 left
    {-1, -1},  // 8 up-left
}};
static_assert(kHoukou.size() == 8, "one row per direction code 1..8");

int Sign(double v) { return (v > 0.0) - (v < 0.0); }

// Bearing from (x, y) to the target's integer position. Only a target off
// both axes gets the quadrant correction: straight above or below always
// reads as z (down), straight left or right always as 0 (right).
double Houi(const GameState& s, int16_t tAdd, double x, double y, double z) {
    const double dx = s.KyaraX[tAdd] - x;
    const double dy = s.KyaraY[tAdd] - y;
    const int sx = Sign(dx);
    const int sy = Sign(dy);
    double a = (dx == 0.0) ? z : trig::Atan(std::fabs(dy) / std::fabs(dx));
    if (sx == -1 && sy == 1)
        a = kPi - a;
    else if (sx == -1 && sy == -1)
        a = a + kPi;
    else if (sx == 1 && sy == -1)
        a = kTwoPi - a;
    return a;
}

}  // namespace

int16_t CInt(double v) {
    if (std::isnan(v)) return 0;
    double r = std::floor(v);
    const double frac = v - r;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
    // Out of the 16-bit range means a position that never occurs in play;
    // stopping at the limits keeps the conversion defined.
    if (r > 32767.0) return 32767;
    if (r < -32768.0) return -32768;
    return static_cast<int16_t>(r);
}

UgokiClass::UgokiClass(Game& g) : g_(g), s_(g.s) {}

Pos UgokiClass::UgokiChokusen(int16_t Add, int16_t Muki) {
    if (Muki < 1 || Muki > static_cast<int16_t>(kHoukou.size())) return {0, 0};
    const Houkou h = kHoukou[Muki - 1];
    const int sp = s_.KyaraSoku[Add];
    return {static_cast<int16_t>(s_.KyaraX[Add] + h.dx * sp), static_cast<int16_t>(s_.KyaraY[Add] + h.dy * sp)};
}

Pos UgokiClass::UgokiNaname(int16_t Add, int16_t Kakudo) {
    double x, y;
    if (s_.KyaraUgokiFlag[Add] == 0) {
        x = s_.KyaraX[Add];
        y = s_.KyaraY[Add];
        s_.KyaraXD[Add] = x;
        s_.KyaraYD[Add] = y;
        s_.KyaraUgokiFlag[Add] = 1;
    } else {
        x = s_.KyaraXD[Add];
        y = s_.KyaraYD[Add];
    }
    const double r = Kakudo * kDoToRad;
    const double sp = s_.KyaraSoku[Add];
    x = x + trig::Cos(r) * sp;
    y = y + trig::Sin(r) * sp;
    s_.KyaraXD[Add] = x;
    s_.KyaraYD[Add] = y;
    return {CInt(x), CInt(y)};
}

Pos UgokiClass::UgokiYudou2(int16_t TAdd, int16_t Add, double YudouK) {
    const bool first = s_.KyaraUgokiFlag[Add] == 0;
    double x, y;
    if (first) {
        x = s_.KyaraX[Add];
        y = s_.KyaraY[Add];
        s_.KyaraXD[Add] = x;
        s_.KyaraYD[Add] = y;
    } else {
        x = s_.KyaraXD[Add];
        y = s_.KyaraYD[Add];
    }
    const double a = Houi(s_, TAdd, x, y, kYudouZ);
    double h;
    if (first) {
        h = a;
        s_.KyaraUgokiD[Add] = a;
    } else {
        h = s_.KyaraUgokiD[Add];
    }
    double d = a - h;
    if (d < 0.0) d = d + kTwoPiLow;
    const double t = YudouK * kPiTurn / 180.0;
    // It turns every frame, even on target, so a homer weaves about its bearing.
    if (d >= 0.0 && d < kPiTurn)
        h = h + t;
    else
        h = h - t;
    if (h < 0.0) h = h + kTwoPiLow;
    if (h > kTwoPiHigh) h = h - kTwoPiHigh;
    const double sp = s_.KyaraSoku[Add];
    x = x + trig::Cos(h) * sp;
    y = y + trig::Sin(h) * sp;
    s_.KyaraXD[Add] = x;
    s_.KyaraYD[Add] = y;
    s_.KyaraUgokiD[Add] = h;
    if (first) s_.KyaraUgokiFlag[Add] = 1;
    return {CInt(x), CInt(y)};
}

Pos UgokiClass::UgokiChokusenYudou(int16_t TAdd, int16_t Add) {
    double x, y, h;
    if (s_.KyaraUgokiFlag[Add] == 1) {
        h = s_.KyaraUgokiD[Add];
        x = s_.KyaraXD[Add];
        y = s_.KyaraYD[Add];
    } else {
        // Aimed once, at where the target stands now.
        x = s_.KyaraX[Add];
        y = s_.KyaraY[Add];
        h = Houi(s_, TAdd, x, y, kChokusenYudouZ);
        s_.KyaraUgokiD[Add] = h;
        s_.KyaraUgokiFlag[Add] = 1;
    }
    const double sp = s_.KyaraSoku[Add];
    x = x + trig::Cos(h) * sp;
    y = y + trig::Sin(h) * sp;
    s_.KyaraXD[Add] = x;
    s_.KyaraYD[Add] = y;
    return {CInt(x), CInt(y)};
}

}  // namespace molfo
