// Small enemies and enemy bullets: the type table, where each type enters,
// how each type moves and fires, the frame step that spawns and moves them,
// and the bullets fired by enemies and the boss.
#include <array>

#include "collision/Chousa.h"
#include "enemies/Enemies.h"
#include "movement/Ugoki.h"
#include "world/Game.h"

namespace molfo {

namespace {

constexpr int16_t kZakoShuruiSu = 14;
// The spawn odds are chosen again this often.
constexpr int32_t kRituFrames = 300;
// Every enemy type animates at the same pace.
constexpr int16_t kZakoKomaKankaku = 10;

// Every bullet, the enemies' and the boss's, starts from this row; the shot
// sets its speed and direction.
constexpr SlotRow kTekidanRow = {.Bunrui = bunrui::Tekidan, .Shurui = 1, .Hp = 1, .Kougeki = 5, .Soku = 5,
                                 .PicNo = sheet::Tekidan, .Haba = 10, .Takasa = 10, .AtariX2 = 10, .AtariY2 = 10,
                                 .KomaKankaku = 1};

struct ZakoRow {
    int16_t hp, kougeki, soku, ten, picY, haba, takasa, atariX1, atariX2, atariY1, atariY2;
};

// Columns: KyaraHp, KyaraKougeki, KyaraSoku, KyaraTen, KyaraPicY, KyaraHaba,
// KyaraTakasa, KyaraAtariX1, KyaraAtariX2, KyaraAtariY1, KyaraAtariY2.
// Row n-1 is type n.
constexpr std::array<ZakoRow, kZakoShuruiSu> kZakoTable = {{
    {1, 5, 1, 1, 0, 30, 30, 8, 21, 2, 26},
    {1, 4, 1, 1, 31, 30, 30, 9, 18, 3, 23},
    {1, 5, 2, 2, 62, 30, 20, 11, 18, 3, 18},
    {1, 5, 2, 1, 83, 30, 20, 1, 27, 6, 12},
    {1, 5, 2, 1, 104, 30, 20, 2, 28, 7, 13},
    {1, 4, 2, 2, 125, 40, 50, 14, 25, 8, 41},
    {1, 5, 3, 3, 176, 50, 40, 15, 30, 9, 35},
    {30, 3, 1, 10, 217, 60, 60, 5, 51, 6, 51},
    {1, 5, 1, 1, 278, 30, 30, 3, 24, 8, 27},
    {3, 3, 5, 8, 309, 45, 50, 15, 30, 9, 48},
    {2, 3, 2, 4, 360, 40, 40, 6, 31, 12, 28},
    {1, 5, 1, 3, 401, 50, 40, 16, 31, 7, 26},
    {3, 3, 1, 3, 442, 30, 60, 7, 22, 3, 7},
    {2, 5, 5, 8, 503, 40, 30, 15, 25, 2, 27},
}};
static_assert(kZakoTable.size() == kZakoShuruiSu, "one row per enemy type");

// The sprite sheet stacks the types one pixel apart; a typo in a height or a
// row would make one type draw a slice of its neighbour.
constexpr bool SheetRowsStack() {
    for (size_t i = 1; i < kZakoTable.size(); ++i)
        if (kZakoTable[i].picY != kZakoTable[i - 1].picY + kZakoTable[i - 1].takasa + 1) return false;
    return true;
}
static_assert(SheetRowsStack(), "each type's sheet row starts one pixel below the previous one");

enum class Iri : uint8_t { Nashi, Ue, Shita, Hidari, Migi, Sanpou, Shihou };

// Entry edge by type; row 0 is no type.
constexpr std::array<Iri, kZakoShuruiSu + 1> kIriguchi = {
    Iri::Nashi, Iri::Ue, Iri::Ue, Iri::Shita, Iri::Migi, Iri::Hidari, Iri::Ue, Iri::Ue,
    Iri::Ue, Iri::Shihou, Iri::Ue, Iri::Sanpou, Iri::Sanpou, Iri::Ue, Iri::Sanpou,
};
static_assert(kIriguchi.size() == kZakoShuruiSu + 1, "one entry edge per enemy type");

enum class Ido : uint8_t { ChokusenYudou, Chokusen, Naname, Yudou2 };
// Nashi never fires; Kakuritu fires when a 1-in-n draw comes up each frame;
// Shuuki fires on the listed frames of an n-frame cycle of FrameCount.
enum class Hassha : uint8_t { Nashi, Kakuritu, Shuuki };

struct Dan {
    int16_t muki = 0;  // the bullet's KyaraMuki; 0 marks an unused entry
    int16_t soku = 0;
};

struct Koudou {
    Ido ido;
    std::array<int16_t, 3> lane;  // the rule's argument, for lanes 0, 1, 2
    double yudouK;
    Hassha hassha;
    int16_t n;
    std::array<int16_t, 5> frames;  // -1 marks an unused entry
    std::array<Dan, 3> dan;         // fired in this order
};

constexpr std::array<int16_t, 5> kNoFrames = {-1, -1, -1, -1, -1};

// Shorter names for the table below.
constexpr int16_t kUp = muki::Up, kRight = muki::Right, kDown = muki::Down, kLeft = muki::Left;
constexpr int16_t kAimed = muki::Aimed;

// Columns: movement rule, its argument for lanes 0/1/2 (a direction code for
// Chokusen, degrees for Naname), homing turn in degrees per frame, firing
// rule, odds or cycle length, firing frames of the cycle, bullets (KyaraMuki,
// speed). Row n-1 is type n.
constexpr std::array<Koudou, kZakoShuruiSu> kKoudouTable = {{
    {Ido::ChokusenYudou, {0, 0, 0}, 0.0, Hassha::Nashi, 0, kNoFrames, {}},
    {Ido::Chokusen, {kDown, kDown, kDown}, 0.0, Hassha::Kakuritu, 250, kNoFrames, {{{kAimed, 3}}}},
    {Ido::Chokusen, {kUp, kUp, kUp}, 0.0, Hassha::Nashi, 0, kNoFrames, {}},
    {Ido::Chokusen, {kLeft, kLeft, kLeft}, 0.0, Hassha::Nashi, 0, kNoFrames, {}},
    {Ido::Chokusen, {kRight, kRight, kRight}, 0.0, Hassha::Nashi, 0, kNoFrames, {}},
    {Ido::Naname, {110, 90, 70}, 0.0, Hassha::Shuuki, 500, {0, 5, 10, -1, -1}, {{{kAimed, 2}}}},
    {Ido::Chokusen, {muki::DownRight, muki::DownLeft, kDown}, 0.0, Hassha::Nashi, 0, kNoFrames, {}},
    {Ido::Chokusen, {kDown, kDown, kDown}, 0.0, Hassha::Nashi, 0, kNoFrames, {}},
    {Ido::Yudou2, {0, 0, 0}, 2.0, Hassha::Nashi, 0, kNoFrames, {}},
    {Ido::ChokusenYudou, {0, 0, 0}, 0.0, Hassha::Shuuki, 20, {0, -1, -1, -1, -1}, {{{kUp, 1}}}},
    {Ido::Yudou2, {0, 0, 0}, 1.0, Hassha::Shuuki, 20, {0, -1, -1, -1, -1}, {{{kAimed, 3}}}},
    {Ido::Yudou2, {0, 0, 0}, 0.2, Hassha::Shuuki, 500, {0, 2, 4, 6, 8}, {{{kAimed, 3}}}},
    {Ido::Yudou2, {0, 0, 0}, 0.4, Hassha::Kakuritu, 200, kNoFrames, {{{kRight, 3}, {kLeft, 3}, {kDown, 3}}}},
    {Ido::Yudou2, {0, 0, 0}, 1.0, Hassha::Nashi, 0, kNoFrames, {}},
}};
static_assert(kKoudouTable.size() == kZakoShuruiSu, "one behaviour per enemy type");

bool IsShuruiNo(int16_t n) { return n >= 1 && n <= kZakoShuruiSu; }

bool FiresThisFrame(Game& g, const Koudou& k) {
    switch (k.hassha) {
        case Hassha::Nashi:
            return false;
        case Hassha::Kakuritu:
            return Ransu(g, k.n) == 1;
        case Hassha::Shuuki: {
            const int32_t f = g.s.FrameCount % k.n;
            for (int16_t fr : k.frames)
                if (fr >= 0 && fr == f) return true;
            return false;
        }
    }
    return false;
}

}  // namespace

// At most one new enemy per frame, never during the boss fight.
void ZakoShutugen(Game& g) {
    GameState& s = g.s;
    if (s.BossToujou != 0) return;
    if (s.FrameCount % kRituFrames == 0) {
        switch (Ransu(g, 4)) {
            case 1:
                s.ZakoRituNow = static_cast<int16_t>(s.ZakoRitu * 2);
                break;
            case 2:
                s.ZakoRituNow = static_cast<int16_t>(s.ZakoRitu / 3);
                break;
            default:
                s.ZakoRituNow = s.ZakoRitu;
                break;
        }
    }
    if (Ransu(g, s.ZakoRituNow) != 1) return;
    for (int16_t add = slot::ZakoFirst; add <= slot::ZakoLast; ++add) {
        if (s.KyaraSonzai[add] != 0) continue;
        const int16_t shurui = s.ToujouZako[Ransu(g, s.ToujouZakoSu)];
        KyaraDataClass data(g);
        data.ZakoData(add, shurui);
        s.KyaraSonzai[add] = 1;
        data.ZakoShutugenBasho(add);
        return;
    }
}

KyaraDataClass::KyaraDataClass(Game& g) : g_(g), s_(g.s) {}

void KyaraDataClass::ZakoData(int16_t Add, int16_t ZakoNo) {
    if (!IsShuruiNo(ZakoNo)) return;
    const ZakoRow& r = kZakoTable[ZakoNo - 1];
    SpawnSlot(s_, Add,
              {.Bunrui = bunrui::Zako, .Shurui = ZakoNo, .Hp = r.hp, .Kougeki = r.kougeki, .Soku = r.soku,
               .Ten = r.ten, .PicNo = sheet::Zako, .PicY = r.picY, .Haba = r.haba, .Takasa = r.takasa,
               .AtariX1 = r.atariX1, .AtariX2 = r.atariX2, .AtariY1 = r.atariY1, .AtariY2 = r.atariY2,
               .KomaKankaku = kZakoKomaKankaku});
}

void KyaraDataClass::ZakoShutugenBasho(int16_t Add) {
    const int16_t shurui = s_.KyaraShurui[Add];
    if (!IsShuruiNo(shurui)) return;
    switch (kIriguchi[shurui]) {
        case Iri::Nashi: break;
        case Iri::Ue: BashoUe(Add); break;
        case Iri::Shita: BashoShita(Add); break;
        case Iri::Hidari: BashoHidari(Add); break;
        case Iri::Migi: BashoMigi(Add); break;
        case Iri::Sanpou: BashoSanpou(Add); break;
        case Iri::Shihou: BashoShihou(Add); break;
    }
}

void KyaraDataClass::BashoUe(int16_t Add) {
    s_.KyaraX[Add] = Ransu(g_, 500);
    s_.KyaraY[Add] = -50;
}

void KyaraDataClass::BashoHidari(int16_t Add) {
    s_.KyaraX[Add] = -50;
    s_.KyaraY[Add] = Ransu(g_, 500);
}

void KyaraDataClass::BashoMigi(int16_t Add) {
    s_.KyaraX[Add] = 500;
    s_.KyaraY[Add] = Ransu(g_, 500);
}

void KyaraDataClass::BashoShita(int16_t Add) {
    s_.KyaraX[Add] = Ransu(g_, 500);
    s_.KyaraY[Add] = 500;
}

void KyaraDataClass::BashoSanpou(int16_t Add) {
    switch (Ransu(g_, 3)) {
        case 1: BashoUe(Add); break;
        case 2: BashoHidari(Add); break;
        default: BashoMigi(Add); break;
    }
}

void KyaraDataClass::BashoShihou(int16_t Add) {
    switch (Ransu(g_, 4)) {
        case 1: BashoUe(Add); break;
        case 2: BashoHidari(Add); break;
        case 3: BashoMigi(Add); break;
        default: BashoShita(Add); break;
    }
}

void KyaraDataClass::ZakoUgoki(int16_t Add) {
    const int16_t shurui = s_.KyaraShurui[Add];
    if (!IsShuruiNo(shurui)) return;
    const Koudou& k = kKoudouTable[shurui - 1];
    const int16_t lane = k.lane[Add % 3];

    UgokiClass ugoki(g_);
    Pos p;
    switch (k.ido) {
        case Ido::ChokusenYudou: p = ugoki.UgokiChokusenYudou(slot::Molfo, Add); break;
        case Ido::Chokusen: p = ugoki.UgokiChokusen(Add, lane); break;
        case Ido::Naname: p = ugoki.UgokiNaname(Add, lane); break;
        case Ido::Yudou2: p = ugoki.UgokiYudou2(slot::Molfo, Add, k.yudouK); break;
    }

    // Fire before the move: the bullet leaves from where the enemy stood, and
    // an enemy the move destroys has still fired.
    if (FiresThisFrame(g_, k)) {
        TekiDanClass tekidan(g_);
        for (const Dan& d : k.dan)
            if (d.muki != 0) tekidan.TekidanHasha(Add, d.muki, d.soku);
    }

    ChousaClass(g_).ChousaMain(Add, p.x, p.y);
}

void ZakoMain(Game& g) {
    ZakoShutugen(g);
    GameState& s = g.s;
    KyaraDataClass data(g);
    // An enemy spawned above moves in this same frame.
    for (int16_t add = slot::ZakoFirst; add <= slot::ZakoLast; ++add)
        if (s.KyaraSonzai[add] == 1) data.ZakoUgoki(add);
}

TekiDanClass::TekiDanClass(Game& g) : g_(g), s_(g.s) {}

void TekiDanClass::TekidanHasha(int16_t TekiAdd, int16_t Ugoki, int16_t DanSoku) {
    for (int16_t b = slot::TekidanFirst; b <= slot::TekidanLast; ++b) {
        if (s_.KyaraSonzai[b] != 0) continue;
        TekidanData(b);
        s_.KyaraSoku[b] = DanSoku;
        s_.KyaraMuki[b] = Ugoki;
        const int16_t x1 = s_.KyaraAtariX1[TekiAdd];
        const int16_t x2 = s_.KyaraAtariX2[TekiAdd];
        // The bullet's left edge, not its centre, goes to the middle of the
        // shooter's hit box.
        s_.KyaraX[b] = CInt((x2 - x1) / 2.0 + (s_.KyaraX[TekiAdd] + x1));
        // The bottom of the hit box, whichever way the bullet is headed.
        s_.KyaraY[b] = static_cast<int16_t>(s_.KyaraY[TekiAdd] + s_.KyaraAtariY2[TekiAdd]);
        return;
    }
}

void TekiDanClass::TekidanData(int16_t Add) { SpawnSlot(s_, Add, kTekidanRow); }

void TekidanUgoki(Game& g) {
    GameState& s = g.s;
    UgokiClass ugoki(g);
    for (int16_t b = slot::TekidanFirst; b <= slot::TekidanLast; ++b) {
        if (s.KyaraSonzai[b] != 1) continue;
        const int16_t c = s.KyaraMuki[b];
        Pos p;
        if (c >= muki::Up && c <= muki::UpLeft) {
            p = ugoki.UgokiChokusen(b, c);
        } else if (c == muki::Aimed) {
            p = ugoki.UgokiChokusenYudou(slot::Molfo, b);
        } else if (c >= muki::DegreesFirst && c <= muki::DegreesLast) {
            p = ugoki.UgokiNaname(b, c);
        } else {
            continue;  // no caller fires such a code; leave the slot alone
        }
        ChousaClass(g).ChousaMain(b, p.x, p.y);
    }
}

}  // namespace molfo
