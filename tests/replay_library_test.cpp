#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "replay/Capture.h"
#include "replay/Library.h"
#include "replay/ReplayFile.h"

namespace molfo::library {
namespace {

namespace fs = std::filesystem;

// What lies in the folder before a game is saved into it.
struct Laid {
    enum Kind { Recording, Text, Folder, LinkToRecording } kind;
    int year;            // of the name's date
    int count = 1;       // that many, a second apart
    int ageHours = 0;    // of the file's own time
    const char* name = nullptr;  // instead of a kept replay's name
};

std::tm When(int year, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mday = 1;
    t.tm_sec = second;
    return t;
}

// Every case saves one game dated 2026 into a folder laid out as it says.
TEST(ReplayLibrary, NoFolderTheGameMeetsLosesTheNewGameOrAFileOfThePlayers) {
    struct Case {
        const char* rule;
        std::vector<Laid> laid;
        size_t left;               // kept replays afterwards
        std::vector<std::string> stay, gone;
        bool future;               // one line about files from the future
    } cases[] = {
        {"fifty games from a clock set to 2099", {{Laid::Recording, 2099, 50}}, 50, {}, {"2099-01-01_000000_1pts_stage1.mrec"}, true},
        {"a file of the player's named like a kept replay, and fifty games",
         {{Laid::Text, 2020, 1, 0, "2020-01-01_000000_1pts_stage1.mrec"}, {Laid::Recording, 2021, 50}},
         51, {"2020-01-01_000000_1pts_stage1.mrec"}, {"2021-01-01_000000_1pts_stage1.mrec"}, false},
        {"a link named like a kept replay, and fifty games",
         {{Laid::LinkToRecording, 2020, 1, 0, "2020-01-01_000000_1pts_stage1.mrec"}, {Laid::Recording, 2021, 50}},
         51, {"2020-01-01_000000_1pts_stage1.mrec", "../mine.mrec"}, {"2021-01-01_000000_1pts_stage1.mrec"}, false},
        {"temporaries a killed game left, and others",
         {{Laid::Text, 0, 1, 1, ".molfo-replay-Ab12Cd"}, {Laid::Text, 0, 1, 0, ".molfo-replay-Ef34Gh"},
          {Laid::Text, 0, 1, 1, ".molfo-replay-notes"}, {Laid::Folder, 0, 1, 1, ".molfo-replay-Ij56Kl"}},
         1, {".molfo-replay-Ef34Gh", ".molfo-replay-notes", ".molfo-replay-Ij56Kl"}, {".molfo-replay-Ab12Cd"}, false},
    };
    const std::string magic(replay::kMagic, sizeof replay::kMagic);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const fs::path root = fs::temp_directory_path() / ("molfo-library-" + std::to_string(getpid()));
        fs::remove_all(root);
        const fs::path dir = root / "replays";
        fs::create_directories(dir);
        std::ofstream(root / "mine.mrec") << magic;
        for (const Laid& l : c.laid)
            for (int i = 0; i < l.count; ++i) {
                const fs::path p = dir / (l.name ? std::string(l.name) : FileName(When(l.year, i), 1, {1, 1}, false));
                if (l.kind == Laid::Folder)
                    fs::create_directory(p);
                else if (l.kind == Laid::LinkToRecording)
                    fs::create_symlink(root / "mine.mrec", p);
                else
                    std::ofstream(p) << (l.kind == Laid::Recording ? magic : "the player's own");
                fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(l.ageHours));
            }
        std::string error, future;
        const std::string saved = Save(dir.string() + "/", std::vector<uint8_t>(magic.begin(), magic.end()),
                                       {5, 1}, When(2026, 0), error, &future);
        ASSERT_NE(saved, "") << error;
        EXPECT_TRUE(fs::exists(saved)) << "the game just saved is never pruned";
        EXPECT_EQ(Last(dir.string()), saved) << "the newest is the one written last, whatever its date";
        EXPECT_EQ(List(dir.string()).size(), c.left);
        for (const std::string& f : c.stay) EXPECT_TRUE(fs::exists(dir / f) || fs::is_symlink(dir / f)) << f << " stays";
        for (const std::string& f : c.gone) EXPECT_FALSE(fs::exists(dir / f)) << f << " goes";
        EXPECT_EQ(!future.empty(), c.future) << future;
        if (c.future) {
            EXPECT_NE(future.find("50 kept replays"), std::string::npos) << future;
        }
        fs::remove_all(root);
    }
}

// A replay's private data folder outlives a replay killed outright (SIGKILL,
// a power cut): the next replay sweeps such folders, and only those.
TEST(DataOverlay, FoldersOfKilledReplaysAreSweptAndOnlyThose) {
    const fs::path tmp = fs::temp_directory_path() / ("molfo-overlays-" + std::to_string(getpid()));
    fs::remove_all(tmp);
    fs::create_directories(tmp);
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before != nullptr ? before : "";
    setenv("TMPDIR", tmp.c_str(), 1);
    struct Left {
        const char* name;
        enum Kind { Folder, Link } kind;
        int ageHours;
        bool locked;  // held by a replay still playing
        bool stays;
        const char* rule;
    } left[] = {
        {"molfo-replay-Ab12Cd", Left::Folder, 1, false, false, "a killed replay's folder"},
        {"molfo-replay-Ef34Gh", Left::Folder, 0, false, true, "one made a moment ago"},
        {"molfo-replay-Ij56Kl", Left::Folder, 5, true, true, "a long replay still playing"},
        {"molfo-replay-test-x", Left::Folder, 1, false, true, "a name of another pattern"},
        {"molfo-replay-Mn78Op", Left::Link, 1, false, true, "a link, which a replay never makes"},
    };
    std::vector<int> locks;
    for (const Left& l : left) {
        const fs::path p = tmp / l.name;
        if (l.kind == Left::Link) {
            fs::create_directory(tmp / "elsewhere");
            fs::create_directory_symlink(tmp / "elsewhere", p);
        } else {
            fs::create_directories(p / "sys");
            fs::create_symlink(test::DataDir(), p / "sys" / "linked");
        }
        if (l.locked) {
            locks.push_back(open(p.c_str(), O_RDONLY | O_DIRECTORY));
            ASSERT_EQ(flock(locks.back(), LOCK_EX), 0);
        }
        fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(l.ageHours));
    }
    {
        DataOverlay next;
        EXPECT_EQ(next.Create(test::DataDir(), {}), "");
        for (const Left& l : left) EXPECT_EQ(fs::exists(tmp / l.name) || fs::is_symlink(tmp / l.name), l.stays) << l.rule;
        EXPECT_TRUE(fs::exists(tmp / "elsewhere")) << "nothing is followed out of the temporary folder";
        EXPECT_TRUE(fs::exists(test::DataDir())) << "the game's own data, linked from the folders swept, stays";
    }
    for (int fd : locks) close(fd);
    if (before != nullptr)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
    fs::remove_all(tmp);
}

}  // namespace
}  // namespace molfo::library
