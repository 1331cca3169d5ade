// The HUD steps: each compares a game value with the value it last showed
// and touches its control only when they differ.
#include <cmath>
#include <string>

#include "draw/Draw.h"
#include "i18n/Catalog.h"

#include "world/Game.h"

namespace molfo {

namespace {

constexpr int32_t kFramesPerMeter = 500;
// C advances the selection only when more than this many frames have passed
// since the last change, that is at most once every 9 frames.
constexpr int32_t kItemChangeGuard = 8;

// The boss bar's width: hit points over hit points per pixel, in single
// precision, to the nearest pixel with halves to the even one.
int BossBarWidth(int16_t hp, float ritu) {
    const float q = static_cast<float>(hp) / ritu;
    if (std::isnan(q)) return 0;
    const float r = std::nearbyint(q);  // the default rounding mode ties to even
    if (r < 0.0f) return 0;
    if (r > 32767.0f) return 32767;
    return static_cast<int>(r);
}

// TukauItemNo is 0 until a game is set up; the table has entries 0..6.
bool InItemTable(int n) { return n >= 0 && n < static_cast<int>(std::tuple_size_v<decltype(GameState::ItemKosu)>); }

}  // namespace

void HpHyouji(Game& g) {
    GameState& s = g.s;
    const int16_t hp = s.KyaraHp[slot::Molfo];
    if (hp == s.ShownHp) return;
    s.ShownHp = hp;
    g.scr.HPL.w = hp >= 1 ? hp : 0;
}

void BossHpHyouji(Game& g) {
    GameState& s = g.s;
    const int16_t hp = s.KyaraHp[slot::BossFirst];
    if (hp == s.ShownBossHp || s.BossToujou != 1) return;
    s.ShownBossHp = hp;
    g.scr.BossHpL.w = hp > 0 ? BossBarWidth(hp, s.BossHpRitu) : 0;
}

void TenHyouji(Game& g) {
    GameState& s = g.s;
    if (s.GoukeiTen == s.ShownTen) return;
    s.ShownTen = s.GoukeiTen;
    g.scr.GoukeiTenL.caption = i18n::Fill(i18n::N_("%dてん"), s.ShownTen);
}

void KyoriHyouji(Game& g) {
    GameState& s = g.s;
    if (s.BossToujou == 1 && s.FrameCount <= 1) {
        g.scr.BossKyoriL.caption = "0m";
        return;
    }
    if (s.FrameCount > 1 && s.FrameCount % kFramesPerMeter != 0) return;
    const int32_t meters = (int32_t{s.SutejiNagasa} - s.FrameCount) / kFramesPerMeter;
    g.scr.BossKyoriL.caption = std::to_string(meters) + "m";
}

void ItemHyouji(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    // Both keys are read every frame, so a press of one is not left latched
    // while the other acts.
    const bool shift = KeyDown(g, vk::Shift);
    const bool c = KeyDown(g, vk::C);
    if (shift || (c && s.ItemChangeFrame + kItemChangeGuard < s.FrameCount)) {
        s.ItemChangeFrame = s.FrameCount;
        s.TukauItemNo = static_cast<int16_t>(s.TukauItemNo + 1);
        if (s.TukauItemNo > s.TukauItemLast) s.TukauItemNo = 1;
        w.MainItemPic.icon = s.TukauItemNo;
        if (InItemTable(s.TukauItemNo)) w.MainSPL.caption = std::to_string(s.ItemKosu[s.TukauItemNo]);
    }
    if (!InItemTable(s.TukauItemNo)) return;
    const int16_t kosu = s.ItemKosu[s.TukauItemNo];
    if (kosu == s.ShownItemKosu) return;
    s.ShownItemKosu = kosu;
    w.MainSPL.caption = std::to_string(kosu);
}

}  // namespace molfo
