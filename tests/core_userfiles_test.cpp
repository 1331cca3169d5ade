// Where the program finds its data and where a screenshot goes.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "core/UserFiles.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;
using test::Scratch;

TEST(UserFiles, TheProgramFindsSysBesideItselfOrInTheInstalledShareFolder) {
    Scratch t("datadir");
    const std::string build = t.Dir("build");
    t.Dir("build/sys");
    const std::string bin = t.Dir("prefix/bin");
    t.Dir("prefix/share/molfo/sys");
    const std::string lonely = t.Dir("lonely/bin");
    EXPECT_EQ(FindDataDir(build, "../share/molfo"), build) << "a build tree's program reads the sys/ beside it";
    EXPECT_EQ(fs::path(FindDataDir(bin, "../share/molfo")), (t.root / "prefix/share/molfo").lexically_normal())
        << "an installed program reads sys/ from the share folder beside bin/";
    EXPECT_EQ(FindDataDir(lonely, "../share/molfo"), lonely)
        << "with no sys/ anywhere, the program's own folder is named in the asset check's complaint";

    // The Debian package: the program in games/, its data in share/games/molfo.
    const std::string games = t.Dir("usr/games");
    t.Dir("usr/share/games/molfo/sys");
    const std::string both = "../share/molfo:../share/games/molfo";
    EXPECT_EQ(fs::path(FindDataDir(games, both)), (t.root / "usr/share/games/molfo").lexically_normal())
        << "a packaged program in games/ reads sys/ from share/games/molfo";
    EXPECT_EQ(fs::path(FindDataDir(bin, both)), (t.root / "prefix/share/molfo").lexically_normal())
        << "the first install path that has sys/ wins";
    EXPECT_EQ(FindDataDir(lonely, both), lonely) << "with no sys/ along any install path, the program's own folder";
}

TEST(UserFiles, ScreenshotsGoToThePictureFolderNamedByDateAndTime) {
    Scratch t("shots");
    const std::string home = t.Dir("home");
    const std::string xdg = t.Dir("home/Bilder");
    const std::string fallback = t.Dir("started-here");
    struct Case {
        const char* rule;
        std::string xdgAnswer;
        bool picturesExists;
        std::string want;
    } cases[] = {
        {"the folder xdg-user-dir names comes first", xdg, true, xdg},
        {"xdg-user-dir naming the home folder means none is set up", home, true, home + "/Pictures"},
        {"without xdg-user-dir, ~/Pictures when it exists", "", true, home + "/Pictures"},
        {"a picture folder that is not there is passed over", (t.root / "gone").string(), false, fallback},
        {"with no picture folder at all, the folder the game was started from", "", false, fallback},
    };
    for (const Case& c : cases) {
        fs::remove_all(fs::path(home) / "Pictures");
        if (c.picturesExists) t.Dir("home/Pictures");
        EXPECT_EQ(ChoosePicturesFolder(c.xdgAnswer, home, fallback), c.want) << c.rule;
    }

    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_hour = 5;
    when.tm_min = 12;
    when.tm_sec = 3;
    EXPECT_EQ(FreeScreenshotPath(fallback, when), fallback + "/molfo-2026-12-08-051203.png")
        << "a screenshot is named by its date and time";
    t.Make("started-here/molfo-2026-12-08-051203.png", "x");
    EXPECT_EQ(FreeScreenshotPath(fallback, when), fallback + "/molfo-2026-12-08-051203-2.png")
        << "a second screenshot in the same second does not overwrite the first";
}

}  // namespace
}  // namespace molfo
