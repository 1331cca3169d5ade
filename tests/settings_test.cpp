#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/PadMap.h"
#include "settings/SettingsPage.h"

namespace molfo::settings {
namespace {

namespace fs = std::filesystem;

// The keyboard's names as the window knows them, for these tests.
bool FakeKey(const std::string& name) {
    static const std::set<std::string> keys = {"Left", "Right", "Up", "Down", "Z", "X", "C", "Space", "A", "D",
                                               "Left Shift", "Right Shift", "Left Ctrl", "Right Ctrl", "Escape", "F1"};
    return keys.count(name) != 0;
}

TEST(Settings, EachBadValueCostsOneLineNamingItsKeyAndDefault) {
    struct Case {
        const char* rule;
        const char* text;
        const char* says;  // in the one line; empty: no line
    } cases[] = {
        {"a volume past 100", "music_volume = 150", "music_volume = 150 is not a whole number from 0 to 100; using the default, 100"},
        {"a volume in words", "effect_volume = \"loud\"", "effect_volume = \"loud\" is not a whole number"},
        {"a scale mode the window lacks", "scale_mode = \"stretch\"", "scale_mode = \"stretch\" is neither \"integer\" nor \"fit\"; using the default, \"integer\""},
        {"full screen as a number", "fullscreen = 1", "fullscreen = 1 is neither true nor false; using the default, false"},
        {"a language that is no code", "language = \"English!\"", "using the default, \"auto\""},
        {"a key the keyboard lacks", "[keys]\nleft = [\"Banana\"]", "keys.left = [ \"Banana\" ] is not a list of one or two keys the game may use; using the default, [\"Left\"]"},
        {"three keys for one action", "[keys]\nfire = [\"Z\", \"X\", \"C\"]", "keys.fire"},
        {"a key the window keeps for itself", "[keys]\nquit = [\"F1\"]", "keys.quit"},
        {"no key at all for an action", "[keys]\nup = []", "keys.up"},
        {"a pad button that does not exist", "[pad]\nfire = [\"z\"]", "pad.fire"},
        {"an action the game does not have", "[keys]\njump = [\"Space\"]", "keys.jump is no action of the game; ignored"},
        {"a setting the game does not have", "speed = 2", "speed is no setting of the game; ignored"},
        {"the keys not being a table", "keys = 3", "keys is not a table of actions; using the defaults"},
        {"a file that is not TOML", "music_volume = \n[keys", "settings.toml: line 1"},
        {"numbers toml++ cannot lay out in a list",
         "[keys]\nleft = [inf, -9223372036854775808, 0.001]", "keys.left = [ inf, -9223372036854775808, 0.001 ] is not"},
        {"a parse error quoting a line end", "a = in\n", "saw 'in\\n'"},
        {"a table's address of another scheme", "[online]\nserver = \"ftp://table.example\"",
         "online.server = \"ftp://table.example\" is not an http:// or https:// address; using the default, \"\""},
        {"an address with a space in it", "[online]\nserver = \"http://a b\"", "online.server"},
        {"sending as a word", "[online]\nsend_runs = \"yes\"", "online.send_runs = \"yes\" is neither true nor false; using the default, false"},
        {"online not being a table", "online = true", "online is not a table; nothing is sent"},
        {"an online setting the game does not have", "[online]\nport = 8090", "online.port is no setting of the game; ignored"},
        {"a good file says nothing", "music_volume = 0\nfullscreen = true\n[keys]\nleft = \"A\"\n[pad]\nfire = []", ""},
    };
    for (const Case& c : cases) {
        const Loaded l = Parse(c.text, "settings.toml", FakeKey);
        if (*c.says == '\0') {
            EXPECT_TRUE(l.problems.empty()) << c.rule << ": " << (l.problems.empty() ? "" : l.problems[0]);
            continue;
        }
        ASSERT_EQ(l.problems.size(), 1u) << c.rule << ": one line";
        EXPECT_NE(l.problems[0].find(c.says), std::string::npos) << c.rule << ": " << l.problems[0];
        EXPECT_EQ(l.problems[0].find('\n'), std::string::npos) << c.rule << ": a line is one line";
        EXPECT_EQ(l.settings, Settings::Defaults()) << c.rule << ": the bad value leaves its default";
    }
}

TEST(Settings, GoodValuesAreTakenAndTheRestKeepTheirDefaults) {
    const Loaded l = Parse("music_volume = 0\nfullscreen = true\nlanguage = \"en\"\n"
                           "[keys]\nleft = \"A\"\nright = [\"D\", \"Right\"]\nfire = [\"banana\"]\n[pad]\nfire = []\n",
                           "s.toml", FakeKey);
    EXPECT_EQ(l.problems.size(), 1u) << "only the bad fire key is reported";
    const Settings d = Settings::Defaults();
    EXPECT_EQ(l.settings.musicVolume, 0) << "a volume of 0 is silence, not a mistake";
    EXPECT_EQ(l.settings.effectVolume, d.effectVolume);
    EXPECT_TRUE(l.settings.fullscreen);
    EXPECT_EQ(l.settings.language, "en");
    EXPECT_EQ(l.settings.keys[Left], (Slots{"A", ""})) << "one key may be written without a list";
    EXPECT_EQ(l.settings.keys[Right], (Slots{"D", "Right"}));
    EXPECT_EQ(l.settings.keys[Fire], d.keys[Fire]) << "the bad key list keeps the default";
    EXPECT_EQ(l.settings.pad[Fire], (Slots{"", ""})) << "an action may have no pad button";
    EXPECT_EQ(l.settings.keys[Up], d.keys[Up]) << "what the file leaves out keeps its default";
}

TEST(Settings, NothingIsSentUnlessThePlayerNamesATableAndSaysSo) {
    const Settings d = Settings::Defaults();
    EXPECT_EQ(d.server, "") << "no table by default";
    EXPECT_FALSE(d.sendRuns) << "and nothing sent";
    const Loaded l = Parse("[online]\nserver = \"https://table.example/molfo/\"\nsend_runs = true\n", "s.toml", FakeKey);
    EXPECT_TRUE(l.problems.empty()) << (l.problems.empty() ? "" : l.problems[0]);
    EXPECT_EQ(l.settings.server, "https://table.example/molfo/");
    EXPECT_TRUE(l.settings.sendRuns);
    struct Case {
        const char* address;
        bool good;
    } cases[] = {
        {"http://127.0.0.1:8090", true}, {"https://t.example/a/b", true}, {"HTTP://x", false},
        {"http://", false},              {"http:///path", false},         {"file:///etc/passwd", false},
        {"http://a\tb", false},          {"http://\x7f", false},          {"https://t.example/\xc3\xa9", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsServerAddress(c.address), c.good) << c.address;
    EXPECT_FALSE(IsServerAddress("http://" + std::string(kMaxServerBytes, 'a'))) << "an address no player types";
}

TEST(Settings, WhatIsSavedIsReadBackTheSame) {
    const fs::path dir = fs::temp_directory_path() / ("molfo-settings-" + std::to_string(getpid()));
    fs::remove_all(dir);
    const std::string path = (dir / "molfo" / "settings.toml").string();
    const Loaded missing = Load(path, FakeKey);
    EXPECT_EQ(missing.source, Loaded::Source::Missing) << "no file yet";
    EXPECT_TRUE(missing.problems.empty()) << "a missing file is no problem";
    EXPECT_EQ(missing.settings, Settings::Defaults()) << "and gives the defaults";

    Settings s = Settings::Defaults();
    s.musicVolume = 30;
    s.effectVolume = 0;
    s.scaleMode = "fit";
    s.fullscreen = true;
    s.language = "en";
    s.keys[Left] = {"Right", ""};
    s.keys[Right] = {"Left", "D"};
    s.pad[Fire] = {"y", ""};
    s.pad[Quit] = {"back", ""};
    s.server = "http://127.0.0.1:8090/";
    s.sendRuns = true;
    ASSERT_EQ(Save(path, s), "") << "the folder is made and the file written";
    const Loaded back = Load(path, FakeKey);
    EXPECT_EQ(back.source, Loaded::Source::Read);
    EXPECT_TRUE(back.problems.empty()) << (back.problems.empty() ? "" : back.problems[0]);
    EXPECT_EQ(back.settings, s) << "every setting comes back as saved";
    for (const auto& e : fs::directory_iterator(dir / "molfo"))
        EXPECT_EQ(e.path().filename(), "settings.toml") << "no temporary file is left beside it";
    fs::remove_all(dir);
}

TEST(Settings, TheDefaultPadButtonsAreThePadsOwn) {
    // The pad's default bindings, a button standing for two keys counted twice.
    std::set<std::pair<int, int>> pad, fromSettings;
    for (const pad::Binding& b : pad::kDefaultButtons) {
        pad.insert({b.input, b.key});
        if (b.alsoKey != 0) pad.insert({b.input, b.alsoKey});
    }
    const Settings d = Settings::Defaults();
    for (size_t a = 0; a < kActions; ++a)
        for (const std::string& name : d.pad[a])
            if (!name.empty()) fromSettings.insert({PadButton(name), kActionTable[a].vk});
    EXPECT_EQ(fromSettings, pad) << "a player without a settings file plays with the pad as it always was";
}

TEST(SettingsPage, KeysMoveChangeBindAndLeave) {
    Page p(Settings::Defaults(), {"ja", "en"});
    using N = Page::Nav;
    p.Press(N::Left);
    EXPECT_EQ(p.Current().musicVolume, 90) << "Left lowers the music a step";
    for (int i = 0; i < 20; ++i) p.Press(N::Left);
    EXPECT_EQ(p.Current().musicVolume, 0) << "the volume stops at 0";
    EXPECT_TRUE(p.TakeChanged()) << "a change is told once";
    EXPECT_FALSE(p.TakeChanged());
    p.Press(N::Down);
    p.Press(N::Down);
    p.Press(N::Activate);
    EXPECT_EQ(p.Current().scaleMode, "fit") << "Enter on the scale mode switches it";
    p.Press(N::Down);
    p.Press(N::Down);
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        p.Press(N::Right);
        seen.push_back(p.Current().language);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"ja", "en", "auto"})) << "the language goes round its choices";

