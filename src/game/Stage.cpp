// Stage progress: the frame counter, the boss's arrival and the stage's end.
#include "boss/Boss.h"
#include "enemies/Enemies.h"
#include "game/Flow.h"
#include "i18n/Catalog.h"
#include "screens/Screens.h"
#include "world/Game.h"

namespace molfo {

namespace {

void BossArrives(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    BossDataClass boss(g);
    boss.BossData(slot::BossFirst);
    LoadGamePicture(g, w.KyaraPic[sheet::Boss], boss.BossPicFile());
    s.BossToujou = 1;
    s.FrameCount = 0;
    s.ItemUseFrame = 0;
    s.ItemChangeFrame = 0;
    w.BossKyoriL.visible = false;
    w.BossHpL.visible = true;
    w.BossHpL2.visible = true;
    w.BossHpL.w = 400;
    w.BossL.caption = i18n::N_("ぼすのたいりょく");
    s.BossHpRitu = static_cast<float>(s.KyaraHp[slot::BossFirst]) / 400.0f;
    g.Oto->Play(s.KyokuFile[kyoku::Boss(s.SutejiNo)], kyoku::Kaisu);
}

void StageEnds(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    s.SutejiNo += 1;
    if (s.SutejiNo == s.EndingSuteji) {
        Ending(g);
        return;
    }
    s.BossToujou = 0;
    s.FrameCount = 0;
    s.ItemUseFrame = 0;
    s.ItemChangeFrame = 0;
    s.SutejiKuria = 0;
    LoadStage(g);
    w.BossKyoriL.visible = true;
    w.BossHpL.visible = false;
    w.BossHpL2.visible = false;
    w.BossHpL.w = 400;
    w.BossL.caption = i18n::N_("ボスまであと");
    g.Oto->Play(s.KyokuFile[kyoku::Suteji(s.SutejiNo)], kyoku::Kaisu);
}

}  // namespace

void LoadStage(Game& g) {
    GameState& s = g.s;
    SutejiClass suteji(g);
    s.SutejiNagasa = suteji.SutejiNagasa();
    s.ZakoRitu = suteji.ZakoShurugenRitu();
    suteji.ToujouZakos();
    LoadGamePicture(g, g.scr.HaikeiPic, suteji.HaikeiPicFile());
}

void SutejiShinkou(Game& g) {
    GameState& s = g.s;
    s.FrameCount += 1;
    if (s.BossToujou == 0 && s.FrameCount == s.SutejiNagasa) {
        BossArrives(g);
    } else if (s.BossToujou == 1 && s.SutejiKuria == 1) {
        StageEnds(g);
    }
}

}  // namespace molfo
