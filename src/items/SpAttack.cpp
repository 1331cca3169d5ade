// The special-attack objects: their records and their motion.
#include <array>
#include <cmath>

#include "collision/Chousa.h"
#include "core/Trig.h"
#include "items/Items.h"
#include "movement/Ugoki.h"
#include "world/Game.h"

namespace molfo {

namespace {

struct SpRow {
    int16_t hp, kougeki, soku, picY, haba, takasa;
    int16_t atariX1, atariX2, atariY1, atariY2;
    int16_t komaKankaku;
};

// Special kinds 1..5 (row 0 unused): four-way shot, orbiting ring, homing
// shot, rising shot, spiral. Sprites are on sheet 0 at column 0. Hit points
// are the object's endurance against what it hits.
// Columns: KyaraHp, KyaraKougeki, KyaraSoku, KyaraPicY, KyaraHaba, KyaraTakasa,
//          KyaraAtariX1, KyaraAtariX2, KyaraAtariY1, KyaraAtariY2, KyaraKomaKankaku
constexpr std::array<SpRow, 6> kSpecials = {{
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {50, 3, 4, 72, 30, 30, 0, 30, 0, 30, 2},
    {60, 1, 7, 103, 30, 30, 0, 30, 0, 30, 2},
    {30, 2, 4, 134, 30, 30, 0, 30, 0, 30, 1},
    {300, 4, 1, 165, 60, 80, 0, 60, 0, 80, 1},
    {50, 1, 8, 246, 30, 30, 0, 30, 0, 30, 2},
}};
static_assert(kSpecials.size() == 6, "five special kinds, row 0 unused");

// The game's own approximation of pi for its start angles.
constexpr double kPi = 3.14;
constexpr double kOrbitRadius = 40.0;
// The ring circles this point of the player's sprite, not its centre.
constexpr int kOrbitOffsetX = 9;
constexpr int kOrbitOffsetY = 10;
constexpr double kSpiralStart = 1.0;
constexpr double kSpiralGrowth = 0.5;
constexpr double kHomingTurnDegrees = 3.0;
// Faiya rises from a little left of the player's corner.
constexpr int kRiseOffsetX = -7;

int16_t Add16(int a, int b) { return static_cast<int16_t>(a + b); }

// The orbit and the spiral start at an angle set by the frame number.
double StartAngle(int32_t frame) { return static_cast<double>(frame % 360) * kPi / 180.0; }

}  // namespace

void ItemClass::MolfoSData(int16_t Add, int16_t SPNo) {
    if (SPNo < sp::Kurosu || SPNo > sp::Supairaru) return;
    const SpRow& row = kSpecials[SPNo];
    SpawnSlot(s_, Add,
              {.Bunrui = bunrui::MolfoS, .Shurui = SPNo, .Hp = row.hp, .Kougeki = row.kougeki, .Soku = row.soku,
               .PicNo = sheet::Molfo, .PicY = row.picY, .Haba = row.haba, .Takasa = row.takasa,
               .AtariX1 = row.atariX1, .AtariX2 = row.atariX2, .AtariY1 = row.atariY1, .AtariY2 = row.atariY2,
               .KomaKankaku = row.komaKankaku});
}

int16_t ItemClass::SpTarget() const {
    struct Range { int16_t first, last; };
    // The boss always wins, so a homing shot never wastes itself on small fry
    // while the boss is up.
    static constexpr Range kOrder[] = {
        {slot::BossFirst, slot::BossLast}, {slot::ZakoFirst, slot::ZakoLast}, {slot::TekidanFirst, slot::TekidanLast}};
    for (const Range& r : kOrder)
        for (int16_t t = r.first; t <= r.last; ++t)
            if (s_.KyaraSonzai[t] == 1) return t;
    return 0;
}

void ItemClass::SpUgoki(int16_t Add) {
    const int px = s_.KyaraX[slot::Molfo];
    const int py = s_.KyaraY[slot::Molfo];
    const double soku = s_.KyaraSoku[Add];
    UgokiClass ugoki(g_);
    Pos p;

    switch (s_.KyaraShurui[Add]) {
        case sp::Kurosu: {
            // The volley's ordinal gives each object of the four its own way out.
            const double ordinal = s_.KyaraUgokiD[Add];
            int16_t way = 0;
            if (ordinal == 1.0) way = muki::Up;
            else if (ordinal == 2.0) way = muki::Right;
            else if (ordinal == 3.0) way = muki::Down;
            else if (ordinal == 4.0) way = muki::Left;
            else return;
            p = ugoki.UgokiChokusen(Add, way);
            break;
        }
        case sp::RingBariya: {
            double a;
            if (s_.KyaraUgokiFlag[Add] == 1) {
                a = s_.KyaraUgokiD[Add];
            } else {
                a = StartAngle(s_.FrameCount);
                s_.KyaraUgokiFlag[Add] = 1;
            }
            // The speed is arc length per frame; the angle is never wrapped.
            a += soku / kOrbitRadius;
            s_.KyaraUgokiD[Add] = a;
            p.x = Add16(px + kOrbitOffsetX, CInt(trig::Cos(a) * kOrbitRadius));
            p.y = Add16(py + kOrbitOffsetY, CInt(trig::Sin(a) * kOrbitRadius));
            break;
        }
        case sp::Supaku: {
            // Chosen afresh every frame, so the shot moves on when its target dies.
            const int16_t target = SpTarget();
            p = target != 0 ? ugoki.UgokiYudou2(target, Add, kHomingTurnDegrees) : ugoki.UgokiChokusen(Add, muki::Up);
            break;
        }
        case sp::Faiya:
            if (s_.KyaraUgokiFlag[Add] == 0) {
                s_.KyaraX[Add] = Add16(px, kRiseOffsetX);
                s_.KyaraY[Add] = static_cast<int16_t>(py);
                s_.KyaraUgokiFlag[Add] = 1;
            }
            p = ugoki.UgokiChokusen(Add, muki::Up);
            break;
        case sp::Supairaru: {
            double a, r;
            if (s_.KyaraUgokiFlag[Add] == 1) {
                a = s_.KyaraUgokiD[Add];
                r = s_.KyaraXD[Add];
            } else {
                a = StartAngle(s_.FrameCount);
                r = kSpiralStart;
                s_.KyaraXD[Add] = r;
                s_.KyaraUgokiFlag[Add] = 1;
            }
            r += kSpiralGrowth;
            s_.KyaraXD[Add] = r;
            // A constant arc step: the spiral turns slower as it widens.
            a += soku / r;
            s_.KyaraUgokiD[Add] = a;
            p.x = Add16(px, CInt(trig::Cos(a) * r));
            p.y = Add16(py, CInt(trig::Sin(a) * r));
            break;
        }
        default:
            return;
    }
    ChousaClass(g_).ChousaMain(Add, p.x, p.y);
}

}  // namespace molfo