    p.Press(N::Down);  // Move left
    p.Press(N::Activate);
    EXPECT_TRUE(p.Capturing()) << "Enter on an action waits for a key";
    p.Press(N::Down);
    EXPECT_EQ(p.Row(), 5) << "while waiting, the page does not move";
    p.Captured("F12");
    EXPECT_TRUE(p.Capturing()) << "a key the window keeps for itself is refused, and the page keeps waiting";
    p.Captured("A");
    EXPECT_FALSE(p.Capturing());
    EXPECT_EQ(p.Current().keys[Left], (Slots{"A", ""})) << "the key pressed is the action's first key";
    p.Press(N::Right);
    p.Press(N::Activate);
    p.Captured("A");
    EXPECT_EQ(p.Current().keys[Left], (Slots{"", "A"})) << "a key moves within its action rather than standing twice";
    p.Press(N::Clear);
    EXPECT_EQ(p.Current().keys[Left], (Slots{"", ""}));
    p.Press(N::Left);
    p.Press(N::Activate);
    p.Captured("Left");
    p.Press(N::Clear);
    EXPECT_EQ(p.Current().keys[Left][0], "Left") << "the first key cannot be cleared: every action keeps one";
    p.Press(N::Right);
    p.Press(N::Right);
    EXPECT_EQ(p.Col(), Page::Pad1);
    p.Press(N::Activate);
    EXPECT_TRUE(p.CapturingPad()) << "a pad column waits for a pad button";
    p.Captured("Left");
    EXPECT_TRUE(p.Capturing()) << "a key is no pad button";
    p.Captured("y");
    EXPECT_EQ(p.Current().pad[Left][0], "y");

