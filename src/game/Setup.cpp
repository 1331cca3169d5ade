// Game set-up and reset.
#include <string>

#include "core/ItemTable.h"
#include "enemies/Enemies.h"
#include "game/Flow.h"
#include "i18n/Catalog.h"
#include "items/Items.h"
#include "render/KeyHelp.h"
#include "world/Game.h"

namespace molfo {

namespace {
// Beating the fifth boss leads to "stage 6": the ending.
constexpr int16_t kEndingSuteji = 6;
}  // namespace

void GameShokika(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    s.InGame = 1;
    s.ChousaMap.Fill();
    s.SutejiMax = kEndingSuteji;
    s.SutejiNo = 1;
    s.EndingSuteji = kEndingSuteji;
    s.SutejiKuria = 0;
    LoadStage(g);
    s.KyaraMax = slot::Max;
    ClearSlots(s);
    s.MolfoNo = slot::Molfo;
    s.MolfoDanFirst = slot::MolfoDanFirst;
    s.MolfoDanLast = slot::MolfoDanLast;
    s.MolfoSFirst = slot::MolfoSFirst;
    s.MolfoSLast = slot::MolfoSLast;
    s.ZakoFirst = slot::ZakoFirst;
    s.ZakoLast = slot::ZakoLast;
    s.TekidanFirst = slot::TekidanFirst;
    s.TekidanLast = slot::TekidanLast;
    s.BossFirst = slot::BossFirst;
    s.BossLast = slot::BossLast;
    s.ItemFirst = slot::ItemFirst;
    s.ItemLast = slot::ItemLast;
    s.KyaraLast = slot::KyaraLast;
    {
        KyaraDataClass data(g);
        data.MolfoData();
        for (int16_t add = slot::MolfoDanFirst; add <= slot::MolfoDanLast; ++add) data.MolfoAData(add);
    }
    w.BossL.caption = i18n::N_("ボスまであと");
    ItemClass(g).ShutugenItemShokika();
    s.TukauItemFirst = kTukauItemFirst;
    s.TukauItemLast = kTukauItemLast;
    s.ItemKosu.fill(0);
    for (int i = kTukauItemFirst; i <= kTukauItemLast; ++i) w.SPL[i].caption = "0";
    s.FoodFirst = kFoodFirst;
    s.FoodLast = kFoodLast;
    s.TukauItemNo = kTukauItemFirst;
    w.MainSPL.caption = std::to_string(s.ItemKosu[s.TukauItemNo]);
    for (size_t i = 0; i < s.KyokuFile.size(); ++i) s.KyokuFile[i] = kKyokuFileNames[i];
    for (size_t i = 0; i < s.KoukaonFile.size(); ++i) s.KoukaonFile[i] = kKoukaonFileNames[i];
    if (!g.Oto) g.Oto = g.NewSound();
    g.Oto->Koukaon(s.KoukaonFile[koukaon::SutejiStart]);
    Delay(g, 500);
    g.Oto->Play(s.KyokuFile[kyoku::Suteji(1)], kyoku::Kaisu);
    w.MS.caption = PlayHelp();
}

void GameReset(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    s.ShuryoFlag = shuryo::Running;
    s.GameOverFlag = 0;
    s.FrameCount = 0;
    s.FrameStartTick = 0;
    s.FrameNowTick = 0;
    for (int16_t* v : {&s.KyaraMax, &s.MolfoNo, &s.MolfoDanFirst, &s.MolfoDanLast, &s.MolfoSFirst, &s.MolfoSLast,
                       &s.ZakoFirst, &s.ZakoLast, &s.TekidanFirst, &s.TekidanLast, &s.BossFirst, &s.BossLast,
                       &s.ItemFirst, &s.ItemLast, &s.KyaraLast})
        *v = 0;
    for (int16_t* v : {&s.SutejiNo, &s.SutejiMax, &s.ZakoRitu, &s.ZakoRituNow, &s.SutejiNagasa, &s.BossToujou,
                       &s.SutejiKuria, &s.EndingSuteji, &s.ShownHp, &s.GoukeiTen, &s.ShownTen, &s.ShownBossHp,
                       &s.ItemTen, &s.TenMae, &s.ShutugenItemGoukei, &s.TukauItemFirst, &s.TukauItemLast,
                       &s.FoodFirst, &s.FoodLast, &s.TukauItemNo, &s.ShownItemKosu, &s.HantenCount})
        *v = 0;
    s.BossHpRitu = 0.0f;
    s.ItemChangeFrame = 0;
    s.ItemUseFrame = 0;
    w.BossKyoriL.visible = true;
    w.BossHpL.visible = false;
    w.BossHpL2.visible = false;
    w.BossHpL.w = 400;
    w.BossL.caption = i18n::N_("ボスまであと");
    w.BossKyoriL.caption = "0";
    w.GoukeiTenL.caption = "0";
    w.MainPic1.Clear();
    w.CurrentY = 0;  // clearing the picture also sends its text back to the top
}

}  // namespace molfo
