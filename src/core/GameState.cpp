// The object table's and the collision grid's resets, the score's limit and
// the file tables.
#include "core/GameState.h"

#include <algorithm>

namespace molfo {

const std::array<const char*, kyoku::Count> kKyokuFileNames = {
    "",
    "sys\\opening.mid", "sys\\suteji1.mid", "sys\\suteji2.mid", "sys\\suteji3.mid",
    "sys\\suteji4.mid", "sys\\suteji5.mid", "sys\\boss1.mid", "sys\\boss2.mid",
    "sys\\boss3.mid", "sys\\boss4.mid", "sys\\boss5.mid", "sys\\ending.mid",
};

const std::array<const char*, koukaon::Count> kKoukaonFileNames = {
    "",
    "sys\\molfoko.wav", "sys\\dameji.wav", "sys\\molfokousen.wav", "sys\\kurosu.wav",
    "sys\\ringbariya.wav", "sys\\supaku.wav", "sys\\faiya.wav", "sys\\supairaru.wav",
    "sys\\bom.wav", "sys\\zakoko.wav", "sys\\hit.wav", "sys\\bosstoujou.wav",
    "sys\\bossko.wav", "sys\\sutejistart.wav", "sys\\sutejikuria.wav", "sys\\itemget.wav",
};

void CollisionGrid::Fill() {
    auto square = [this](int from, int to, int16_t v) {
        for (int y = from; y <= to; ++y)
            for (int x = from; x <= to; ++x) at(x, y) = v;
    };
    square(Min, MaxCoord, cell::OuterWall);
    square(-80, 580, cell::Border);
    square(0, 500, cell::Free);
}

void GameState::AddScore(int points) {
    const int sum = GoukeiTen + points;
    GoukeiTen = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
}

void ClearSlots(GameState& s) {
    ForEachSlotArray(s, [](const char*, auto& a) { a.fill({}); });
}

void ZeroSlot(GameState& s, int16_t add) {
    ForEachSlotArray(s, [add](const char*, auto& a) { a[add] = {}; });
}

void SpawnSlot(GameState& s, int16_t add, const SlotRow& row) {
    ZeroSlot(s, add);
    s.KyaraBunrui[add] = row.Bunrui;
    s.KyaraShurui[add] = row.Shurui;
    s.KyaraHp[add] = row.Hp;
    s.KyaraKougeki[add] = row.Kougeki;
    s.KyaraSoku[add] = row.Soku;
    s.KyaraTen[add] = row.Ten;
    s.KyaraPicNo[add] = row.PicNo;
    s.KyaraPicY[add] = row.PicY;
    s.KyaraPicX[add] = row.PicX;
    s.KyaraHaba[add] = row.Haba;
    s.KyaraTakasa[add] = row.Takasa;
    s.KyaraAtariX1[add] = row.AtariX1;
    s.KyaraAtariX2[add] = row.AtariX2;
    s.KyaraAtariY1[add] = row.AtariY1;
    s.KyaraAtariY2[add] = row.AtariY2;
    s.KyaraX[add] = row.X;
    s.KyaraY[add] = row.Y;
    s.KyaraKomaKankaku[add] = row.KomaKankaku;
    s.KyaraSonzai[add] = 1;
}

}  // namespace molfo
