// Game set-up and reset, the collision grid's fill and the file tables.
#include <algorithm>

#include "core/Game.h"
#include "enemies/Enemies.h"
#include "items/Items.h"

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

void GameShokika(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    s.InGame = 1;
    s.ChousaMap.Fill();
    s.SutejiMax = 6;
    s.SutejiNo = 1;
    s.EndingSuteji = 6;
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
    w.BossL.caption = "ボスまであと";
    ItemClass(g).ShutugenItemShokika();
    s.TukauItemFirst = 1;
    s.TukauItemLast = 6;
    s.ItemKosu.fill(0);
    for (int i = 1; i <= 6; ++i) w.SPL[i].caption = "0";
    s.FoodFirst = 7;
    s.FoodLast = 12;
    s.TukauItemNo = 1;
    w.MainSPL.caption = std::to_string(s.ItemKosu[s.TukauItemNo]);
    for (size_t i = 0; i < s.KyokuFile.size(); ++i) s.KyokuFile[i] = kKyokuFileNames[i];
    for (size_t i = 0; i < s.KoukaonFile.size(); ++i) s.KoukaonFile[i] = kKoukaonFileNames[i];
    if (!g.Oto) g.Oto = g.NewSound();
    g.Oto->Koukaon(s.KoukaonFile[14]);
    Delay(g, 500);
    g.Oto->Play(s.KyokuFile[2], 10);
    w.MS.caption = "Escキーで終了\r\nZキーでハルモス光線\r\nXでアイテムをつかう。\r\nCキーで使うアイテムをチェンジ";
}

void GameReset(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    s.ShuryoFlag = 0;
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
    w.BossL.caption = "ボスまであと";
    w.BossKyoriL.caption = "0";
    w.GoukeiTenL.caption = "0";
    w.MainPic1.Clear();
    w.CurrentY = 0;  // clearing the picture also sends its text back to the top
}

}  // namespace molfo
