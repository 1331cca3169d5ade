#include "driver/Dump.h"

#include "platform/headless/Headless.h"
#include "world/Game.h"

namespace molfo {

namespace {

nlohmann::ordered_json LabelJson(const Label& l) {
    nlohmann::ordered_json j;
    j["caption"] = l.caption;
    j["width"] = l.w;
    j["visible"] = l.visible;
    return j;
}

nlohmann::ordered_json SlotJson(const GameState& s, int n) {
    nlohmann::ordered_json j;
    j["slot"] = n;
    j["Bunrui"] = s.KyaraBunrui[n];
    j["Shurui"] = s.KyaraShurui[n];
    j["Hp"] = s.KyaraHp[n];
    j["Kougeki"] = s.KyaraKougeki[n];
    j["Soku"] = s.KyaraSoku[n];
    j["Ten"] = s.KyaraTen[n];
    j["X"] = s.KyaraX[n];
    j["Y"] = s.KyaraY[n];
    j["Koma"] = s.KyaraKoma[n];
    j["UgokiFlag"] = s.KyaraUgokiFlag[n];
    j["XD"] = s.KyaraXD[n];
    j["YD"] = s.KyaraYD[n];
    j["UgokiD"] = s.KyaraUgokiD[n];
    j["Muki"] = s.KyaraMuki[n];
    j["Dameji"] = s.KyaraDameji[n];
    return j;
}

}  // namespace

nlohmann::ordered_json DumpPass(const Game& g, const HeadlessPlatform& hp, DumpContext& ctx) {
    const GameState& s = g.s;
    const Screen& w = g.scr;
    nlohmann::ordered_json j;
    j["pass"] = g.passes;
    j["tick"] = hp.clock.Now();
    j["scene"] = SceneName(g.scene);
    j["game"] = ctx.game;
    j["frame"] = ctx.playFrame;
    j["FrameCount"] = s.FrameCount;
    j["SutejiNo"] = s.SutejiNo;
    j["InGame"] = s.InGame;
    j["ShuryoFlag"] = s.ShuryoFlag;
    j["GameOverFlag"] = s.GameOverFlag;
    j["BossToujou"] = s.BossToujou;
    j["SutejiKuria"] = s.SutejiKuria;
    j["GoukeiTen"] = s.GoukeiTen;
    j["ItemTen"] = s.ItemTen;
    j["ZakoRituNow"] = s.ZakoRituNow;
    j["TukauItemNo"] = s.TukauItemNo;
    j["ItemKosu"] = std::vector<int16_t>(s.ItemKosu.begin() + 1, s.ItemKosu.end());
    j["HantenCount"] = s.HantenCount;

    nlohmann::ordered_json hud;
    hud["HPL"] = LabelJson(w.HPL);
    hud["BossHpL"] = LabelJson(w.BossHpL);
    hud["BossL"] = LabelJson(w.BossL);
    hud["BossKyoriL"] = LabelJson(w.BossKyoriL);
    hud["GoukeiTenL"] = LabelJson(w.GoukeiTenL);
    hud["MainSPL"] = LabelJson(w.MainSPL);
    hud["MainItemPic"] = w.MainItemPic.icon;
    std::vector<std::string> spl;
    for (int i = 1; i <= 6; ++i) spl.push_back(w.SPL[i].caption);
    hud["SPL"] = spl;
    hud["MS"] = w.MS.caption;
    j["hud"] = hud;

    auto slots = nlohmann::ordered_json::array();
    for (int n = slot::Molfo; n <= slot::Max; ++n)
        if (s.KyaraSonzai[n] == 1) slots.push_back(SlotJson(s, n));
    j["slots"] = slots;

    auto sounds = nlohmann::ordered_json::array();
    for (; ctx.soundsDumped < hp.audio.log.size(); ++ctx.soundsDumped) {
        const SoundCall& c = hp.audio.log[ctx.soundsDumped];
        nlohmann::ordered_json sc;
        sc["tick"] = c.tick;
        sc["op"] = c.op;
        if (!c.path.empty()) sc["path"] = c.path;
        if (c.op == "music") sc["repeat"] = c.kaisu;
        sounds.push_back(sc);
    }
    j["sounds"] = sounds;

    auto dialogs = nlohmann::ordered_json::array();
    for (; ctx.dialogsDumped < hp.dialogs.shown.size(); ++ctx.dialogsDumped) {
        const auto& d = hp.dialogs.shown[ctx.dialogsDumped];
        dialogs.push_back({{"kind", d.kind}, {"text", d.text}, {"answer", d.answer}});
    }
    j["dialogs"] = dialogs;
    return j;
}

std::string DumpLine(const nlohmann::ordered_json& j) {
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace molfo
