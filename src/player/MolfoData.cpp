// The player's row and the shot template, written once per game at set-up.
#include <array>

#include "enemies/Enemies.h"
#include "world/Game.h"

namespace molfo {

namespace {

// Columns: Bunrui, Shurui, Hp, Kougeki, Soku, Ten, PicNo, PicY, Haba,
// Takasa, Sonzai, AtariX1, AtariX2, AtariY1, AtariY2, X, Y, Koma,
// KomaKankaku.
struct MolfoRow {
    int16_t Bunrui, Shurui, Hp, Kougeki, Soku, Ten, PicNo, PicY, Haba, Takasa, Sonzai;
    int16_t AtariX1, AtariX2, AtariY1, AtariY2, X, Y, Koma, KomaKankaku;
};

constexpr std::array<MolfoRow, 2> kMolfoTable = {{
    // The player: an 11 x 21 hit box in the middle of its 50 x 50 sprite,
    // starting centred near the bottom.
    {1, 1, 50, 5, 5, 0, 0, 21, 50, 50, 1, 20, 30, 15, 35, 225, 400, 0, 8},
    // The shot template. It starts live at the top-left corner, so every
    // shot slot flies off into the border on the first two frames.
    {1, 1, 1, 1, 6, 0, 0, 0, 20, 20, 1, 7, 12, 6, 13, 0, 0, 0, 1},
}};
static_assert(kMolfoTable.size() == 2, "one row for the player, one for the shot template");

constexpr int kRowMolfo = 0;
constexpr int kRowDan = 1;

void WriteRow(GameState& s, int16_t add, const MolfoRow& r) {
    s.KyaraBunrui[add] = r.Bunrui;
    s.KyaraShurui[add] = r.Shurui;
    s.KyaraHp[add] = r.Hp;
    s.KyaraKougeki[add] = r.Kougeki;
    s.KyaraSoku[add] = r.Soku;
    s.KyaraTen[add] = r.Ten;
    s.KyaraPicNo[add] = r.PicNo;
    s.KyaraPicY[add] = r.PicY;
    s.KyaraHaba[add] = r.Haba;
    s.KyaraTakasa[add] = r.Takasa;
    s.KyaraSonzai[add] = r.Sonzai;
    s.KyaraAtariX1[add] = r.AtariX1;
    s.KyaraAtariX2[add] = r.AtariX2;
    s.KyaraAtariY1[add] = r.AtariY1;
    s.KyaraAtariY2[add] = r.AtariY2;
    s.KyaraX[add] = r.X;
    s.KyaraY[add] = r.Y;
    s.KyaraKoma[add] = r.Koma;
    s.KyaraKomaKankaku[add] = r.KomaKankaku;
}

}  // namespace

void KyaraDataClass::MolfoData() { WriteRow(s_, slot::Molfo, kMolfoTable[kRowMolfo]); }

void KyaraDataClass::MolfoAData(int16_t Add) {
    if (Add < 0 || Add > slot::Max) return;
    WriteRow(s_, Add, kMolfoTable[kRowDan]);
}

}  // namespace molfo
