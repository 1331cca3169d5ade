#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/KeyLatch.h"
#include "platform/Platform.h"

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
