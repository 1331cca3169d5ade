#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "platform/KeyLatch.h"
#include "platform/PadMap.h"
#include "platform/Platform.h"
#include "platform/sdl/Placement.h"
#include "player/Player.h"

namespace molfo {
namespace {

// A key and which of a pair of physical keys it is.
std::pair<int, int> KeyNamed(const std::string& name) {
    if (name == "LShift") return {vk::Shift, 0};
    if (name == "RShift") return {vk::Shift, 1};
    if (name == "LCtrl") return {vk::Control, 0};
    if (name == "RCtrl") return {vk::Control, 1};
    if (name == "Esc") return {vk::Escape, 0};
    if (name == "Shift") return {vk::Shift, 0};
    if (name == "Ctrl") return {vk::Control, 0};
    if (name == "Z") return {vk::Z, 0};
    if (name == "X") return {vk::X, 0};
    if (name == "C") return {vk::C, 0};
    if (name == "Left") return {vk::Left, 0};
    if (name == "Bad") return {300, 0};
    ADD_FAILURE() << "unknown key " << name;
    return {0, 0};
}

// Plays a script of key events and queries against a latch and returns the
// query results, one character each. "+K" the key goes down, "*K" an
// auto-repeat of it, "-K" it comes up, "?K" the game queries it, "!" a
// dialog takes the keyboard.
std::string Play(const std::string& script) {
    KeyLatch latch;
    std::istringstream in(script);
    std::string step;
    std::string results;
    while (in >> step) {
        if (step == "!") {
            latch.Forget();
            continue;
        }
        const auto [code, source] = KeyNamed(step.substr(1));
        switch (step[0]) {
            case '+': latch.Press(code, source, false); break;
            case '*': latch.Press(code, source, true); break;
            case '-': latch.Release(code, source); break;
            case '?': results += latch.Query(code) ? '1' : '0'; break;
            default: ADD_FAILURE() << "bad step " << step;
        }
    }
    return results;
}

TEST(KeyLatch, QueryReportsKeysDownNowOrPressedSinceTheLastQuery) {
    struct Case {
        const char* rule;
        const char* script;
        const char* expected;
    } cases[] = {
        {"a tap between two queries is seen exactly once", "+Z -Z ?Z ?Z", "10"},
        {"a held key reads as pressed on every query", "+Z ?Z ?Z ?Z -Z ?Z", "1110"},
        {"releasing a key after its query leaves nothing pending", "+Z ?Z -Z ?Z", "10"},
        {"two taps between queries still read once", "+X -X +X -X ?X ?X", "10"},
        {"auto-repeat does not count as a fresh press", "+X ?X -X *X -X ?X", "10"},
        {"auto-repeat of a held key keeps it down", "+X *X *X ?X *X ?X -X ?X", "110"},
        {"a key still held after a dialog reads down at its next auto-repeat", "+C ! ?C *C ?C", "01"},
        {"querying one key leaves another key's press pending", "+Z -Z +X -X ?X ?Z ?X ?Z", "1100"},
        {"either Shift counts as Shift", "+RShift ?Shift -RShift ?Shift +LShift ?Shift", "101"},
        {"releasing one Shift while the other is held keeps Shift down",
         "+LShift +RShift -LShift ?Shift ?Shift -RShift ?Shift", "110"},
        {"both Shifts released: the press is seen once, then not again", "+LShift +RShift -RShift -LShift ?Shift ?Shift",
         "10"},
        {"either Ctrl counts as Ctrl, each held on its own", "+LCtrl +RCtrl -RCtrl ?Ctrl -LCtrl ?Ctrl", "10"},
        {"a second down event of one key needs one release only", "+LShift +LShift -LShift ?Shift ?Shift", "10"},
        {"a dialog forgets presses and held keys", "+Esc -Esc +Left ! ?Esc ?Left", "00"},
        {"keys outside the code range read as up", "+Bad ?Bad -Bad ?Bad", "00"},
    };
    for (const Case& c : cases) EXPECT_EQ(Play(c.script), c.expected) << c.rule << " (" << c.script << ")";
}

TEST(KeyLatch, HeldFollowsThePhysicalKeysWithoutClearingTheLatch) {
    KeyLatch latch;
    latch.Press(vk::Shift, 0, false);
    latch.Press(vk::Shift, 1, false);
    latch.Release(vk::Shift, 1);
    EXPECT_TRUE(latch.Held(vk::Shift)) << "Shift stays down while the left Shift is held";
    latch.Release(vk::Shift, 0);
    EXPECT_FALSE(latch.Held(vk::Shift)) << "Shift comes up with the last Shift key";
    EXPECT_TRUE(latch.Query(vk::Shift)) << "looking at the held state must not eat the pending press";
}

}  // namespace
}  // namespace molfo

