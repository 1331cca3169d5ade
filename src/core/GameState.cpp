// The object table's and the collision grid's resets, the score's limit and
// the file tables.
#include "core/GameState.h"

#include <algorithm>

namespace molfo {

const std::array<const char*, 13> kKyokuFileNames = {
    "",
    "sys\\opening.mid", "sys\\suteji1.mid", "sys\\suteji2.mid", "sys\\suteji3.mid",
    "sys\\suteji4.mid", "sys\\suteji5.mid", "sys\\boss1.mid", "sys\\boss2.mid",
    "sys\\boss3.mid", "sys\\boss4.mid", "sys\\boss5.mid", "sys\\ending.mid",
};

const std::array<const char*, 17> kKoukaonFileNames = {
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
    for (auto* a : {&s.KyaraBunrui, &s.KyaraShurui, &s.KyaraHp, &s.KyaraKougeki, &s.KyaraSoku, &s.KyaraTen,
                    &s.KyaraPicNo, &s.KyaraPicY, &s.KyaraPicX, &s.KyaraHaba, &s.KyaraTakasa, &s.KyaraSonzai,
                    &s.KyaraAtariX1, &s.KyaraAtariX2, &s.KyaraAtariY1, &s.KyaraAtariY2, &s.KyaraX, &s.KyaraY,
                    &s.KyaraKoma, &s.KyaraKomaKankaku, &s.KyaraUgokiFlag, &s.KyaraMuki, &s.KyaraDameji})
        a->fill(0);
    s.KyaraXD.fill(0.0);
    s.KyaraYD.fill(0.0);
    s.KyaraUgokiD.fill(0.0);
}


}  // namespace molfo
