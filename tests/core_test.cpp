#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/Trig.h"
#include "draw/Draw.h"
#include "driver/Session.h"

namespace molfo {
namespace {

InputScript Script(const std::string& text) {
    InputScript s;
    std::string error;
    EXPECT_TRUE(ParseInputScript(text, s, error)) << error;
    return s;
}

TEST(CollisionGrid, FillMakesWallBorderAndPlayfield) {
    test::TestGame t;
    t.s.ChousaMap.Fill();
    struct Case { int x, y; int16_t v; } cases[] = {
        {-81, 0, cell::OuterWall}, {-80, 0, cell::Border}, {-1, 0, cell::Border}, {0, 0, cell::Free},
        {500, 500, cell::Free}, {501, 500, cell::Border}, {580, 580, cell::Border}, {581, 0, cell::OuterWall},
        {-100, -100, cell::OuterWall}, {600, 600, cell::OuterWall},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.s.ChousaMap.at(c.x, c.y), c.v) << "grid cell (" << c.x << ", " << c.y << ")";
}

TEST(FrameTiming, LongFrameReturnsAfterOnePumpAndShortFrameWaits) {
    test::TestGame t;
    // A frame whose steps took 40 ms: one pump, no wait.
    t.hp.clock.Set(1000);
    t.s.FrameStartTick = t.s.FrameNowTick = 1000;
    t.hp.clock.Set(1040);
    const uint64_t pumps = t.hp.events.pumps;
    FrameMachi(t.g, 15);
    EXPECT_EQ(t.hp.events.pumps - pumps, 1u) << "a frame over budget pumps events once";
    EXPECT_EQ(t.hp.clock.Ticks(), 1040u) << "a frame over budget does not wait";

    // A frame that took 4 ms waits until 15 whole ms have passed.
    t.s.FrameStartTick = t.s.FrameNowTick = 2000;
    t.hp.clock.Set(2004);
    FrameMachi(t.g, 15);
    EXPECT_EQ(t.hp.clock.Ticks(), 2015u) << "a frame never ends before 15 ms";

    // The tick counter wrapping round 2^32 does not disturb the wait.
    t.s.FrameStartTick = t.s.FrameNowTick = static_cast<int32_t>(0xFFFFFFF8u);
    t.hp.clock.Set(0xFFFFFFF8u);
    FrameMachi(t.g, 15);
    EXPECT_EQ(t.hp.clock.Ticks(), 7u) << "elapsed ticks are taken modulo 2^32";
}

TEST(Delay, EscapeOrCloseEndsTheWaitEarly) {
    struct Case { const char* what; bool escape; bool close; int16_t flagBefore; uint32_t maxWait; int16_t flagAfter; } cases[] = {
        {"Escape held ends the wait at the first poll", true, false, 0, 1, -1},
        {"a pending close request ends the wait", false, true, 0, 1, -1},
        {"nothing pressed: the full wait", false, false, 0, 2000, 0},
        {"after an earlier Escape the wait still runs its time", false, false, -1, 2000, -1},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.hp.clock.Set(5000);
        t.s.ShuryoFlag = c.flagBefore;
        if (c.escape) t.hp.keys.Hold(vk::Escape, true);
        if (c.close) t.hp.events.RequestClose();
        Delay(t.g, 2000);
        EXPECT_LE(t.hp.clock.Ticks() - 5000, c.maxWait) << c.what;
        EXPECT_GE(t.hp.clock.Ticks() - 5000, c.maxWait == 2000 ? 2000u : 0u) << c.what;
        EXPECT_EQ(t.s.ShuryoFlag, c.flagAfter) << c.what;
    }
}

// The pixels of one control's rectangle in a composed window.
std::vector<uint32_t> Region(const Surface& s, const Label& l) {
    std::vector<uint32_t> px;
    for (int y = l.y; y < l.y + l.h; ++y)
        for (int x = l.x; x < l.x + l.w; ++x) px.push_back(s.At(x, y));
    return px;
}

TEST(Delay, ShowsControlsChangedJustBeforeTheWait) {
    struct Case {
        const char* rule;
        Label Screen::*control;
        const char* caption;  // nullptr: left as it is
        int width;            // -1: left as it is
        bool shown;
    } cases[] = {
        {"a caption set before a wait shows during it", &Screen::MS, "Escキーでゲーム終了\r\nZキーで再スタート", -1, true},
        {"a bar resized before a wait shows during it", &Screen::HPL, nullptr, 10, true},
        {"a wait with no control changed shows nothing new", &Screen::MS, nullptr, -1, false},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        ShowFrame(t.g);
        const Surface before = t.g.scr.window;
        Surface shown;
        t.hp.display.onPresent = [&shown](const Surface& s) { shown = s; };
        const uint64_t presents = t.hp.display.presents;
        Label& l = t.g.scr.*c.control;
        const Label area = l;  // the control's rectangle before the change
        if (c.caption) l.caption = c.caption;
        if (c.width >= 0) l.w = c.width;
        Delay(t.g, 10);
        EXPECT_EQ(t.hp.display.presents - presents, c.shown ? 1u : 0u) << c.rule;
        if (c.shown) {
            ASSERT_FALSE(shown.Empty()) << c.rule;
            EXPECT_NE(Region(shown, area), Region(before, area)) << c.rule;
        }
    }
}

TEST(Ransu, StaysInRangeAndIsUniformWithinOneMillisecond) {
    test::TestGame t;
    t.hp.clock.Set(123456);  // the clock never moves: every reseed sees the same reading
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(Ransu(t.g, 1), 1) << "Ransu(1) is always 1";
    std::map<int, int> counts;
    int repeats = 0, previous = 0;
    const int draws = 40000;
    for (int i = 0; i < draws; ++i) {
        const int v = Ransu(t.g, 4);
        ASSERT_GE(v, 1) << "Ransu(4) never gives 0";
        ASSERT_LE(v, 4) << "Ransu(4) never gives 5";
        ++counts[v];
        if (v == previous) ++repeats;
        previous = v;
    }
    double chi2 = 0;
    for (int v = 1; v <= 4; ++v) {
        const double e = draws / 4.0;
        chi2 += (counts[v] - e) * (counts[v] - e) / e;
    }
    EXPECT_LT(chi2, 16.27) << "Ransu(4) is uniform (chi-square, 3 degrees of freedom, p = 0.001)";
    EXPECT_NEAR(repeats, draws / 4, draws / 20) << "draws within one millisecond do not repeat each other";
    for (int n : {2, 7, 483, 500})
        for (int i = 0; i < 2000; ++i) {
            const int v = Ransu(t.g, static_cast<int16_t>(n));
            ASSERT_TRUE(v >= 1 && v <= n) << "Ransu(" << n << ") stays in 1.." << n;
        }
}

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

TEST(Score, AdditionsSaturateAt32767) {
    GameState s;
    struct Case { int16_t start; int add; int16_t expect; } cases[] = {
        {0, 13, 13}, {32760, 7, 32767}, {32760, 500, 32767}, {32767, 1, 32767}, {100, -30, 70},
    };
    for (const auto& c : cases) {
        s.GoukeiTen = c.start;
        s.AddScore(c.add);
        EXPECT_EQ(s.GoukeiTen, c.expect) << "score " << c.start << " + " << c.add << " saturates, never wraps";
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

TEST(Headless, SameScriptGivesIdenticalDumps) {
    auto run = [] {
        HeadlessSession session(test::DataDir(), Script("title: press SHIFT\nplay 1-120: hold LEFT Z\nplay 121-200: hold UP Z\n"));
        session.frameLimit = 200;
        std::string out;
        session.onDump = [&out](const nlohmann::ordered_json& j) { out += j.dump() + "\n"; };
        session.Run();
        return out;
    };
    const std::string a = run();
    const std::string b = run();
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, b) << "a headless run is deterministic";
}

TEST(InputScript, ParsesRulesAndNamesTheBadLine) {
    struct Case { const char* text; bool ok; const char* errorPart; } cases[] = {
        {"title: press SHIFT\nplay 1-20: hold LEFT Z\nname: answer たろう\nranking#2: press Z\n", true, ""},
        {"# only a comment\n\n", true, ""},
        {"title+250: press ESC  # trailing comment\n", true, ""},
        {"play 5: close\nname#2: cancel\n", true, ""},
        {"title press SHIFT\n", false, "line 1"},
        {"title: press\n", false, "needs at least one key"},
        {"play 20-10: hold Z\n", false, "bad frame range"},
        {"title: hold Q\n", false, "unknown key"},
        {"menu: press Z\n", false, "unknown scene"},
        {"title: press Z\nplay x: hold Z\n", false, "line 2"},
        {"title 5: press Z\n", false, "only play takes frame numbers"},
    };
    for (const auto& c : cases) {
        InputScript s;
        std::string error;
        EXPECT_EQ(ParseInputScript(c.text, s, error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_NE(error.find(c.errorPart), std::string::npos) << c.text << " -> " << error;
        }
    }
    InputScript s = Script("play#2 3-7: hold RIGHT SPACE\nname: answer  山田 花子 \n");
    ASSERT_EQ(s.rules.size(), 2u);
    EXPECT_EQ(s.rules[0].occurrence, 2) << "play#2 selects the second game";
    EXPECT_EQ(s.rules[0].firstFrame, 3);
    EXPECT_EQ(s.rules[0].lastFrame, 7);
    EXPECT_EQ(s.rules[0].keys, (std::vector<int>{vk::Right, vk::Space}));
    EXPECT_EQ(s.rules[1].text, "山田 花子") << "an answer keeps inner spaces and drops the outer ones";
}

// Distance in units of the last place between two finite doubles.
int64_t UlpDistance(double a, double b) {
    auto key = [](double v) {
        int64_t i = 0;
        std::memcpy(&i, &v, sizeof i);
        return i < 0 ? std::numeric_limits<int64_t>::min() - i : i;
    };
    const int64_t d = key(a) - key(b);
    return d < 0 ? -d : d;
}

TEST(Trig, AgreesWithTheSystemToOneUlpAndMostlyExactly) {
    struct Fn {
        const char* name;
        double (*own)(double);
        double (*sys)(double);
        long double (*wide)(long double);  // 64-bit mantissa on x86: a referee
    } fns[] = {
        {"sin", trig::Sin, [](double x) { return std::sin(x); }, [](long double x) { return sinl(x); }},
        {"cos", trig::Cos, [](double x) { return std::cos(x); }, [](long double x) { return cosl(x); }},
        {"atan", trig::Atan, [](double x) { return std::atan(x); }, [](long double x) { return atanl(x); }},
    };
    const bool refereed = std::numeric_limits<long double>::digits >= 64;
    std::mt19937_64 rng(12345);
    // The game's angles and slopes: a few turns either way, and the ratios of
    // two whole-pixel distances, which the arctangent gets.
    std::uniform_real_distribution<double> angle(-10.0, 10.0);
    std::uniform_int_distribution<int> pixels(1, 600);
    for (const Fn& f : fns) {
        int64_t differ = 0, n = 0, worst = 0, lost = 0;
        auto check = [&](double x) {
            const double own = f.own(x), sys = f.sys(x);
            const int64_t d = UlpDistance(own, sys);
            worst = std::max(worst, d);
            differ += d != 0;
            ++n;
            // The C library is not always correctly rounded; where the two
            // differ, ours must be the nearer to the wider result.
            if (d != 0 && refereed) {
                const long double w = f.wide(x);
                lost += std::fabs(static_cast<long double>(own) - w) > std::fabs(static_cast<long double>(sys) - w);
            }
        };
        for (int i = 0; i < 300000; ++i) check(angle(rng));
        for (int i = 0; i < 100000; ++i) check(static_cast<double>(pixels(rng)) / pixels(rng));
        // Around the multiples of pi/2, where the reduction cancels most.
        for (int k = -40; k <= 40; ++k)
            for (int j = -50; j <= 50; ++j) check(k * 1.5707963267948966 + j * 1e-9);
        for (double x : {1e-300, -1e-300, 1e-8, 0.5, 1.0, 2.0, 100.0, 1000.0, 12345.678, 1e6}) check(x);
        EXPECT_LE(worst, 1) << f.name << ": the game's own result is within one unit in the last place of the C library's";
        EXPECT_LT(differ * 200, n) << f.name << ": the game's own result is the C library's in all but a few inputs in "
                                   << "a thousand (" << differ << " of " << n << " differ)";
        EXPECT_EQ(lost, 0) << f.name << ": where the two differ, the game's own result is the better rounded";
    }
}

TEST(Trig, SignsZerosAndNonFiniteInputs) {
    struct Case {
        const char* what;
        double got, want;
    } cases[] = {
        {"sin(-0) keeps the sign of zero", trig::Sin(-0.0), -0.0},
        {"sin(0) is 0", trig::Sin(0.0), 0.0},
        {"cos(0) is 1", trig::Cos(0.0), 1.0},
        {"atan(0) is 0", trig::Atan(0.0), 0.0},
        {"atan(+inf) is pi/2", trig::Atan(std::numeric_limits<double>::infinity()), 1.5707963267948966},
        {"atan(-inf) is -pi/2", trig::Atan(-std::numeric_limits<double>::infinity()), -1.5707963267948966},
        {"atan(1) is pi/4", trig::Atan(1.0), 0.7853981633974483},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got, c.want) << c.what;
        EXPECT_EQ(std::signbit(c.got), std::signbit(c.want)) << c.what;
    }
    for (double x : {0.3, 1.7, 4.0, 9.9}) {
        EXPECT_EQ(trig::Sin(-x), -trig::Sin(x)) << "sine is odd";
        EXPECT_EQ(trig::Cos(-x), trig::Cos(x)) << "cosine is even";
        EXPECT_EQ(trig::Atan(-x), -trig::Atan(x)) << "arctangent is odd";
    }
    EXPECT_TRUE(std::isnan(trig::Sin(std::numeric_limits<double>::infinity()))) << "sin of infinity is not a number";
    EXPECT_TRUE(std::isnan(trig::Cos(std::nan("")))) << "cos of NaN is not a number";
}

}  // namespace
}  // namespace molfo
