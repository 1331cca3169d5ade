#include "driver/Dump.h"

#include <string_view>

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

// Left out of a slot's line: the sprite, the hit box and the animation pace
// come from the kind's row and never change, and every slot dumped is live.
bool Dumped(std::string_view name) {
    static constexpr std::string_view kLeftOut[] = {"KyaraPicNo",   "KyaraPicY",    "KyaraPicX",    "KyaraHaba",
                                                    "KyaraTakasa",  "KyaraSonzai",  "KyaraAtariX1", "KyaraAtariX2",
                                                    "KyaraAtariY1", "KyaraAtariY2", "KyaraKomaKankaku"};
    for (std::string_view l : kLeftOut)
        if (name == l) return false;
    return true;
}

nlohmann::ordered_json SlotJson(const GameState& s, int n) {
    nlohmann::ordered_json j;
    j["slot"] = n;
    // Keys without the "Kyara" every per-slot name starts with.
    ForEachSlotArray(s, [&j, n](std::string_view name, const auto& a) {
        if (Dumped(name)) j[std::string(name.substr(5))] = a[n];
    });
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