namespace molfo {
namespace {

// Plays a script of keyboard and gamepad events against one latch and
// returns the query results, one character each. "k+K"/"k-K" a keyboard key
// down/up; "1+B"/"1-B" button B of pad 1 down/up (pads 1 and 2 are plugged
// in); "1x=V"/"1y=V" pad 1's left stick moved to V; "1!" pad 1 pulled out;
// "!" a dialog takes the keyboard; "?K" the game queries key K.
std::string PlayPad(const std::string& script) {
    static const std::pair<const char*, int> kKeys[] = {
        {"Left", vk::Left}, {"Right", vk::Right}, {"Up", vk::Up},         {"Down", vk::Down},
        {"Z", vk::Z},       {"X", vk::X},         {"C", vk::C},           {"Shift", vk::Shift},
        {"Esc", vk::Escape},
    };
    static const std::pair<const char*, int> kButtons[] = {
        {"A", pad::A},           {"B", pad::B},           {"X", pad::X},
        {"Y", pad::Y},           {"Back", pad::Back},     {"Start", pad::Start},
        {"DLeft", pad::DpadLeft}, {"DRight", pad::DpadRight}, {"DUp", pad::DpadUp},
        {"DDown", pad::DpadDown},
    };
    const auto find = [](const auto& table, const std::string& name) {
        for (const auto& [n, v] : table)
            if (name == n) return v;
        ADD_FAILURE() << "unknown name " << name;
        return -1;
    };
    KeyLatch latch;
    pad::PadKeys pads(latch);
    pads.Attach(1);
    pads.Attach(2);
    std::istringstream in(script);
    std::string step;
    std::string results;
    while (in >> step) {
        if (step == "!") {
            latch.Forget();
            pads.Forget();
        } else if (step[0] == '?') {
            results += latch.Query(find(kKeys, step.substr(1))) ? '1' : '0';
        } else if (step[0] == 'k') {
            const int key = find(kKeys, step.substr(2));
            if (step[1] == '+') latch.Press(key, 0, false);
            if (step[1] == '-') latch.Release(key, 0);
        } else {
            const int id = step[0] - '0';
            if (step[1] == '!') {
                pads.Detach(id);
            } else if (step[1] == 'x' || step[1] == 'y') {
                pads.Axis(id, step[1] == 'x' ? pad::Stick::LeftX : pad::Stick::LeftY, std::stoi(step.substr(3)));
            } else {
                pads.Button(id, find(kButtons, step.substr(2)), step[1] == '+');
            }
        }
    }
    return results;
}

TEST(PadKeys, PadAndKeyboardDriveTheSameKeysWithoutReleasingEachOther) {
    struct Case {
        const char* rule;
        const char* script;
        const char* expected;
    } cases[] = {
        {"A fires: it holds Z while down", "1+A ?Z ?Z 1-A ?Z", "110"},
        {"a tap of A between two queries is seen once", "1+A 1-A ?Z ?Z", "10"},
        {"B uses the item (X) and X picks the next item (C)", "1+B ?X ?C 1-B 1+X ?C ?X", "1010"},
        {"the d-pad moves as the arrow keys", "1+DLeft ?Left ?Right 1-DLeft 1+DDown ?Down ?Up", "1010"},
        {"a key held on the keyboard stays down when the pad lets go of it", "k+Z 1+A 1-A ?Z ?Z k-Z ?Z", "110"},
        {"a button held on the pad stays down when the keyboard lets go", "1+A k+Z k-Z ?Z ?Z 1-A ?Z", "110"},
        {"the d-pad and the stick on one pad: Left stays down until both let go",
         "1+DLeft 1x=-30000 1-DLeft ?Left 1x=0 ?Left ?Left", "100"},
        {"two pads hold Left each; one letting go leaves it down", "1+DLeft 2+DLeft 1-DLeft ?Left 2-DLeft ?Left ?Left",
         "100"},
        {"the stick counts past half way and lets go only well back from it",
         "1x=-16000 ?Left 1x=-16384 ?Left 1x=-12000 ?Left 1x=-10000 ?Left ?Left", "01100"},
        {"the stick swung straight across lets go of one side and holds the other",
         "1x=-30000 ?Left 1x=30000 ?Left ?Left ?Right", "1001"},
        {"up and down follow the stick's y axis, negative up", "1y=-25000 ?Up ?Down 1y=25000 ?Up ?Up ?Down", "10001"},
        {"Start holds both Shift (start on the title) and Z (restart after the ranking)",
         "1+Start ?Shift ?Z 1-Start ?Shift ?Z", "1100"},
        {"Back and Start together hold Escape and not Start's own keys", "1+Back 1+Start ?Esc ?Shift ?Z", "100"},
        {"Back alone does nothing", "1+Back ?Esc ?Shift ?Z 1-Back ?Esc", "0000"},
        {"letting go of Back while Start stays down ends the quit and gives Start back",
         "1+Back 1+Start ?Esc 1-Back ?Esc ?Esc ?Shift", "1001"},
        {"the quit needs both on one pad", "1+Back 2+Start ?Esc ?Shift", "01"},
        {"a pad pulled out lets go of what it held", "1+A 1+DUp 1! ?Z ?Up ?Z ?Up", "1100"},
        {"after a dialog a button still down counts only when pressed again", "1+A ! ?Z 1-A ?Z 1+A ?Z", "001"},
        {"a pad that was never plugged in is ignored", "3+A ?Z", "0"},
    };
    for (const Case& c : cases) EXPECT_EQ(PlayPad(c.script), c.expected) << c.rule << " (" << c.script << ")";
}

TEST(PadKeys, ButtonsFollowThePlayersBindingsWhileTheStickAndTheQuitStay) {
    KeyLatch latch;
    pad::PadKeys pads(latch);
    pads.Attach(1);
    // Fire on Y, the item on A, Start only starts; the d-pad unbound.
    pads.SetButtons({{pad::Y, vk::Z, 0}, {pad::A, vk::X, 0}, {pad::Start, vk::Shift, 0}});
    struct Case {
        const char* rule;
        std::vector<int> down;
        int key;
        bool held;
    } cases[] = {
        {"a button bound to fire holds Z", {pad::Y}, vk::Z, true},
        {"A, bound elsewhere, no longer fires", {pad::A}, vk::Z, false},
        {"A holds what it is bound to", {pad::A}, vk::X, true},
        {"an unbound d-pad moves nothing", {pad::DpadLeft}, vk::Left, false},
        {"Start bound to start alone no longer holds Z", {pad::Start}, vk::Z, false},
        {"Back with Start still quits, whatever the bindings", {pad::Back, pad::Start}, vk::Escape, true},
        {"and then Start is no start", {pad::Back, pad::Start}, vk::Shift, false},
    };
    for (const Case& c : cases) {
        for (int b : c.down) pads.Button(1, b, true);
        EXPECT_EQ(latch.Held(c.key), c.held) << c.rule;
        for (int b : c.down) pads.Button(1, b, false);
    }
    pads.Axis(1, pad::Stick::LeftX, -30000);
    EXPECT_TRUE(latch.Held(vk::Left)) << "the stick always moves";
}

TEST(PadKeys, EveryPadHasItsOwnLatchSourceAndExtraPadsAreRefused) {
    KeyLatch latch;
    pad::PadKeys pads(latch);
    for (int id = 0; id < pad::PadKeys::kMaxPads; ++id)
        EXPECT_TRUE(pads.Attach(100 + id)) << "up to " << pad::PadKeys::kMaxPads << " pads play together";
    EXPECT_FALSE(pads.Attach(999)) << "a pad beyond the latch's sources is refused rather than sharing one";
    EXPECT_TRUE(pads.Attach(100)) << "a pad announced twice keeps its place";
    EXPECT_EQ(pads.Count(), pad::PadKeys::kMaxPads) << "a pad announced twice takes one place";
    // Every pad holds Z and lets go one by one: Z is down until the last.
    for (int id = 0; id < pad::PadKeys::kMaxPads; ++id) pads.Button(100 + id, pad::A, true);
    for (int id = 0; id + 1 < pad::PadKeys::kMaxPads; ++id) pads.Button(100 + id, pad::A, false);
    EXPECT_TRUE(latch.Held(vk::Z)) << "each pad holds Z on its own, as the two Shift keys do";
    pads.Button(100 + pad::PadKeys::kMaxPads - 1, pad::A, false);
    EXPECT_FALSE(latch.Held(vk::Z)) << "Z comes up with the last pad that held it";
    pads.Detach(103);
    EXPECT_TRUE(pads.Attach(999)) << "a place freed by a pad pulled out takes the next pad";
}

}  // namespace
}  // namespace molfo