    for (int i = 0; i < static_cast<int>(kActions); ++i) p.Press(N::Down);  // past the actions: "back to the defaults"
    const std::string language = p.Current().language;
    p.Press(N::Activate);
    Settings want = Settings::Defaults();
    want.language = language;
    EXPECT_EQ(p.Current(), want) << "the defaults come back, the language chosen stays";
    EXPECT_FALSE(p.Done());
    p.Press(N::Leave);
    EXPECT_TRUE(p.Done()) << "Escape leaves the page";
}

TEST(SettingsPage, TheOnlineTablesRowsSendOnlyToAnAddressTyped) {
    using N = Page::Nav;
    const size_t plain = Page(Settings::Defaults(), {"ja", "en"}).Lines().size();
    Page p(Settings::Defaults(), {"ja", "en"}, Page::Online::SendAndServer);
    const std::vector<Page::Line> lines = p.Lines();
    ASSERT_EQ(lines.size(), plain + 2) << "two rows more in the window";
    for (int i = 0; i < 5; ++i) p.Press(N::Down);
    EXPECT_EQ(p.Lines()[static_cast<size_t>(p.Row())].cells.at(0), "いいえ") << "the send row, after the language";
    p.Press(N::Right);
    EXPECT_TRUE(p.Current().sendRuns);
    EXPECT_NE(p.Hint().find("アドレス"), std::string::npos) << "sending on, no address: the page says what is missing";
    p.Press(N::Down);
    p.Press(N::Right);
    EXPECT_FALSE(p.WantsText()) << "an address is typed, not chosen with the arrows";
    EXPECT_TRUE(p.TakeChanged());
    EXPECT_FALSE(p.TakeChanged()) << "the arrows changed nothing on the address row";
    p.Press(N::Activate);
    ASSERT_TRUE(p.WantsText()) << "Enter asks for the address";
    p.Press(N::Down);
    EXPECT_TRUE(p.WantsText()) << "the page waits for it";
    p.TextEntered("  http://127.0.0.1:8090  ");
    EXPECT_FALSE(p.WantsText());
    EXPECT_EQ(p.Current().server, "http://127.0.0.1:8090") << "spaces around it are no part of it";
    EXPECT_TRUE(p.TakeChanged());
    p.Press(N::Activate);
    p.TextEntered("ftp://127.0.0.1");
    EXPECT_EQ(p.Current().server, "http://127.0.0.1:8090") << "an address the game cannot use keeps the old one";
    EXPECT_NE(p.Hint().find("http://"), std::string::npos) << "and the page says why";
    EXPECT_FALSE(p.TakeChanged());
    p.Press(N::Activate);
    p.CancelText();
    EXPECT_FALSE(p.WantsText());
    for (size_t i = 0; i < kActions + 1; ++i) p.Press(N::Down);  // "back to the defaults"
    p.Press(N::Activate);
    EXPECT_EQ(p.Current().server, "http://127.0.0.1:8090") << "the defaults leave the table as it was";
    EXPECT_TRUE(p.Current().sendRuns);
    for (size_t i = 0; i < kActions + 1; ++i) p.Press(N::Up);  // the address again
    p.Press(N::Clear);
    EXPECT_EQ(p.Current().server, "") << "Delete clears the address";
}

}  // namespace
}  // namespace molfo::settings
