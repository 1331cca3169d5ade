// The player's movement and shots. Both go through the collision sweep, so
// walls, enemies, bullets and items act on the player as it moves.
#include "collision/Chousa.h"
#include "player/Player.h"
#include "world/Game.h"

namespace molfo {

void MolfoUgoki(Game& g) {
    GameState& s = g.s;
    const bool left = KeyDown(g, vk::Left);
    const bool right = KeyDown(g, vk::Right);
    const bool up = KeyDown(g, vk::Up);
    const bool down = KeyDown(g, vk::Down);
    const int dx = (right ? 1 : 0) - (left ? 1 : 0);
    const int dy = (down ? 1 : 0) - (up ? 1 : 0);
    if (dx == 0 && dy == 0) return;
    // Diagonals are deliberately left unscaled: each axis moves the full speed.
    const int16_t m = slot::Molfo;
    const auto bx = static_cast<int16_t>(s.KyaraX[m] + dx * s.KyaraSoku[m]);
    const auto by = static_cast<int16_t>(s.KyaraY[m] + dy * s.KyaraSoku[m]);
    ChousaClass(g).ChousaMain(m, bx, by);
}

void MolfoDan(Game& g) {
    GameState& s = g.s;
    // Both keys are read every frame so neither keeps a stale press latched.
    const bool space = KeyDown(g, vk::Space);
    const bool z = KeyDown(g, vk::Z);
    const int16_t m = slot::Molfo;
    if (space || z) {
        for (int16_t k = slot::MolfoDanFirst; k <= slot::MolfoDanLast; ++k) {
            if (s.KyaraSonzai[k] != 0) continue;
            s.KyaraSonzai[k] = 1;
            s.KyaraX[k] = static_cast<int16_t>(s.KyaraX[m] + s.KyaraHaba[m] / 2 - s.KyaraHaba[k] / 2);
            s.KyaraY[k] = s.KyaraY[m];
            break;  // one shot a frame is the only rate limit
        }
    }
    ChousaClass chousa(g);
    for (int16_t k = slot::MolfoDanFirst; k <= slot::MolfoDanLast; ++k) {
        if (s.KyaraSonzai[k] != 1) continue;
        chousa.ChousaMain(k, s.KyaraX[k], static_cast<int16_t>(s.KyaraY[k] - s.KyaraSoku[k]));
    }
}

}  // namespace molfo