namespace molfo {
namespace {

// The game on the headless back end, its keys answered by the same key
// latch, fed by keyboard and pads, that the window uses.
struct PadGame {
    struct LatchKeys : Keys {
        KeyLatch latch;
        bool Query(int vkCode) override { return latch.Query(vkCode); }
    };
    HeadlessPlatform hp;
    LatchKeys keys;
    pad::PadKeys pads{keys.latch};
    Platform pf{hp.clock, hp.events, keys, hp.display, hp.dialogs, hp.audio};
    Game g{pf, test::DataDir()};

    PadGame() { pads.Attach(7); }
};

TEST(PadKeys, StartBeginsTheGameOnTheTitleAndBackWithStartQuits) {
    struct Case {
        const char* rule;
        std::vector<int> buttons;  // pressed on pad 7 three seconds into the title
        bool ended;                // the title returned before the test's own close request
        int16_t flag;              // ShuryoFlag after the title
    } cases[] = {
        {"Start starts the game (it is Shift on the title)", {pad::Start}, true, 0},
        {"Start and Back pressed together end the program (Escape)", {pad::Start, pad::Back}, true, -1},
        {"Start pressed while Back is held quits rather than starts", {pad::Back, pad::Start}, true, -1},
        {"A alone does not start the game", {pad::A}, false, -1},
        {"Back alone does nothing on the title", {pad::Back}, false, -1},
    };
    constexpr uint32_t kPressAt = 3000;
    constexpr uint32_t kGiveUpAt = 20000;
    for (const Case& c : cases) {
        PadGame t;
        bool pressed = false;
        t.hp.events.onPump = [&] {
            if (!pressed && t.hp.clock.Now() >= kPressAt) {
                for (int b : c.buttons) t.pads.Button(7, b, true);
                pressed = true;
            }
            if (t.hp.clock.Now() >= kGiveUpAt) t.hp.events.RequestClose();
        };
        Title(t.g);
        EXPECT_EQ(t.hp.clock.Now() < kGiveUpAt, c.ended) << c.rule;
        EXPECT_EQ(t.g.s.ShuryoFlag, c.flag) << c.rule;
    }
}

TEST(PadKeys, KeyboardAndPadMoveThePlayerTogether) {
    PadGame t;
    GameReset(t.g);
    t.g.Oto = t.g.NewSound();
    GameShokika(t.g);
    GameState& s = t.g.s;
    const auto step = [&](const std::function<void()>& input) {
        input();
        const int16_t before = s.KyaraX[slot::Molfo];
        MolfoUgoki(t.g);
        return s.KyaraX[slot::Molfo] - before;
    };
    KeyLatch& latch = t.keys.latch;
    EXPECT_LT(step([&] { latch.Press(vk::Left, 0, false); t.pads.Axis(7, pad::Stick::LeftX, -30000); }), 0)
        << "the arrow key and the stick both move the player left";
    EXPECT_LT(step([&] { t.pads.Axis(7, pad::Stick::LeftX, 0); }), 0)
        << "the stick let go must not release the arrow key still held";
    EXPECT_LT(step([&] { latch.Release(vk::Left, 0); t.pads.Button(7, pad::DpadLeft, true); }), 0)
        << "the d-pad moves the player as the arrow key does";
    EXPECT_EQ(step([&] { t.pads.Button(7, pad::DpadLeft, false); }), 0)
        << "with the key and the d-pad both up, the player stays where it is";
    EXPECT_GT(step([&] { t.pads.Axis(7, pad::Stick::LeftX, 32767); }), 0) << "the stick pushed right moves right";
}

TEST(Placement, TheWindowShowsTheGameAtWholeScalesWithItsShapeKept) {
    struct Case {
        const char* rule;
        int outW, outH;
        ScaleMode mode;
        Placement want;
    } cases[] = {
        {"the window at its own size shows it 1:1", 645, 573, ScaleMode::Integer, {0, 0, 645, 573, true}},
        {"a window of 1290 x 1146 shows the game at 2x", 1290, 1146, ScaleMode::Integer, {0, 0, 1290, 1146, true}},
        {"a 1920 x 1200 screen holds 2x, centred with bars", 1920, 1200, ScaleMode::Integer,
         {315, 27, 1290, 1146, true}},
        {"a 1080-line screen holds only 1x: the height decides", 1920, 1080, ScaleMode::Integer,
         {637, 253, 645, 573, true}},
        {"a high-DPI 3840 x 2160 output takes 3x", 3840, 2160, ScaleMode::Integer, {952, 220, 1935, 1719, true}},
        {"fit fills the height of a 1920 x 1200 screen, smoothed", 1920, 1200, ScaleMode::Fit,
         {284, 0, 1351, 1200, false}},
        {"fit at an exact double is still sharp", 1290, 1146, ScaleMode::Fit, {0, 0, 1290, 1146, true}},
        {"a window smaller than the game shrinks it to fit instead of cutting it off", 500, 400, ScaleMode::Integer,
         {25, 0, 450, 400, false}},
        {"a window with no area shows nothing", 0, 573, ScaleMode::Integer, {0, 0, 0, 0, true}},
    };
    for (const Case& c : cases) {
        const Placement p = PlacePicture(c.outW, c.outH, 645, 573, c.mode);
        EXPECT_EQ((std::vector<int>{p.x, p.y, p.w, p.h}), (std::vector<int>{c.want.x, c.want.y, c.want.w, c.want.h}))
            << c.rule;
        EXPECT_EQ(p.sharp, c.want.sharp) << c.rule << ": nearest sampling exactly at whole scales";
    }
}

TEST(Placement, TheWindowStartsAtTheLargestWholeScaleThatFitsTheScreen) {
    struct Case {
        const char* rule;
        int usableW, usableH;
        int scale;
    } cases[] = {
        {"a 1080-line screen cannot hold 2x with a title bar", 1920, 1050, 1},
        {"a 1440-line screen holds 2x", 2560, 1400, 2},
        {"a 4K screen holds 3x: the height decides", 3840, 2120, 3},
        {"a screen smaller than the game still opens it at 1x", 800, 600, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(StartScale(c.usableW, c.usableH, 645, 573), c.scale) << c.rule;
}

}  // namespace
}  // namespace molfo
