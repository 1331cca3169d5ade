// The five bosses: their table and pictures, and each fight's route, bullet
// timetable and pace changes.
#include <array>

#include "boss/Boss.h"
#include "collision/Chousa.h"
#include "enemies/Enemies.h"
#include "movement/Ugoki.h"
#include "world/Game.h"

namespace molfo {

namespace {

struct BossRow {
    int16_t shurui, hp, kougeki, soku, ten, haba, takasa, atariX1, atariX2, atariY1, atariY2, x, y, komaKankaku;
    const char* pic;
};

// Columns: KyaraShurui, KyaraHp, KyaraKougeki, KyaraSoku, KyaraTen, KyaraHaba,
// KyaraTakasa, KyaraAtariX1, KyaraAtariX2, KyaraAtariY1, KyaraAtariY2, KyaraX,
// KyaraY, KyaraKomaKankaku, BossPicFile. Row n-1 is the boss of stage n.
constexpr std::array<BossRow, 5> kBossTable = {{
    {1, 400, 4, 4, 100, 111, 107, 46, 64, 22, 93, 250, -50, 1, "sys\\hati.JPG"},
    {2, 1000, 5, 1, 200, 252, 270, 109, 140, 38, 230, 250, -50, 1, "sys\\jigabati.JPG"},
    {3, 1300, 2, 1, 300, 184, 258, 70, 115, 69, 230, 250, -50, 10, "sys\\kuwagata.JPG"},
    {4, 1500, 5, 1, 400, 206, 315, 93, 111, 41, 307, 250, -50, 5, "sys\\kabutomusi.JPG"},
    {5, 5000, 1, 2, 500, 477, 291, 54, 423, 148, 239, 100, -50, 2, "sys\\gifucho.JPG"},
}};
static_assert(kBossTable.size() == 5, "one boss per stage");

struct Keiro {
    int16_t kind;
    int16_t yudousei;
};

// Columns: route kind of the point catalogue, frames between forced re-draws
// of the route point. Row n-1 is stage n.
constexpr std::array<Keiro, 5> kKeiroTable = {{{1, 100}, {2, 300}, {3, 300}, {3, 600}, {5, 200}}};
static_assert(kKeiroTable.size() == 5, "one route per stage");

struct Pace {
    int16_t suteji;
    int16_t frame;    // FrameCount mod 500
    int16_t soku;
    int16_t kougeki;  // 0 leaves the contact damage as it is
};

// Columns: stage, frame of the 500-frame cycle, KyaraSoku, KyaraKougeki.
constexpr std::array<Pace, 10> kPaceTable = {{
    {3, 380, 2, 0},
    {3, 450, 4, 0},
    {3, 499, 1, 0},
    {4, 450, 2, 8},
    {4, 485, 3, 50},
    {4, 499, 1, 4},
    {5, 390, 4, 0},
    {5, 450, 3, 0},
    {5, 495, 5, 0},
    {5, 499, 2, 0},
}};
static_assert(kPaceTable.size() == 10, "ten pace changes over stages 3, 4 and 5");

struct Shot {
    int16_t muki;  // the bullet's KyaraMuki
    int16_t soku;
};

// Salvos in firing order: (KyaraMuki, speed).
constexpr std::array<Shot, 2> kUeShita = {{{muki::Up, 5}, {muki::Down, 5}}};
constexpr std::array<Shot, 4> kSuteji2A = {{{muki::UpLeft, 2}, {muki::Up, 2}, {muki::UpRight, 2}, {muki::Down, 2}}};
constexpr std::array<Shot, 4> kSuteji2B = {{{muki::Up, 2}, {muki::Down, 2}, {muki::DownLeft, 2}, {muki::DownRight, 2}}};
// A fan up and a fan down, three ways each.
constexpr std::array<Shot, 6> kSuteji4Ougi = {
    {{muki::UpLeft, 4}, {muki::Up, 4}, {muki::UpRight, 4}, {muki::DownRight, 4}, {muki::Down, 4}, {muki::DownLeft, 4}}};

const BossRow* Row(int16_t sutejiNo) {
    if (sutejiNo < 1 || sutejiNo > static_cast<int16_t>(kBossTable.size())) return nullptr;
    return &kBossTable[sutejiNo - 1];
}

bool OneOf(int32_t v, int32_t a, int32_t b, int32_t c) { return v == a || v == b || v == c; }

class Hasha {
public:
    explicit Hasha(Game& g) : dan_(g) {}
    void operator()(int16_t m, int16_t soku) { dan_.TekidanHasha(slot::BossFirst, m, soku); }
    template <size_t N>
    void operator()(const std::array<Shot, N>& salvo) {
        for (const Shot& s : salvo) (*this)(s.muki, s.soku);
    }
    // The eight directions clockwise from straight up.
    void Ring(int16_t soku) {
        for (int16_t m = muki::Up; m <= muki::UpLeft; ++m) (*this)(m, soku);
    }

private:
    TekiDanClass dan_;
};

void Suteji1(Hasha& hasha, int32_t f) {
    if (OneOf(f % 100, 0, 15, 30)) hasha(kUeShita);
    // The aimed burst fires on every one of its 20 frames: a stream of 20.
    if (f % 1500 < 20) hasha(muki::Aimed, 6);
}

void Suteji2(Game& g, Hasha& hasha, int32_t f) {
    if (!OneOf(f % 100, 0, 10, 20)) return;
    if (f % 3 == 0) {
        hasha(kSuteji2A);
    } else {
        hasha(kSuteji2B);
    }
    if (Ransu(g, 7) == 1) hasha.Ring(3);
}

void Suteji3(Hasha& hasha, int32_t f) {
    if (f % 30 != 0) return;
    hasha(muki::Aimed, 4);
    // Only when F is a multiple of both 30 and 400: every 1200 frames.
    if (f % 400 == 0) hasha.Ring(1);
}

void Suteji4(Hasha& hasha, int32_t f) {
    const auto m = static_cast<int16_t>(f % 300);
    if (m >= 2 && m <= 9) hasha(kSuteji4Ougi);
    if (m % 3 == 0 && m > 150 && m < 200) hasha(muki::Aimed, 4);
}

void Suteji5(Hasha& hasha, int32_t f) {
    if (f % 120 != 0) return;
    // Code 1 is straight up; every later code is an angle in degrees.
    for (int16_t u = muki::Up; u <= 359; u = static_cast<int16_t>(u + 13)) hasha(u, 4);
}

}  // namespace

BossDataClass::BossDataClass(Game& g) : g_(g), s_(g.s) {}

void BossDataClass::BossData(int16_t Add) {
    const BossRow* r = Row(s_.SutejiNo);
    if (!r) return;
    SpawnSlot(s_, Add,
              {.Bunrui = bunrui::Boss, .Shurui = r->shurui, .Hp = r->hp, .Kougeki = r->kougeki, .Soku = r->soku,
               .Ten = r->ten, .PicNo = sheet::Boss, .Haba = r->haba, .Takasa = r->takasa, .AtariX1 = r->atariX1,
               .AtariX2 = r->atariX2, .AtariY1 = r->atariY1, .AtariY2 = r->atariY2, .X = r->x, .Y = r->y,
               .KomaKankaku = r->komaKankaku});
}

std::string BossDataClass::BossPicFile() {
    const BossRow* r = Row(s_.SutejiNo);
    return r ? r->pic : "";
}

void BossDataClass::BossUgoki() {
    const int16_t suteji = s_.SutejiNo;
    if (!Row(suteji)) return;
    const int32_t f = s_.FrameCount;

    // The route first, so a pace change below acts from the next frame.
    const Keiro& keiro = kKeiroTable[suteji - 1];
    const Pos p = UgokiClass(g_).UgokiSiteiItiLibrary(keiro.kind, slot::BossFirst, keiro.yudousei);

    // Bullets leave from where the boss stood before this frame's move.
    Hasha hasha(g_);
    switch (suteji) {
        case 1: Suteji1(hasha, f); break;
        case 2: Suteji2(g_, hasha, f); break;
        case 3: Suteji3(hasha, f); break;
        case 4: Suteji4(hasha, f); break;
        case 5: Suteji5(hasha, f); break;
        default: break;
    }

    const int32_t cycle = f % 500;
    for (const Pace& pace : kPaceTable) {
        if (pace.suteji != suteji || pace.frame != cycle) continue;
        s_.KyaraSoku[slot::BossFirst] = pace.soku;
        if (pace.kougeki != 0) s_.KyaraKougeki[slot::BossFirst] = pace.kougeki;
    }

    ChousaClass(g_).ChousaMain(slot::BossFirst, p.x, p.y);
}

void BossMain(Game& g) {
    if (g.s.BossToujou != 1) return;
    // A boss destroyed earlier in this frame leaves an all-zero row: stepping
    // it would fire from the playfield's corner and sweep a dead slot.
    if (g.s.KyaraSonzai[slot::BossFirst] == 0) return;
    BossDataClass(g).BossUgoki();
}

}  // namespace molfo
