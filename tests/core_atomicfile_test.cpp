#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/AtomicFile.h"
#include "core/ReadFile.h"

namespace molfo::files {
namespace {

namespace fs = std::filesystem;
using std::chrono::hours;

struct Scratch {
    fs::path root;
    Scratch() {
        root = fs::temp_directory_path() /
               ("molfo-atomic-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "a");
        fs::create_directories(root / "b");
    }
    ~Scratch() {
        std::error_code ec;
        fs::permissions(root / "a", fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root);
    }
    std::string P(const std::string& rel) const { return (root / rel).string(); }
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void Age(const std::string& path, hours h) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - h);
}

// Every case writes "new" to a/settings.toml, laid out beforehand as the
// case says, and checks where the bytes went and what stayed.
TEST(AtomicFile, AReplacedFileIsWholeAndLinksStayLinks) {
    struct Case {
        const char* rule;
        std::function<void(const Scratch&)> lay;
        bool written;                 // the write succeeds
        const char* file;             // where "new" must be read afterwards
        const char* link;             // must still be a symbolic link; empty: none
        const char* says;             // in the error when it fails
    } cases[] = {
        {"a plain file", [](const Scratch& s) { Write(s.P("a/settings.toml"), "old"); }, true, "a/settings.toml", "", ""},
        {"no file yet", [](const Scratch&) {}, true, "a/settings.toml", "", ""},
        {"a link into another folder (dotfiles)",
         [](const Scratch& s) {
             Write(s.P("b/real.toml"), "old");
             fs::create_symlink("../b/real.toml", s.P("a/settings.toml"));
         },
         true, "b/real.toml", "a/settings.toml", ""},
        {"a link to a link",
         [](const Scratch& s) {
             Write(s.P("b/real.toml"), "old");
             fs::create_symlink(s.P("b/real.toml"), s.P("b/middle.toml"));
             fs::create_symlink(s.P("b/middle.toml"), s.P("a/settings.toml"));
         },
         true, "b/real.toml", "a/settings.toml", ""},
        {"a link to a file not made yet",
         [](const Scratch& s) { fs::create_symlink("../b/later.toml", s.P("a/settings.toml")); }, true, "b/later.toml",
         "a/settings.toml", ""},
        {"a loop of links",
         [](const Scratch& s) {
             fs::create_symlink("settings.toml", s.P("a/other.toml"));
             fs::create_symlink("other.toml", s.P("a/settings.toml"));
         },
         false, "", "a/settings.toml", "loop of symbolic links"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        Scratch s;
        c.lay(s);
        const std::string err = ReplaceFile(s.P("a/settings.toml"), Bytes("new"));
        EXPECT_EQ(err.empty(), c.written) << err;
        if (c.written) {
            EXPECT_EQ(Read(s.P(c.file)), "new") << "the bytes reach the file the name stands for";
        } else {
            EXPECT_NE(err.find(c.says), std::string::npos) << err;
        }
        if (*c.link != '\0') {
            EXPECT_TRUE(fs::is_symlink(s.P(c.link))) << "the link is kept, not replaced by a file";
        }
        for (const char* folder : {"a", "b"})
            for (const auto& e : fs::directory_iterator(s.P(folder)))
                EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos)
                    << e.path() << ": no temporary file is left";
    }
}

TEST(AtomicFile, TheNewFileKeepsTheOldOnesPermissions) {
    Scratch s;
    const std::string path = s.P("a/rank.hms");
    ASSERT_EQ(ReplaceFile(path, Bytes("first")), "");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read)
        << "a new file is readable by all, as an ordinary file";
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(ReplaceFile(path, Bytes("second")), "");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write)
        << "a file the player made private stays private";
}

