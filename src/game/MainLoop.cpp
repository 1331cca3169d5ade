// The main loop, its list of steps and the clean-up at the end.
#include "game/Flow.h"

#include "boss/Boss.h"
#include "draw/Draw.h"
#include "enemies/Enemies.h"
#include "items/Items.h"
#include "player/Player.h"
#include "screens/Screens.h"
#include "world/Game.h"

namespace molfo {

void Main(Game& g) {
    GameState& s = g.s;
    for (;;) {
        ++g.passes;
        s.FrameStartTick = s.FrameNowTick = static_cast<int32_t>(g.pf.clock.Ticks());
        if (s.InGame == 0) {
            Title(g);
            if (KeyDown(g, vk::Escape) || s.ShuryoFlag == shuryo::CloseAsked) s.ShuryoFlag = shuryo::End;
            // The set-up runs even when the title asked to end.
            GameShokika(g);
            g.SetScene(Scene::Play);
        }
        DoEvents(g);
        if (KeyDown(g, vk::Escape) || s.ShuryoFlag == shuryo::CloseAsked || s.ShuryoFlag == shuryo::End) {
            s.ShuryoFlag = shuryo::End;
            break;
        }
        SutejiShinkou(g);  // first, so FrameCount is current for every later step
        if (s.ShuryoFlag != shuryo::Running) break;
        // A game the ending has just ranked (the player fell in the frame the
        // last boss did) is over: the ending wins, and one game makes one
        // ranking entry.
        if (s.GameOverFlag == 1 && s.InGame == 1) GameOver(g);
        if (s.InGame != 0) {
            PlaySteps(g);
            ShowFrame(g);  // the finished frame to the screen: see world/Game.h
            FrameMachi(g, 15);
        }
        if (g.afterPass) g.afterPass(g);
        if (s.ShuryoFlag == shuryo::End) break;
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
