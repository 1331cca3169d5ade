#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "settings/Settings.h"

namespace molfo::settings {
namespace {

namespace fs = std::filesystem;

bool AnyKey(const std::string& name) {
    static const std::set<std::string> keys = {"Left", "Right", "Up", "Down", "Z", "X", "C", "Space", "A", "D", "Q",
                                               "Left Shift", "Right Shift", "Left Ctrl", "Right Ctrl", "Escape"};
    return keys.count(name) != 0;
}

struct Scratch {
    fs::path root;
    Scratch() {
        root = fs::temp_directory_path() /
               ("molfo-settingsfile-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                "-" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "molfo");
        fs::create_directories(root / "dotfiles");
    }
    ~Scratch() { fs::remove_all(root); }
    std::string Path() const { return (root / "molfo" / "settings.toml").string(); }
    std::string P(const char* rel) const { return (root / rel).string(); }
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

ino_t Inode(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Files no player writes, and files that are no files at all: each costs one
// line and the defaults, quickly, and the parser never sees the worst.
TEST(SettingsFile, HostileFilesCostOneLineAndTheDefaults) {
    struct Case {
        const char* rule;
        std::function<void(const Scratch&)> lay;
        Loaded::Source source;
        const char* says;
    } cases[] = {
        {"thirty thousand dots in a table's name (it ran the parser out of stack)",
         [](const Scratch& s) {
             std::string t = "[a";
             for (int i = 0; i < 29999; ++i) t += ".a";
             Write(s.Path(), t + "]\n");
         },
         Loaded::Source::Broken, "more than 8 dots"},
        {"a character after a bare key that the parser mishandles",
         [](const Scratch& s) { Write(s.Path(), "language\xef\xbb\x9f = \"en\"\n"); }, Loaded::Source::Broken,
         "past ASCII outside quotes"},
        {"a quote inside a word, which opens no string (the parser reads on through it)",
         [](const Scratch& s) { Write(s.Path(), "music_volume = 35'\xef\xbb\x9f'\n"); }, Loaded::Source::Broken,
         "past ASCII outside quotes"},
        {"Japanese after a number", [](const Scratch& s) { Write(s.Path(), "music_volume = 35\xe3\x81\x82\n"); },
         Loaded::Source::Broken, "past ASCII outside quotes"},
        {"Japanese first after a line-ending backslash",
         [](const Scratch& s) { Write(s.Path(), "note = \"\"\"a \\\n   \xe3\x81\x82\"\"\"\n"); },
         Loaded::Source::Broken, "after a line-ending backslash"},
        {"Cyrillic after an escaped blank", [](const Scratch& s) { Write(s.Path(), "note = \"\"\"\\ \xd0\x9e\"\"\"\n"); },
         Loaded::Source::Broken, "after a line-ending backslash"},
        {"an escaped character past ASCII", [](const Scratch& s) { Write(s.Path(), "note = \"\"\"\\\xc3\xa9\"\"\"\n"); },
         Loaded::Source::Broken, "after a backslash"},
        {"a NUL in a table's name", [](const Scratch& s) { Write(s.Path(), std::string("[\0", 2)); },
         Loaded::Source::Broken, "control character (0x00)"},
        {"bytes that are not UTF-8", [](const Scratch& s) { Write(s.Path(), "music_volume = 5 # \xff\xfe\n"); },
         Loaded::Source::Broken, "not UTF-8"},
        {"an escape sequence for the terminal", [](const Scratch& s) { Write(s.Path(), "language = \"\x1b[31m\"\n"); },
         Loaded::Source::Broken, "control character (0x1B)"},
        {"a line of 5000 bytes", [](const Scratch& s) { Write(s.Path(), "# " + std::string(5000, 'x') + "\n"); },
         Loaded::Source::Broken, "longer than 4 KB"},
        {"arrays nested ten deep",
         [](const Scratch& s) { Write(s.Path(), "a = " + std::string(10, '[') + std::string(10, ']') + "\n"); },
         Loaded::Source::Broken, "nested more than 8 deep"},
        {"a file of 70 KB", [](const Scratch& s) { Write(s.Path(), std::string(70 * 1024, '\n')); },
         Loaded::Source::Broken, "larger than 64 KB"},
        {"one typo", [](const Scratch& s) { Write(s.Path(), "music_volume = 35\nfullscreen = yes\n"); },
         Loaded::Source::Broken, "line 2"},
        {"a named pipe no one writes", [](const Scratch& s) { ASSERT_EQ(mkfifo(s.Path().c_str(), 0600), 0); },
         Loaded::Source::Unreadable, "it is a named pipe, not a file"},
        {"a link to a device", [](const Scratch& s) { fs::create_symlink("/dev/null", s.Path()); },
         Loaded::Source::Unreadable, "it is a device, not a file"},
        {"a loop of links", [](const Scratch& s) { fs::create_symlink("settings.toml", s.Path()); },
         Loaded::Source::Unreadable, "a loop of symbolic links"},
        {"a folder", [](const Scratch& s) { fs::create_directory(s.Path()); }, Loaded::Source::Unreadable,
         "it is a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        Scratch s;
        c.lay(s);
        const auto start = std::chrono::steady_clock::now();
        const Loaded l = Load(s.Path(), AnyKey);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "nothing waits";
        EXPECT_EQ(l.source, c.source);
        ASSERT_EQ(l.problems.size(), 1u) << "one line";
        EXPECT_NE(l.problems[0].find(c.says), std::string::npos) << l.problems[0];
        EXPECT_NE(l.problems[0].find("using the default settings"), std::string::npos) << l.problems[0];
        EXPECT_EQ(l.problems[0].find('\n'), std::string::npos) << "a line is one line";
        EXPECT_EQ(l.settings, Settings::Defaults());
    }
}

TEST(SettingsFile, WhatPlayersWriteIsStillRead) {
    struct Case {
        const char* rule;
        std::string text;
    } cases[] = {
        {"a byte-order mark first", "\xef\xbb\xbfmusic_volume = 35\n"},
        {"Windows line ends", "music_volume = 35\r\n[keys]\r\nleft = [\"A\"]\r\n"},
        {"Japanese in comments and strings", "# 音量\nmusic_volume = 35 # ちいさく\n[keys]\n\"左\" = [\"A\"]\n"},
        {"tabs, quotes and escapes", "music_volume\t= 35\n[keys]\n\"left\" = ['A']\nfire = [\"Z\" ] # \"[[[\n"},
        {"a multi-line string holding dots and brackets", "note = \"\"\"a.b.c.d.e.f.g.h.i.j [[[[[[[[[[\"\"\"\nmusic_volume = 35\n"},
        {"a line-ending backslash before ASCII, Japanese later", "note = \"\"\"a \\\n   b \xe3\x81\x82\\\\\"\"\"\nmusic_volume = 35\n"},
        {"quoted keys, dotted and in a list",
         "music_volume = 35\n\"名前\".'キー' = 1\nlist = [\n  'あ',\n  \"い\", {\"う\" = 1}]\n"},
    };
    for (const Case& c : cases) {
        const Loaded l = Parse(c.text, "settings.toml", AnyKey);
        EXPECT_EQ(l.source, Loaded::Source::Read) << c.rule << ": " << (l.problems.empty() ? "" : l.problems[0]);
        EXPECT_EQ(l.settings.musicVolume, 35) << c.rule;
    }
}

// What leaving the settings page does to the file: nothing unless a value
// changed, and then only that value; never a file lost.
TEST(SettingsFile, LeavingThePageChangesOnlyWhatThePlayerChanged) {
    const std::string handWritten =
        "# my settings\n"
        "music_volume = 35   # quiet, the neighbours\n"
        "effect_volume = 20\n"
        "speed = 2           # for a later version\n"
        "\n"
        "[keys]\n"
        "left = [\"A\"]      # WASD\n"
        "right = [\"D\"]\n"
        "\n"
        "# the pad\n"
        "[pad]\n"
        "fire = [\"a\"]\n";
    auto same = [](Settings&) {};
    auto louder = [](Settings& s) { s.musicVolume = 60; };
    struct Case {
        const char* rule;
        std::function<void(const Scratch&)> lay;
        std::function<void(Settings&)> change;
        bool written;
        std::string expect;  // the file afterwards (through any link); "" for no check
        const char* keptAs;  // the original kept beside, "" none
    } cases[] = {
        {"nothing changed: the hand-written file stays byte for byte", [&](const Scratch& s) { Write(s.Path(), handWritten); },
         same, false, handWritten, ""},
        {"no file and nothing changed: none is made", [](const Scratch&) {}, same, false, "", ""},
        {"a volume changed: that value alone, comments and unknown keys kept",
         [&](const Scratch& s) { Write(s.Path(), handWritten); }, louder, true,
         "# my settings\nmusic_volume = 60   # quiet, the neighbours\neffect_volume = 20\nspeed = 2           # for a later "
         "version\n\n[keys]\nleft = [\"A\"]      # WASD\nright = [\"D\"]\n\n# the pad\n[pad]\nfire = [\"a\"]\n",
         ""},
        {"a key the file lacks goes into its table, and a setting before the tables",
         [&](const Scratch& s) { Write(s.Path(), handWritten); },
         [](Settings& s) {
             s.keys[Quit] = {"Q", ""};
             s.fullscreen = true;
         },
         true,
         "# my settings\nmusic_volume = 35   # quiet, the neighbours\neffect_volume = 20\nspeed = 2           # for a later "
         "version\nfullscreen = true\n\n[keys]\nleft = [\"A\"]      # WASD\nright = [\"D\"]\nquit = [\"Q\"]\n\n# the pad\n"
         "[pad]\nfire = [\"a\"]\n",
         ""},
        {"a table the file lacks is added at its end", [](const Scratch& s) { Write(s.Path(), "music_volume = 35"); },
         [](Settings& s) { s.pad[Fire] = {"b", ""}; }, true, "music_volume = 35\n\n[pad]\nfire = [\"b\"]\n", ""},
        {"the online table's two go into a table of their own at the end",
         [](const Scratch& s) { Write(s.Path(), "music_volume = 35 # quiet\n"); },
         [](Settings& s) {
             s.server = "https://t.example/";
             s.sendRuns = true;
         },
         true, "music_volume = 35 # quiet\n\n[online]\nserver = \"https://t.example/\"\nsend_runs = true\n", ""},
        {"a file that is not TOML is kept beside before a new one",
         [](const Scratch& s) { Write(s.Path(), "music_volume = 35\nfullscreen = yes\n"); }, louder, true, "",
         "music_volume = 35\nfullscreen = yes\n"},
        {"a file that cannot be read is never written over",
         [](const Scratch& s) { ASSERT_EQ(mkfifo(s.Path().c_str(), 0600), 0); }, louder, false, "", ""},
        {"a loop of links is never replaced",
         [](const Scratch& s) { fs::create_symlink("settings.toml", s.Path()); }, louder, false, "", ""},
        {"a link into a dotfiles folder is written through and stays a link",
         [&](const Scratch& s) {
             Write(s.P("dotfiles/molfo.toml"), "music_volume = 35 # mine\n");
             fs::create_symlink("../dotfiles/molfo.toml", s.Path());
         },
         louder, true, "music_volume = 60 # mine\n", ""},
        {"keys written inline beside numbers toml++ cannot lay out: a new file, the old one kept",
         [](const Scratch& s) { Write(s.Path(), "keys = { left = [\"A\"] }\nodd = [inf, 0.001]\n"); },
         [](Settings& s) { s.keys[Right] = {"D", ""}; }, true, "", "keys = { left = [\"A\"] }\nodd = [inf, 0.001]\n"},
        {"keys written inline: toml++ writes the file again, unknown keys kept",
         [](const Scratch& s) { Write(s.Path(), "speed = 2\nkeys = { left = [\"A\"] }\n"); },
         [](Settings& s) { s.keys[Right] = {"D", ""}; }, true, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        Scratch s;
        c.lay(s);
        const Loaded before = Load(s.Path(), AnyKey);
        ASSERT_TRUE(before.source != Loaded::Source::Read || before.problems.size() <= 1)
            << "only the unknown key costs a line: " << before.problems[0];
        Settings after = before.settings;
        c.change(after);
        const fs::file_status linkBefore = fs::symlink_status(s.Path());
        const ino_t inode = Inode(s.Path());
        const Saved saved = SaveChanges(s.Path(), before, after, AnyKey);
        EXPECT_EQ(saved.written, c.written) << saved.problem;
        EXPECT_EQ(saved.problem.empty(), c.written || after == before.settings) << saved.problem;
        if (!c.expect.empty()) {
            EXPECT_EQ(Read(s.Path()), c.expect);
        }
        if (*c.keptAs != '\0') {
            EXPECT_EQ(Read(saved.keptAs), c.keptAs) << "the original, byte for byte";
        } else {
            EXPECT_EQ(saved.keptAs, "");
        }
        if (c.written) {
            const Loaded back = Load(s.Path(), AnyKey);
            EXPECT_EQ(back.source, Loaded::Source::Read);
            EXPECT_EQ(back.settings, after) << "the file reads as the page left the settings";
            const std::string unknown = "speed is no setting of the game";
            if (before.text.find("speed") != std::string::npos) {
                ASSERT_FALSE(back.problems.empty());
                EXPECT_NE(back.problems[0].find(unknown), std::string::npos) << "a key of another version is kept";
            }
        }
        if (before.source == Loaded::Source::Missing && !c.written) {
            EXPECT_FALSE(fs::exists(s.Path())) << "no file is made for nothing";
        }
        if (fs::is_symlink(linkBefore)) {
            EXPECT_TRUE(fs::is_symlink(s.Path())) << "a link stays a link";
        }
        if (!c.written && before.source != Loaded::Source::Missing) {
            EXPECT_EQ(Inode(s.Path()), inode) << "the file is not touched at all";
        }
    }
}

}  // namespace
}  // namespace molfo::settings