TEST(AtomicFile, AFailedWriteLeavesTheOldFileAsItWas) {
    // Two ways a write fails for anyone, root included: a folder that
    // cannot be written (the child drops to nobody when it is root), and a
    // disk that fills up half way (a file-size limit of 4 bytes).
    struct Case {
        const char* what;
        bool readOnlyFolder;
        bool fullDisk;
    } cases[] = {
        {"a folder that cannot be written", true, false},
        {"a disk that fills up while the new file is written", false, true},
    };
    for (const Case& c : cases) {
        Scratch s;
        Write(s.P("a/rank.hms"), "old");
        if (c.readOnlyFolder) fs::permissions(s.P("a"), fs::perms::owner_read | fs::perms::owner_exec |
                                                            fs::perms::others_read | fs::perms::others_exec);
        fs::permissions(s.root, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (c.readOnlyFolder && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
            if (c.fullDisk) {
                signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{4, 4};
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(91);
            }
            const std::string err = ReplaceFile(s.P("a/rank.hms"), Bytes(std::string(4096, 'n')));
            _exit(err.empty() ? 1 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << c.what;
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.what << ": the failed write is reported";
        EXPECT_EQ(Read(s.P("a/rank.hms")), "old") << c.what << ": the file is as it was";
        size_t entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(s.P("a"))) ++entries;
        EXPECT_EQ(entries, 1u) << c.what << ": no half-written file is left beside it";
    }
}

TEST(AtomicFile, OnlyOurOwnStaleTemporariesAreSwept) {
    Scratch s;
    struct Laid {
        const char* name;
        bool folder;
        int ageHours;
        bool stays;
        const char* rule;
    } laid[] = {
        {"rank.hms.tmp-Ab12Cd", false, 1, false, "a temporary of ours left an hour ago by a kill"},
        {"rank.hms.tmp-Ef34Gh", false, 0, true, "one being written right now"},
        {"rank.hms.tmp-mine.txt", false, 1, true, "a name of another pattern"},
        {"rank.hms.tmp-Ij56Kl", true, 1, true, "a folder, which we never make"},
        {"other.tmp-Mn78Op", false, 1, true, "another file's temporary"},
    };
    for (const Laid& l : laid) {
        if (l.folder)
            fs::create_directory(s.P(std::string("a/") + l.name));
        else
            Write(s.P(std::string("a/") + l.name), "x");
        Age(s.P(std::string("a/") + l.name), hours(l.ageHours));
    }
    ASSERT_EQ(ReplaceFile(s.P("a/rank.hms"), Bytes("new")), "");
    for (const Laid& l : laid)
        EXPECT_EQ(fs::exists(s.P(std::string("a/") + l.name)), l.stays) << l.rule;
}

TEST(AtomicFile, AKeptCopyHoldsTheBytesNotTheLink) {
    Scratch s;
    Write(s.P("b/real.toml"), "the player's");
    fs::create_symlink(s.P("b/real.toml"), s.P("a/settings.toml"));
    const std::string kept = KeepBeside(s.P("a/settings.toml"));
    ASSERT_EQ(kept, s.P("a/settings.toml.bad"));
    ASSERT_EQ(ReplaceFile(s.P("a/settings.toml"), Bytes("new")), "");
    EXPECT_EQ(Read(kept), "the player's") << "replacing the file behind the link leaves the copy whole";
    EXPECT_EQ(KeepBeside(s.P("a/settings.toml")), s.P("a/settings.toml.bad.2")) << "a second copy never replaces the first";
}

TEST(ReadFile, WhatIsNotAFileIsRefusedAtOnceAndNamed) {
    Scratch s;
    ASSERT_EQ(mkfifo(s.P("a/pipe").c_str(), 0600), 0);
    fs::create_symlink(s.P("a/pipe"), s.P("a/to-pipe"));
    fs::create_symlink("loop", s.P("a/loop"));
    Write(s.P("a/big"), std::string(2048, 'x'));
    struct Case {
        const char* rule;
        std::string path;
        size_t limit;
        const char* says;
    } cases[] = {
        {"a named pipe no one writes", s.P("a/pipe"), 100, "it is a named pipe, not a file"},
        {"a link to a named pipe", s.P("a/to-pipe"), 100, "it is a named pipe, not a file"},
        {"the terminal behind /dev/stdin, or whatever it is", "/dev/null", 100, "it is a device, not a file"},
        {"a folder", s.P("a"), 100, "it is a folder, not a file"},
        {"a loop of links", s.P("a/loop"), 100, "it is a loop of symbolic links"},
        {"a limit below a megabyte is told in KB", s.P("a/big"), 1024, "larger than 1 KB"},
    };
    for (const Case& c : cases) {
        std::string out, error;
        EXPECT_FALSE(ReadFileLimited(c.path, c.limit, out, error)) << c.rule;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.rule << ": " << error;
    }
}

}  // namespace
}  // namespace molfo::files
