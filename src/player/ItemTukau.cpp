// Spending the selected item: the special attacks and the bomb.
#include <algorithm>
#include <string>

#include "collision/Chousa.h"
#include "items/Items.h"
#include "movement/Ugoki.h"
#include "player/Player.h"
#include "world/Game.h"

namespace molfo {

namespace {

constexpr int16_t kVolleyKind = sp::Kurosu;
constexpr int16_t kBombKind = sp::Bom;
constexpr int16_t kVolleySize = 4;
// X is refused until this many frames have passed since the last use.
constexpr int32_t kUseWait = 30;
constexpr int16_t kBombFlashFrames = 5;
constexpr int kBombBossDamage = 80;
// Launch sounds follow the kinds, from Kurosu's for kind 1 to the bomb's.
constexpr int kLaunchSoundBase = koukaon::Kurosu - sp::Kurosu;
static_assert(kLaunchSoundBase + sp::Bom == koukaon::Bom, "one launch sound per usable item kind");

void LaunchVolley(Game& g, ItemClass& item, int16_t lx, int16_t ly) {
    GameState& s = g.s;
    int16_t n = 0;
    for (int16_t a = slot::MolfoSFirst; a <= slot::MolfoSLast && n < kVolleySize; ++a) {
        if (s.KyaraSonzai[a] != 0) continue;
        ++n;
        item.MolfoSData(a, kVolleyKind);
        s.KyaraUgokiD[a] = n;
        s.KyaraX[a] = lx;
        s.KyaraY[a] = ly;
    }
}

void LaunchOne(Game& g, ItemClass& item, int16_t kind, int16_t lx, int16_t ly) {
    GameState& s = g.s;
    for (int16_t a = slot::MolfoSFirst; a <= slot::MolfoSLast; ++a) {
        if (s.KyaraSonzai[a] != 0) continue;
        item.MolfoSData(a, kind);
        s.KyaraX[a] = lx;
        s.KyaraY[a] = ly;
        return;
    }
}

void Bomb(Game& g) {
    GameState& s = g.s;
    // Small enemies and bullets are one contiguous run of slots.
    static_assert(slot::TekidanFirst == slot::ZakoLast + 1);
    for (int16_t a = slot::ZakoFirst; a <= slot::TekidanLast; ++a) {
        if (s.KyaraSonzai[a] != 1) continue;
        s.AddScore(s.KyaraTen[a]);
        ChousaClass(g).KyaraShokika(a);
    }
    s.HantenCount = kBombFlashFrames;
    // The boss is worn down but not destroyed here: a part left at 0 or below
    // falls to the next hit it takes, which also clears the stage.
    for (int16_t a = slot::BossFirst; a <= slot::BossLast; ++a) {
        if (s.KyaraSonzai[a] != 1) continue;
        s.KyaraHp[a] = static_cast<int16_t>(std::max(s.KyaraHp[a] - kBombBossDamage, -32768));
    }
}

}  // namespace

void ItemTukau(Game& g) {
    GameState& s = g.s;
    const bool ctrl = KeyDown(g, vk::Control);
    const bool x = KeyDown(g, vk::X);
    if (!ctrl && !(x && s.ItemUseFrame + kUseWait < s.FrameCount)) return;

    const int16_t k = s.TukauItemNo;
    if (k < 1 || k > kBombKind) return;
    // An empty stock costs nothing, not even the wait.
    if (s.ItemKosu[k] < 1) return;
    --s.ItemKosu[k];
    g.scr.SPL[k].caption = std::to_string(s.ItemKosu[k]);
    s.ItemUseFrame = s.FrameCount;

    // Launches start at the centre of the player's sprite, whatever their size.
    const int16_t lx = static_cast<int16_t>(s.KyaraX[slot::Molfo] + CInt(s.KyaraHaba[slot::Molfo] / 2.0));
    const int16_t ly = static_cast<int16_t>(s.KyaraY[slot::Molfo] + CInt(s.KyaraTakasa[slot::Molfo] / 2.0));

    ItemClass item(g);
    if (k == kVolleyKind) {
        LaunchVolley(g, item, lx, ly);
    } else if (k == kBombKind) {
        Bomb(g);
    } else {
        // With every slot busy the item is still spent.
        LaunchOne(g, item, k, lx, ly);
    }
    g.Oto->Koukaon(s.KoukaonFile[k + kLaunchSoundBase]);
}

void MolfoSUgoki(Game& g) {
    GameState& s = g.s;
    ItemClass item(g);
    for (int16_t a = slot::MolfoSFirst; a <= slot::MolfoSLast; ++a)
        if (s.KyaraSonzai[a] == 1) item.SpUgoki(a);
}

}  // namespace molfo
