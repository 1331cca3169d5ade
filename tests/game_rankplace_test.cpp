// Where the ranking is kept: never under /usr, in the user's folder when the
// game's own cannot be written, and where the game is told.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "game/RankPlace.h"
#include "screens/Screens.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;
using test::Scratch;

TEST(UserFiles, ThePlayersFilesNeverGoUnderUsr) {
    Scratch t("mine");
    const std::string scratch = t.Dir("data/sys");
    std::error_code ec;
    fs::create_directory_symlink("/usr/share", t.root / "link-to-usr", ec);
    ASSERT_FALSE(ec) << "the symlink case needs a symlink";
    struct Case {
        const char* rule;
        std::string folder;
        bool mayWrite;
    };
    const Case cases[] = {
        {"a writable folder of the player's is used as it is", scratch, true},
        {"/usr belongs to the package manager, even when root could write it", "/usr/share", false},
        {"/usr itself too", "/usr", false},
        {"a path that reaches /usr through a symlink is still under /usr", (t.root / "link-to-usr").string(), false},
        {"a path that climbs back into /usr is still under /usr", "/tmp/../usr/share", false},
        {"a folder that is not there cannot be written", (t.root / "missing").string(), false},
    };
    for (const Case& c : cases) EXPECT_EQ(PlayerMayWrite(c.folder), c.mayWrite) << c.rule << ": " << c.folder;
}

TEST(UserFiles, AReadOnlyInstallKeepsTheRankingInTheUserFolderStartingFromTheOneBesideIt) {
    Scratch t("rank");
    const std::string data = t.Dir("share/molfo");
    const std::string shipped(14000, 'S');
    t.Make("share/molfo/sys/rank.hms", shipped);
    const std::string user = t.Dir("user") + "/";

    EXPECT_TRUE(FolderWritable(data)) << "a scratch folder can be written";
    EXPECT_FALSE(FolderWritable((t.root / "missing").string())) << "a folder that is not there cannot be written";
    EXPECT_FALSE(FolderWritable(t.Make("plain-file"))) << "a file is no folder to write in";

    EXPECT_EQ(UserRankFile(data, ""), "") << "with no user folder the ranking stays beside the program";
    const std::string mine = UserRankFile(data, user);
    EXPECT_EQ(mine, user + "rank.hms") << "the ranking goes to the user folder";
    EXPECT_EQ(Scratch::Read(mine), shipped) << "the first time, the ranking beside the program is carried over";

    const std::string played(14000, 'P');
    t.Make("user/rank.hms", played);
    UserRankFile(data, user);
    EXPECT_EQ(Scratch::Read(mine), played) << "a ranking already in the user folder is never overwritten";

    Scratch fresh("rank-fresh");
    const std::string emptyData = fresh.Dir("data");
    const std::string freshUser = fresh.Dir("user") + "/";
    EXPECT_FALSE(fs::exists(UserRankFile(emptyData, freshUser)))
        << "with no ranking anywhere, none is made before the first game";
}

TEST(UserFiles, TheGameWritesTheRankingWhereItIsTold) {
    Scratch t("rankpath");
    test::TestGame game;
    game.g.rankPath = (t.root / "rank.hms").string();
    game.s.GoukeiTen = 1234;
    game.hp.dialogs.answers = {"PAD"};
    game.hp.keys.Hold(vk::Z, true);
    RankingEntry(game.g);
    const std::string bytes = Scratch::Read(game.g.rankPath);
    ASSERT_EQ(bytes.size(), 14000u) << "the ranking in the user folder has the usual 1000 records";
    EXPECT_EQ(bytes.substr(0, 3), "PAD") << "the new first place is in the file the game was told to use";
}

}  // namespace
}  // namespace molfo
