#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "TestSupport.h"
#include "collision/Chousa.h"
#include "items/Items.h"
#include "movement/Ugoki.h"
#include "player/Player.h"

namespace molfo {
namespace {

int EffectsPlayed(test::TestGame& t, int n) {
    const std::string path = t.g.HostPath(t.s.KoukaonFile[n]);
    return static_cast<int>(std::count_if(t.hp.audio.log.begin(), t.hp.audio.log.end(),
                                          [&](const SoundCall& c) { return c.op == "effect" && c.path == path; }));
}

int AllEffects(test::TestGame& t) {
    return static_cast<int>(std::count_if(t.hp.audio.log.begin(), t.hp.audio.log.end(),
                                          [](const SoundCall& c) { return c.op == "effect"; }));
}

// A marker kind no launch writes, so an overwritten busy slot shows.
constexpr int16_t kBusyMark = 9;

void FillSpecialSlotsExcept(GameState& s, const std::vector<int16_t>& free) {
    for (int16_t a = slot::MolfoSFirst; a <= slot::MolfoSLast; ++a) {
        if (std::find(free.begin(), free.end(), a) != free.end()) continue;
        s.KyaraSonzai[a] = 1;
        s.KyaraShurui[a] = kBusyMark;
    }
}

void Select(test::TestGame& t, int16_t kind, int16_t stock) {
    t.s.TukauItemNo = kind;
    t.s.ItemKosu[kind] = stock;
}

TEST(ItemTukau, KeysGuardsAndStock) {
    struct Case {
        const char* rule;
        int key;
        int16_t stock;
        int restockAt;  // frame at which one item is put in stock, 0 never
        int frames;
        std::vector<int> uses;
    } cases[] = {
        {"X held: a use on the first allowed frame, then one every 31 frames", vk::X, 10, 0, 100, {31, 62, 93}},
        {"Ctrl held: a use every frame until the stock is gone", vk::Control, 3, 0, 10, {1, 2, 3}},
        {"X with an empty stock does nothing and does not restart the wait", vk::X, 0, 50, 60, {50}},
        {"Ctrl with an empty stock does nothing", vk::Control, 0, 0, 20, {}},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        const int16_t kind = 6;  // the bomb launches nothing, so slots never run out
        Select(t, kind, c.stock);
        t.hp.keys.Hold(c.key, true);
        const int effectsBefore = AllEffects(t);
        std::vector<int> uses;
        for (int f = 1; f <= c.frames; ++f) {
            t.s.FrameCount = f;
            if (f == c.restockAt) t.s.ItemKosu[kind] = 1;
            const int16_t before = t.s.ItemKosu[kind];
            ItemTukau(t.g);
            if (t.s.ItemKosu[kind] != before) {
                uses.push_back(f);
                EXPECT_EQ(t.s.ItemUseFrame, f) << c.rule << " (a use records its frame)";
            }
        }
        EXPECT_EQ(uses, c.uses) << c.rule;
        EXPECT_EQ(AllEffects(t) - effectsBefore, static_cast<int>(c.uses.size()))
            << c.rule << " (one sound per use and none without one)";
        EXPECT_EQ(EffectsPlayed(t, 9), static_cast<int>(c.uses.size())) << c.rule << " (the bomb plays effect 9)";
        if (c.uses.empty()) {
            EXPECT_EQ(t.s.ItemUseFrame, 0) << c.rule << " (the wait is not restarted)";
        }
        EXPECT_EQ(t.g.scr.SPL[kind].caption, std::to_string(t.s.ItemKosu[kind]))
            << c.rule << " (the kind's count label follows the stock)";
    }
}

TEST(ItemTukau, FourWayVolleyTakesUpToFourFreeSlots) {
    struct Case {
        const char* rule;
        bool allFree;
        std::vector<int16_t> free;       // free slots when not all are
        std::vector<int16_t> launched;  // slots filled, in ordinal order
    } cases[] = {
        {"with every slot free the volley takes the four lowest, ordinals 1..4", true, {}, {35, 36, 37, 38}},
        {"with two free slots only two launch, ordinals 1 and 2", false, {40, 50}, {40, 50}},
        {"with no free slot the item is still spent", false, {}, {}},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        if (!c.allFree) FillSpecialSlotsExcept(t.s, c.free);
        Select(t, 1, 2);
        t.hp.keys.Hold(vk::Control, true);
        t.s.FrameCount = 5;
        ItemTukau(t.g);
        EXPECT_EQ(t.s.ItemKosu[1], 1) << c.rule << " (one item spent)";
        EXPECT_EQ(EffectsPlayed(t, 4), 1) << c.rule << " (the volley's sound)";
        int launched = 0;
        for (int16_t a = slot::MolfoSFirst; a <= slot::MolfoSLast; ++a) {
            const auto it = std::find(c.launched.begin(), c.launched.end(), a);
            if (it == c.launched.end()) {
                if (c.allFree) {
                    EXPECT_EQ(t.s.KyaraSonzai[a], 0) << c.rule << " (slot " << a << " stays free)";
                } else {
                    EXPECT_EQ(t.s.KyaraShurui[a], kBusyMark) << c.rule << " (busy slot " << a << " untouched)";
                }
                continue;
            }
            ++launched;
            EXPECT_EQ(t.s.KyaraShurui[a], 1) << c.rule << " (slot " << a << ")";
            EXPECT_EQ(t.s.KyaraUgokiD[a], static_cast<double>(it - c.launched.begin() + 1))
                << c.rule << " (ordinal of slot " << a << ")";
            EXPECT_EQ(t.s.KyaraX[a], 250) << c.rule << " (launched from the centre of the player's sprite)";
            EXPECT_EQ(t.s.KyaraY[a], 425) << c.rule << " (launched from the centre of the player's sprite)";
        }
        EXPECT_EQ(launched, static_cast<int>(c.launched.size())) << c.rule;
    }

    // The four objects of one volley fly up, right, down and left.
    test::TestGame t;
    t.NewGame();
    Select(t, 1, 1);
    t.hp.keys.Hold(vk::Control, true);
    ItemTukau(t.g);
    MolfoSUgoki(t.g);
    const int16_t xs[] = {250, 254, 250, 246}, ys[] = {421, 425, 429, 425};
    for (int i = 0; i < 4; ++i) {
        const int16_t a = static_cast<int16_t>(slot::MolfoSFirst + i);
        EXPECT_EQ(t.s.KyaraX[a], xs[i]) << "volley ordinal " << i + 1 << " moves in its own direction in the launch frame";
        EXPECT_EQ(t.s.KyaraY[a], ys[i]) << "volley ordinal " << i + 1 << " moves in its own direction in the launch frame";
    }
}

TEST(ItemTukau, SingleLaunchesFromThePlayersCentre) {
    struct Case {
        const char* rule;
        int16_t kind;
        bool slotFree;
        int16_t px, py;
    } cases[] = {
        {"kind 2 launches one ring at the player's centre", 2, true, 225, 400},
        {"kind 3 launches from wherever the player is", 3, true, 100, 300},
        {"kind 4 launches one object", 4, true, -20, -15},
        {"kind 5 launches one object", 5, true, 470, 465},
        {"kind 2 with no free slot is spent and sounds", 2, false, 225, 400},
        {"kind 3 with no free slot is spent and sounds", 3, false, 225, 400},
        {"kind 4 with no free slot is spent and sounds", 4, false, 225, 400},
        {"kind 5 with no free slot is spent and sounds", 5, false, 225, 400},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        const int16_t freeSlot = 47;
        FillSpecialSlotsExcept(t.s, c.slotFree ? std::vector<int16_t>{freeSlot} : std::vector<int16_t>{});
        t.s.KyaraX[slot::Molfo] = c.px;
        t.s.KyaraY[slot::Molfo] = c.py;
        Select(t, c.kind, 1);
        t.hp.keys.Hold(vk::Control, true);
        ItemTukau(t.g);
        EXPECT_EQ(t.s.ItemKosu[c.kind], 0) << c.rule << " (the item is spent)";
        EXPECT_EQ(t.g.scr.SPL[c.kind].caption, "0") << c.rule << " (its count label)";
        EXPECT_EQ(EffectsPlayed(t, c.kind + 3), 1) << c.rule << " (launch sound effect " << c.kind + 3 << ")";
        for (int16_t a = slot::MolfoSFirst; a <= slot::MolfoSLast; ++a) {
            if (a == freeSlot && c.slotFree) continue;
            EXPECT_EQ(t.s.KyaraShurui[a], kBusyMark) << c.rule << " (busy slot " << a << " untouched)";
        }
        if (!c.slotFree) continue;
        EXPECT_EQ(t.s.KyaraSonzai[freeSlot], 1) << c.rule;
        EXPECT_EQ(t.s.KyaraShurui[freeSlot], c.kind) << c.rule;
        EXPECT_EQ(t.s.KyaraX[freeSlot], c.px + 25) << c.rule << " (x at the centre of the player's sprite)";
        EXPECT_EQ(t.s.KyaraY[freeSlot], c.py + 25) << c.rule << " (y at the centre of the player's sprite)";
        EXPECT_EQ(t.s.KyaraUgokiFlag[freeSlot], 0) << c.rule << " (its motion starts on its first move)";
    }
}

TEST(SpUgoki, FirstMovesOfEachKind) {
    struct Case {
        const char* rule;
        int16_t kind;
        double ordinal;
        int32_t frame;
        std::vector<Pos> path;  // positions after successive moves
    } cases[] = {
        {"kind 2 on frame 90 at speed 7 starts at 1.57 + 0.175 about (234, 410)", 2, 0, 90,
         {{227, 449}, {220, 448}, {214, 445}}},
        {"kind 2 takes the frame modulo 360 for its start angle", 2, 0, 450, {{227, 449}}},
        {"kind 4 takes its place left of the player's corner and rises by its speed", 4, 0, 0, {{218, 399}, {218, 398}}},
        {"kind 5 widens by half a pixel a frame with an arc step of 8", 5, 0, 0, {{226, 399}, {223, 400}, {227, 400}}},
        {"kind 1 ordinal 1 flies up", 1, 1, 0, {{250, 421}, {250, 417}}},
        {"kind 1 ordinal 2 flies right", 1, 2, 0, {{254, 425}}},
        {"kind 1 ordinal 3 flies down", 1, 3, 0, {{250, 429}}},
        {"kind 1 ordinal 4 flies left", 1, 4, 0, {{246, 425}}},
        {"kind 1 without an ordinal does not move", 1, 0, 0, {{250, 425}}},
        {"kind 3 with nothing to home on flies straight up", 3, 0, 0, {{250, 421}, {250, 417}}},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        const int16_t a = 40;
        ItemClass(t.g).MolfoSData(a, c.kind);
        t.s.KyaraUgokiD[a] = c.ordinal;
        t.s.KyaraX[a] = 250;
        t.s.KyaraY[a] = 425;
        t.s.FrameCount = c.frame;
        for (size_t i = 0; i < c.path.size(); ++i) {
            MolfoSUgoki(t.g);
            EXPECT_EQ((Pos{t.s.KyaraX[a], t.s.KyaraY[a]}), c.path[i]) << c.rule << " (move " << i + 1 << ")";
        }
    }

    // The spiral keeps its radius in the exact-x field.
    test::TestGame t;
    t.NewGame();
    ItemClass(t.g).MolfoSData(40, 5);
    t.s.KyaraX[40] = 250;
    t.s.KyaraY[40] = 425;
    MolfoSUgoki(t.g);
    EXPECT_DOUBLE_EQ(t.s.KyaraXD[40], 1.5) << "the spiral starts at radius 1 and grows 0.5 a frame";
    EXPECT_NEAR(t.s.KyaraUgokiD[40], 8.0 / 1.5, 1e-12) << "the first spiral step is speed / radius radians";
    MolfoSUgoki(t.g);
    EXPECT_DOUBLE_EQ(t.s.KyaraXD[40], 2.0) << "the spiral starts at radius 1 and grows 0.5 a frame";
}

TEST(SpUgoki, HomingShotPrefersTheBossThenEnemiesThenBullets) {
    struct Live { int16_t slot, x, y; };
    struct Case {
        const char* rule;
        std::vector<Live> live;
        int16_t target;
    } cases[] = {
        {"the boss wins over a nearer enemy and a bullet", {{218, 400, 100}, {66, 200, 450}, {170, 100, 100}}, 218},
        {"without a boss the lowest live enemy is the target", {{90, 100, 480}, {120, 260, 420}, {170, 100, 100}}, 90},
        {"with only bullets the lowest live bullet is the target", {{200, 20, 300}, {170, 100, 100}}, 170},
        {"a boss part later in the range still counts as the boss", {{225, 450, 450}, {66, 100, 100}}, 225},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        for (const Live& l : c.live) {
            t.s.KyaraSonzai[l.slot] = 1;
            t.s.KyaraX[l.slot] = l.x;
            t.s.KyaraY[l.slot] = l.y;
        }
        const int16_t a = 35;
        ItemClass(t.g).MolfoSData(a, 3);
        t.s.KyaraX[a] = 250;
        t.s.KyaraY[a] = 425;
        // Where the homing rule would take the shot towards the expected target.
        const Pos expected = UgokiClass(t.g).UgokiYudou2(c.target, a, 3.0);
        t.s.KyaraUgokiFlag[a] = 0;
        t.s.KyaraXD[a] = t.s.KyaraYD[a] = t.s.KyaraUgokiD[a] = 0.0;
        MolfoSUgoki(t.g);
        EXPECT_EQ((Pos{t.s.KyaraX[a], t.s.KyaraY[a]}), expected) << c.rule;
    }

    // The target is chosen afresh every frame: once the boss is gone the
    // shot turns on the first small enemy.
    test::TestGame t;
    t.NewGame();
    t.s.KyaraSonzai[218] = 1;
    t.s.KyaraX[218] = 400;
    t.s.KyaraY[218] = 100;
    t.s.KyaraSonzai[66] = 1;
    t.s.KyaraX[66] = 60;
    t.s.KyaraY[66] = 480;
    ItemClass(t.g).MolfoSData(35, 3);
    t.s.KyaraX[35] = 250;
    t.s.KyaraY[35] = 425;
    MolfoSUgoki(t.g);
    t.s.KyaraSonzai[218] = 0;
    const int16_t flag = t.s.KyaraUgokiFlag[35];
    const double xd = t.s.KyaraXD[35], yd = t.s.KyaraYD[35], h = t.s.KyaraUgokiD[35];
    const Pos expected = UgokiClass(t.g).UgokiYudou2(66, 35, 3.0);
    t.s.KyaraUgokiFlag[35] = flag;
    t.s.KyaraXD[35] = xd;
    t.s.KyaraYD[35] = yd;
    t.s.KyaraUgokiD[35] = h;
    MolfoSUgoki(t.g);
    EXPECT_EQ((Pos{t.s.KyaraX[35], t.s.KyaraY[35]}), expected)
        << "a homing shot switches to the next target as soon as the boss is gone";
}

TEST(ItemTukau, BombClearsTheFieldAndWearsDownTheBoss) {
    struct Case { const char* rule; int16_t scoreBefore, scoreAfter; } cases[] = {
        {"the bomb scores every small enemy and bullet it clears", 100, 131},
        {"the bomb's score stops at 32767", 32760, 32767},
    };
    for (const auto& c : cases) {
        test::TestGame t;
        t.NewGame();
        t.s.GoukeiTen = c.scoreBefore;
        struct Obj { int16_t slot, ten; } objs[] = {{66, 10}, {120, 20}, {170, 1}};
        for (const Obj& o : objs) {
            t.s.KyaraSonzai[o.slot] = 1;
            t.s.KyaraShurui[o.slot] = 2;
            t.s.KyaraTen[o.slot] = o.ten;
        }
        t.s.KyaraTen[80] = 99;  // a freed enemy slot is not scored
        // The boss, in the grid, and a second boss part.
        t.s.KyaraSonzai[218] = 1;
        t.s.KyaraHp[218] = 80;
        t.s.KyaraTen[218] = 500;
        t.s.KyaraAtariX2[218] = 40;
        t.s.KyaraAtariY2[218] = 40;
        ChousaClass(t.g).ChousaMain(218, 200, 100);
        t.s.KyaraSonzai[219] = 1;
        t.s.KyaraHp[219] = 200;
        Select(t, 6, 1);
        t.hp.keys.Hold(vk::Control, true);
        ItemTukau(t.g);
        EXPECT_EQ(t.s.GoukeiTen, c.scoreAfter) << c.rule;
        for (const Obj& o : objs) {
            EXPECT_EQ(t.s.KyaraSonzai[o.slot], 0) << c.rule << " (slot " << o.slot << " cleared)";
            EXPECT_EQ(t.s.KyaraShurui[o.slot], 2) << c.rule << " (a cleared slot keeps its kind)";
        }
        EXPECT_EQ(t.s.HantenCount, 5) << c.rule << " (the screen flashes for 5 frames)";
        EXPECT_EQ(t.s.KyaraHp[218], 0) << "the bomb takes 80 hit points from each boss part";
        EXPECT_EQ(t.s.KyaraSonzai[218], 1) << "a boss part the bomb brings to 0 stays live";
        EXPECT_EQ(t.s.KyaraHp[219], 120) << "the bomb takes 80 hit points from each boss part";
        EXPECT_EQ(t.s.SutejiKuria, 0) << "the bomb alone does not clear the stage";
        EXPECT_EQ(EffectsPlayed(t, 9), 1) << "the bomb plays effect 9";
        for (int16_t a = slot::MolfoSFirst; a <= slot::MolfoSLast; ++a)
            EXPECT_EQ(t.s.KyaraSonzai[a], 0) << "the bomb launches nothing";

        // The next hit destroys the worn-down part and clears the stage.
        const int16_t shot = slot::MolfoDanFirst;
        ChousaClass(t.g).ChousaMain(shot, 210, 130);
        EXPECT_EQ(t.s.KyaraSonzai[218], 0) << "a boss part at 0 hit points falls to its next hit";
        EXPECT_EQ(t.s.SutejiKuria, 1) << "destroying the worn-down boss part clears the stage";
    }
}

}  // namespace
}  // namespace molfo
