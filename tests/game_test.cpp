// The game's flow: a new game's set-up, a stage's end, and the main loop's
// checks, run through the headless driver.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "draw/Draw.h"
#include "driver/Session.h"

namespace molfo {
namespace {

using test::Script;

TEST(GameSetup, NewGameStartsAtStageOneWithItsTemplates) {
    test::TestGame t;
    t.NewGame();
    const GameState& s = t.s;
    EXPECT_EQ(s.InGame, 1) << "set-up starts a game";
    EXPECT_EQ(s.SutejiNo, 1) << "a game starts at stage 1";
    EXPECT_EQ(s.BossToujou, 0) << "no boss at the start";
    EXPECT_EQ(s.GoukeiTen, 0) << "the score starts at 0";
    for (int n : {0, 1, 2}) EXPECT_EQ(s.KyaraSonzai[n], 0) << "slot " << n << " never holds an object";
    for (int n = slot::MolfoSFirst; n <= slot::Max; ++n) EXPECT_EQ(s.KyaraSonzai[n], 0) << "slot " << n << " is free after set-up";
    EXPECT_EQ(s.KyaraSonzai[slot::Molfo], 1) << "the player is live";
    EXPECT_EQ(s.KyaraX[slot::Molfo], 225) << "the player starts centred";
    EXPECT_EQ(s.KyaraY[slot::Molfo], 400) << "the player starts near the bottom";
    EXPECT_EQ(s.KyaraHp[slot::Molfo], 50) << "the player starts with 50 hit points";
    for (int n = slot::MolfoDanFirst; n <= slot::MolfoDanLast; ++n) {
        EXPECT_EQ(s.KyaraSonzai[n], 1) << "shot template " << n << " starts live";
        EXPECT_EQ(s.KyaraX[n], 0) << "shot template " << n << " starts at the corner";
        EXPECT_EQ(s.KyaraHaba[n], 20) << "shot template " << n << " is 20 wide";
    }
    EXPECT_EQ(t.g.scr.BossL.caption, "ボスまであと") << "the boss label reads the distance caption";
    EXPECT_EQ(t.g.scr.MS.caption,
              "Escキーで終了\r\nZキーでハルモス光線\r\nXでアイテムをつかう。\r\nCキーで使うアイテムをチェンジ")
        << "the help text lists Escape first and C last";
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(t.g.scr.SPL[i].caption, "0") << "item count " << i << " reads 0";
    EXPECT_EQ(t.g.scr.MainSPL.caption, "0") << "the selected item count reads 0";
    EXPECT_EQ(t.hp.audio.music, t.g.HostPath("sys\\suteji1.mid")) << "the stage-1 music plays";
    ASSERT_GE(t.hp.audio.log.size(), 2u);
    const SoundCall& jingle = t.hp.audio.log[t.hp.audio.log.size() - 2];
    const SoundCall& music = t.hp.audio.log.back();
    EXPECT_EQ(jingle.path, t.g.HostPath("sys\\sutejistart.wav")) << "the stage-start jingle plays first";
    EXPECT_EQ(music.tick - jingle.tick, 500u) << "the music starts half a second after the jingle";
    EXPECT_EQ(music.kaisu, 10) << "the stage music repeats 10 times";
}

TEST(GameSetup, ResetLeavesTheScoreCaptionWithoutItsUnit) {
    test::TestGame t;
    t.NewGame();
    t.s.GoukeiTen = 120;
    t.g.scr.GoukeiTenL.caption = "120てん";
    GameReset(t.g);
    EXPECT_EQ(t.s.GoukeiTen, 0) << "reset clears the score";
    EXPECT_EQ(t.g.scr.GoukeiTenL.caption, "0") << "reset writes a bare 0 into the score label";
    EXPECT_EQ(t.g.scr.BossKyoriL.caption, "0") << "reset writes 0 into the distance label";
    EXPECT_FALSE(t.g.scr.BossHpL.visible) << "reset hides the boss bar";
    EXPECT_TRUE(t.g.scr.BossKyoriL.visible) << "reset shows the distance label";
}

TEST(StageProgress, BeatenBossStartsTheNextStageAndKeepsTheField) {
    struct Case {
        int16_t stage;
        int16_t length;
        const char* music;
    } cases[] = {{1, 8000, "sys\\suteji2.mid"}, {2, 9000, "sys\\suteji3.mid"}, {4, 9000, "sys\\suteji5.mid"}};
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        GameState& s = t.s;
        Screen& w = t.g.scr;
        s.SutejiNo = c.stage;
        s.BossToujou = 1;
        s.SutejiKuria = 1;
        s.FrameCount = 700;
        s.ItemUseFrame = 650;
        s.ItemChangeFrame = 690;
        w.BossKyoriL.visible = false;
        w.BossHpL.visible = w.BossHpL2.visible = true;
        w.BossHpL.w = 0;
        w.BossL.caption = "ぼすのたいりょく";
        s.KyaraSonzai[slot::TekidanFirst] = 1;
        s.KyaraHp[slot::Molfo] = 37;
        SutejiShinkou(t.g);
        const std::string at = "after stage " + std::to_string(c.stage) + ": ";
        EXPECT_EQ(s.SutejiNo, c.stage + 1) << at << "the next stage begins";
        EXPECT_EQ(s.BossToujou, 0) << at << "the new stage starts in its approach";
        EXPECT_EQ(s.SutejiKuria, 0) << at << "the clear flag is spent";
        EXPECT_EQ(s.FrameCount, 0) << at << "the count restarts for the rest of the frame";
        EXPECT_EQ(s.ItemUseFrame, 0) << at << "the item-use guard restarts with the count";
        EXPECT_EQ(s.ItemChangeFrame, 0) << at << "the item-change guard restarts with the count";
        EXPECT_EQ(s.SutejiNagasa, c.length) << at << "the new stage's length";
        EXPECT_TRUE(w.BossKyoriL.visible) << at << "the distance shows again";
        EXPECT_FALSE(w.BossHpL.visible || w.BossHpL2.visible) << at << "the boss bar is hidden";
        EXPECT_EQ(w.BossHpL.w, 400) << at << "the boss bar is back to full width";
        EXPECT_EQ(w.BossL.caption, "ボスまであと") << at << "the label reads the distance caption";
        EXPECT_EQ(t.hp.audio.music, t.g.HostPath(c.music)) << at << "stage n plays music n + 1";
        EXPECT_EQ(t.hp.audio.log.back().kaisu, 10) << at << "the stage music repeats 10 times";
        EXPECT_EQ(s.KyaraSonzai[slot::TekidanFirst], 1) << at << "bullets in flight stay live";
        EXPECT_EQ(s.KyaraHp[slot::Molfo], 37) << at << "the player keeps its hit points";
    }
}

TEST(Scroll, OnlyTheDrawingMovesTheBackground) {
    // The position runs on from the title into play, from stage to stage
    // and from game to game: no reset may touch it.
    struct Case {
        const char* step;
        void (*run)(Game&);
        double after;
    } cases[] = {
        {"the title's clean-up", HairetuKaihou, 123.5},
        {"a new game's reset", GameReset, 123.5},
        {"a new game's set-up", GameShokika, 123.5},
        {"a beaten boss's next stage",
         [](Game& g) {
             g.s.BossToujou = 1;
             g.s.SutejiKuria = 1;
             SutejiShinkou(g);
         },
         123.5},
        {"a frame drawn moves it half a pixel", Byouga, 123.0},
    };
    for (const Case& c : cases) {
        test::TestGame t;
        t.NewGame();
        t.s.HaikeiYD = 123.5;
        t.s.HaikeiY = 123;
        c.run(t.g);
        EXPECT_DOUBLE_EQ(t.s.HaikeiYD, c.after) << c.step;
        EXPECT_EQ(t.s.HaikeiY, static_cast<int16_t>(c.after)) << c.step;
    }
}

TEST(MainLoop, CloseRequestIsRefusedUntilTheNextCheck) {
    HeadlessSession session(test::DataDir(), Script("title: press SHIFT\n"));
    // The close arrives while frame 3 waits out its 15 ms.
    auto scriptPump = session.hp.events.onPump;
    int pumpsInPass3 = 0;
    session.hp.events.onPump = [&] {
        scriptPump();
        if (session.game->passes == 3 && ++pumpsInPass3 == 2) session.hp.events.RequestClose();
    };
    std::vector<int> flags;
    session.onDump = [&](const nlohmann::ordered_json& j) { flags.push_back(j["ShuryoFlag"].get<int>()); };
    session.Run();
    EXPECT_EQ(flags, (std::vector<int>{0, 0, 1, -1}))
        << "a close request only marks the flag; its frame still finishes, and the pass that ends gets its line";
    EXPECT_EQ(session.game->passes, 4) << "the loop ends at the check at the top of the next pass";
    EXPECT_EQ(session.game->s.ShuryoFlag, -1) << "the check turns the request into the end";
}

TEST(MainLoop, EscapeOnTheTitleStillRunsTheSetUpOnce) {
    // Escape in the title's 2 s delay ends that wait; held, it also ends the
    // wait for Shift that follows.
    HeadlessSession session(test::DataDir(), Script("title+300: hold ESC\n"));
    session.Run();
    EXPECT_FALSE(session.timedOut);
    EXPECT_LT(session.hp.clock.Ticks(), 2200u) << "Escape cut the title's delays short";
    const auto& log = session.hp.audio.log;
    int jingles = 0;
    for (const auto& c : log)
        if (c.path == session.game->HostPath("sys\\sutejistart.wav")) ++jingles;
    EXPECT_EQ(jingles, 1) << "the set-up's jingle plays once before the program ends";
    EXPECT_EQ(session.game->passes, 1) << "the loop ends in its first pass";
    EXPECT_EQ(session.Games(), 1) << "set-up ran once";
}

TEST(MainLoop, ShiftHeldOnTheTitleStartsAtTheFirstCheck) {
    HeadlessSession session(test::DataDir(), Script("title: hold SHIFT\n"));
    session.frameLimit = 1;
    session.Run();
    ASSERT_GE(session.scenes.size(), 2u);
    EXPECT_EQ(session.scenes[0], Scene::Title);
    EXPECT_EQ(session.scenes[1], Scene::Play) << "Shift held on the title starts the game";
    // Title: 200 + 2000 ms of delays, then the set-up's 500 ms and one frame.
    EXPECT_LE(session.hp.clock.Ticks(), 2200u + 500u + 20u) << "the title waits no longer than its delays";
}

}  // namespace
}  // namespace molfo
