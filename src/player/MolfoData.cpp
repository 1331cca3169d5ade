// The player's row and the shot template, written once per game at set-up.
#include <array>

#include "enemies/Enemies.h"
#include "world/Game.h"

namespace molfo {

namespace {

constexpr std::array<SlotRow, 2> kMolfoTable = {{
    // The player: an 11 x 21 hit box in the middle of its 50 x 50 sprite,
    // starting centred near the bottom.
    {.Bunrui = bunrui::Molfo, .Shurui = 1, .Hp = 50, .Kougeki = 5, .Soku = 5, .PicNo = sheet::Molfo, .PicY = 21,
     .Haba = 50, .Takasa = 50, .AtariX1 = 20, .AtariX2 = 30, .AtariY1 = 15, .AtariY2 = 35, .X = 225, .Y = 400,
     .KomaKankaku = 8},
    // The shot template. It starts live at the top-left corner, so every
    // shot slot flies off into the border on the first two frames.
    {.Bunrui = bunrui::Molfo, .Shurui = 1, .Hp = 1, .Kougeki = 1, .Soku = 6, .PicNo = sheet::Molfo, .Haba = 20,
     .Takasa = 20, .AtariX1 = 7, .AtariX2 = 12, .AtariY1 = 6, .AtariY2 = 13, .KomaKankaku = 1},
}};
static_assert(kMolfoTable.size() == 2, "one row for the player, one for the shot template");

constexpr int kRowMolfo = 0;
constexpr int kRowDan = 1;

}  // namespace

void KyaraDataClass::MolfoData() { SpawnSlot(s_, slot::Molfo, kMolfoTable[kRowMolfo]); }

void KyaraDataClass::MolfoAData(int16_t Add) {
    if (Add < 0 || Add > slot::Max) return;
    SpawnSlot(s_, Add, kMolfoTable[kRowDan]);
}

}  // namespace molfo
