// The settings as the page keeps them in the browser's storage.
#include <gtest/gtest.h>

#include <string>

#include "settings/StoredText.h"

namespace molfo::settings {
namespace {

bool KnownKey(const std::string& name) { return name.size() == 1 || name == "Left" || name == "Left Shift" || name == "F1"; }

TEST(WebSettings, WhatThePageStoresComesBackTheSame) {
    settings::Settings s = settings::Settings::Defaults();
    s.musicVolume = 30;
    s.effectVolume = 0;
    s.scaleMode = "fit";
    s.fullscreen = true;
    s.language = "en";
    s.keys[settings::Left] = {"A", ""};
    s.keys[settings::Fire] = {"Z", "Left"};
    s.pad[settings::Fire] = {"", "start"};
    EXPECT_EQ(SettingsFromText(SettingsToText(s), KnownKey), s) << "every setting survives the browser's storage";
    EXPECT_EQ(SettingsFromText("", KnownKey), settings::Settings::Defaults()) << "nothing stored is the defaults";
}

TEST(WebSettings, ALineThePageCannotUseKeepsItsDefault) {
    const settings::Settings d = settings::Settings::Defaults();
    struct Case {
        const char* rule;
        const char* text;
    } cases[] = {
        {"a volume past 100", "music_volume=300\n"},
        {"a volume below 0", "effect_volume=-1\n"},
        {"a volume that is not a number", "music_volume=loud\n"},
        {"a volume with more after it", "music_volume=50%\n"},
        {"an unknown scale mode", "scale_mode=stretch\n"},
        {"full screen neither 0 nor 1", "fullscreen=yes\n"},
        {"a language that is not a code", "language=../../etc\n"},
        {"a key the keyboard does not have", "key.left=Hyper\n"},
        {"a key of the page's own", "key.left=F1\n"},
        {"three keys for one action", "key.left=A,B,C\n"},
        {"a pad button that does not exist", "pad.fire=trigger\n"},
        {"an action that does not exist", "key.jump=A\n"},
        {"a line without a value", "music_volume\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(SettingsFromText(c.text, KnownKey), d) << c.rule;
    const settings::Settings mixed = SettingsFromText("music_volume=300\neffect_volume=40\n", KnownKey);
    EXPECT_EQ(mixed.musicVolume, d.musicVolume) << "the bad line keeps its default";
    EXPECT_EQ(mixed.effectVolume, 40) << "and the good line beside it still counts";
}

}  // namespace
}  // namespace molfo::settings
