// The main loop, the frame wait, the general wait, close requests, the
// clean-up and the random numbers.
#include "boss/Boss.h"
#include "core/Game.h"
#include "enemies/Enemies.h"
#include "items/Items.h"
#include "player/Player.h"
#include "render/Render.h"
#include "screens/Screens.h"

namespace molfo {

namespace {

uint32_t Elapsed(uint32_t now, uint32_t start) { return now - start; }  // modulo 2^32

}  // namespace

void Main(Game& g) {
    GameState& s = g.s;
    for (;;) {
        ++g.passes;
        s.FrameStartTick = s.FrameNowTick = static_cast<int32_t>(g.pf.clock.Ticks());
        if (s.InGame == 0) {
            Title(g);
            if (KeyDown(g, vk::Escape) || s.ShuryoFlag == 1) s.ShuryoFlag = -1;
            // The set-up runs even when the title asked to end.
            GameShokika(g);
            g.SetScene(Scene::Play);
        }
        DoEvents(g);
        if (KeyDown(g, vk::Escape) || s.ShuryoFlag == 1 || s.ShuryoFlag == -1) {
            s.ShuryoFlag = -1;
            break;
        }
        SutejiShinkou(g);  // first, so FrameCount is current for every later step
        if (s.ShuryoFlag != 0) break;
        if (s.GameOverFlag == 1) GameOver(g);
        if (s.InGame != 0) {
            PlaySteps(g);
            FrameMachi(g, 15);
        }
        if (g.afterPass) g.afterPass(g);
        if (s.ShuryoFlag == -1) break;
    }
    g.SetScene(Scene::End);
    HairetuKaihou(g);
}

// Every mover before the HUD, the HUD before the drawing: objects moved later
// in the frame meet the positions already updated earlier in it.
void PlaySteps(Game& g) {
    MolfoUgoki(g);
    MolfoDan(g);
    ItemTukau(g);
    MolfoSUgoki(g);
    ZakoMain(g);
    TekidanUgoki(g);
    BossMain(g);
    ItemMain(g);
    HpHyouji(g);
    BossHpHyouji(g);
    TenHyouji(g);
    KyoriHyouji(g);
    ItemHyouji(g);
    Byouga(g);
}

void FrameMachi(Game& g, int32_t ms) {
    GameState& s = g.s;
    const auto wanted = static_cast<uint32_t>(ms);
    if (Elapsed(static_cast<uint32_t>(s.FrameNowTick), static_cast<uint32_t>(s.FrameStartTick)) >= wanted) return;
    for (;;) {
        s.FrameNowTick = static_cast<int32_t>(g.pf.clock.Ticks());
        DoEvents(g);
        if (Elapsed(static_cast<uint32_t>(s.FrameNowTick), static_cast<uint32_t>(s.FrameStartTick)) >= wanted) return;
        g.pf.clock.Sleep(1);  // wait in slices instead of spinning a core
    }
}

void Delay(Game& g, int32_t ms) {
    GameState& s = g.s;
    // Labels are window controls that repaint themselves while events are
    // pumped: a caption set just before a wait (the end screen's key help,
    // the new game's item counts) shows during it, not at the next frame.
    if (g.scr.ControlsChanged()) g.Refresh();
    const uint32_t start = g.pf.clock.Ticks();
    const auto wanted = static_cast<uint32_t>(ms);
    for (;;) {
        if (Elapsed(g.pf.clock.Ticks(), start) >= wanted) return;
        DoEvents(g);
        if (KeyDown(g, vk::Escape) || s.ShuryoFlag == 1) {
            s.ShuryoFlag = -1;
            return;
        }
        g.pf.clock.Sleep(1);
    }
}

bool DoEvents(Game& g) {
    const bool close = g.pf.events.Pump();
    // The close itself is refused; the next check of ShuryoFlag winds down.
    if (close && g.s.ShuryoFlag == 0) g.s.ShuryoFlag = 1;
    return close;
}

bool KeyDown(Game& g, int vkCode) { return g.pf.keys.Query(vkCode); }

int16_t Ransu(Game& g, int16_t n) {
    // Reseed from the clock on every call, mixed into the running state so
    // that several draws within one millisecond still differ.
    uint64_t z = g.ransuState ^ (uint64_t{g.pf.clock.Ticks()} * 0xD1B54A32D192ED03ULL);
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    g.ransuState = z;
    // 24 random bits make a float strictly below 1.
    const float r = static_cast<float>(z >> 40) * (1.0f / 16777216.0f);
    int v = static_cast<int>(static_cast<float>(n) * r + 1.0f);
    if (n >= 1 && v > n) v = n;
    return static_cast<int16_t>(v);
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

void HairetuKaihou(Game& g) {
    GameState& s = g.s;
    ClearSlots(s);
    s.ChousaMap.Clear();
    s.ToujouZako.fill(0);
    s.ShutugenItemRitu.fill(0);
    s.ItemKosu.fill(0);
    for (auto& f : s.KyokuFile) f.clear();
    for (auto& f : s.KoukaonFile) f.clear();
}

}  // namespace molfo
