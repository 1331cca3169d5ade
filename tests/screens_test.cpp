#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "render/Text.h"
#include "screens/RankFile.h"
#include "screens/Screens.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;
using rank::RankTable;

std::string Bytes(const rank::NameField& f) { return std::string(f.data(), f.size()); }
std::string Pad12(const std::string& s) { return s + std::string(12 - s.size(), ' '); }

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// A full table: place i holds "P<i>" with 11000 - 10 i points (10990 .. 1000).
RankTable StandardTable() {
    RankTable t = rank::FreshTable();
    for (int i = 1; i <= rank::kPlaces; ++i) {
        t.RankName[i] = rank::EncodeName("P" + std::to_string(i));
        t.RankScore[i] = static_cast<int16_t>(11000 - 10 * i);
    }
    return t;
}

// The pixels of the key help label's rectangle in a composed window.
std::vector<uint32_t> MsArea(const Surface& window, const Label& ms) {
    std::vector<uint32_t> px;
    for (int y = ms.y; y < ms.y + ms.h; ++y)
        for (int x = ms.x; x < ms.x + ms.w; ++x) px.push_back(window.At(x, y));
    return px;
}

// Caps the size of files this process writes, as a full disk would (the
// kernel refuses even root); writes past it fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        if (bytes == RLIM_INFINITY) return;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit cap = old_;
        cap.rlim_cur = bytes;
        set_ = setrlimit(RLIMIT_FSIZE, &cap) == 0;
    }
    ~FileSizeLimit() { Lift(); }
    void Lift() {
        if (set_) setrlimit(RLIMIT_FSIZE, &old_);
        set_ = false;
    }

private:
    rlimit old_{};
    bool set_ = false;
};

// A game on the headless back end whose data folder is a fresh temporary one
// holding an empty sys/ folder.
class EndScreens : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/molfo-screens-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        fs::create_directory(dir / "sys");
        t.g.dataDir = dir.string();
        t.NewGame();
        t.g.onScene = [this](Game& g) { scenes.push_back(SceneName(g.scene)); };
        t.hp.events.onPump = [this] {
            if (script) script();
            // A wait that never ends would hang the run; close the window instead.
            if (Now() > 3'000'000) t.hp.events.RequestClose();
        };
        t.hp.dialogs.beforeInput = [this] { OnDialog(); };
        start = Now();
        startPresents = t.hp.display.presents;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    uint32_t Now() { return t.hp.clock.Ticks(); }
    fs::path RankPath() const { return dir / "sys" / "rank.hms"; }
    void OnDialog() {
        dialogTick = Now();
        dialogPresents = t.hp.display.presents;
    }

    test::TestGame t;
    fs::path dir;
    std::vector<std::string> scenes;
    std::function<void()> script;
    uint32_t start = 0;
    uint64_t startPresents = 0;
    std::optional<uint32_t> dialogTick;
    uint64_t dialogPresents = 0;
};

TEST_F(EndScreens, RankingPlacesTheScoreAndStoresTheName) {
    struct Case {
        const char* rule;
        int16_t score;
        std::optional<std::string> answer;
        const char* kind;
        std::string text;
        int16_t place;
        std::string storedName;  // as drawn
    } cases[] = {
        {"a score equal to first place takes place 1", 10990, "ACE", "input",
         "ランキング1位です。\r\nなまえを入力してください", 1, Pad12("ACE")},
        {"a cancelled prompt stores an all-space name", 10985, std::nullopt, "input",
         "ランキング2位です。\r\nなまえを入力してください", 2, Pad12("")},
        {"a name of 15 characters keeps its first 12", 10901, "ABCDEFGHIJKLMNO", "input",
         "ランキング10位です。\r\nなまえを入力してください", 10, "ABCDEFGHIJKL"},
        {"six double-byte characters fill the name exactly", 10981, "あいうえおか", "input",
         "ランキング2位です。\r\nなまえを入力してください", 2, "あいうえおか"},
        {"a seventh double-byte character is cut whole", 10981, "あいうえおかき", "input",
         "ランキング2位です。\r\nなまえを入力してください", 2, "あいうえおか"},
        {"place 11 tells the overall place and stores an all-space name", 10890, "UNUSED", "message",
         "あなたは総合11位です。", 11, Pad12("")},
        {"a tie with the 1000th place takes it and the old 1000th drops out", 1000, "UNUSED", "message",
         "あなたは総合1000位です。", 1000, Pad12("")},
        {"a score below all 1000 places leaves the table as it was", 999, "UNUSED", "message",
         "あなたは1001位以下です。", 0, ""},
    };
    const RankTable old = StandardTable();
    const std::vector<uint8_t> oldBytes = rank::SerializeRank(old);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        WriteBytes(RankPath(), oldBytes);
        t.hp.dialogs.shown.clear();
        t.hp.dialogs.answers = {c.answer};
        t.s.InGame = 1;
        t.s.GoukeiTen = c.score;
        t.hp.keys.Hold(vk::Z, true);
        RankingEntry(t.g);

        ASSERT_EQ(t.hp.dialogs.shown.size(), 1u) << "one dialog per ranking";
        EXPECT_EQ(t.hp.dialogs.shown[0].kind, c.kind) << "top ten are asked for a name, the rest told their place";
        EXPECT_EQ(t.hp.dialogs.shown[0].text, c.text) << "the dialog's text names the place";
        EXPECT_EQ(t.s.InGame, 0) << "Z after the ranking goes back to the title";
        const std::vector<uint8_t> now = ReadBytes(RankPath());
        ASSERT_EQ(now.size(), static_cast<size_t>(rank::kFileBytes)) << "the file holds exactly 1000 records";
        if (c.place == 0) {
            EXPECT_EQ(now, oldBytes) << c.rule;
            continue;
        }
        const RankTable got = rank::ParseRank(now);
        for (int d = 1; d <= rank::kPlaces; ++d) {
            const int from = d < c.place ? d : d - 1;
            if (d == c.place) {
                EXPECT_EQ(got.RankScore[d], c.score) << "the new score sits at its place";
                EXPECT_EQ(rank::DecodeName(got.RankName[d]), c.storedName) << c.rule;
            } else {
                ASSERT_EQ(got.RankScore[d], old.RankScore[from]) << "place " << d << ": above copied, below moved down";
                ASSERT_EQ(Bytes(got.RankName[d]), Bytes(old.RankName[from])) << "place " << d << " keeps its name";
            }
        }
    }
}

TEST(RankNames, EncodeToTheTwelveByteField) {
    struct Case {
        const char* rule;
        std::string typed;
        std::string stored;
    } cases[] = {
        {"longer names are cut to 12 bytes", "ABCDEFGHIJKLMNO", "ABCDEFGHIJKL"},
        {"six double-byte characters fill the field exactly", "あいうえおか",
         "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x82\xa9"},
        {"a seventh double-byte character is dropped whole", "あいうえおかき",
         "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x82\xa9"},
        {"a double-byte character is never split at byte 12", "ABCDEFGHIJKあ", "ABCDEFGHIJK "},
        {"characters of code page 932 beyond plain Shift-JIS are kept", "～①", Pad12("\x81\x60\x87\x40")},
        {"half-width katakana take one byte", "ｱｲ", Pad12("\xb1\xb2")},
        {"a character the code page lacks becomes '?'", "A😀B", Pad12("A?B")},
        {"a broken UTF-8 sequence costs one '?' only", "A\xe3" "B", Pad12("A?B")},
        {"control characters become '?'", "A\tB", Pad12("A?B")},
        {"an empty name is all spaces", "", Pad12("")},
    };
    for (const auto& c : cases) EXPECT_EQ(Bytes(rank::EncodeName(c.typed)), c.stored) << c.rule;
}

TEST(RankNames, DecodeForTheDrawnList) {
    struct Case {
        const char* rule;
        std::string stored;
        std::string drawn;
    } cases[] = {
        {"double-byte names read back", Pad12("\x82\xa0\x82\xa2"), "あい" + std::string(8, ' ')},
        {"code page 932's own characters read back", Pad12("\x81\x60\x87\x40"), "～①" + std::string(8, ' ')},
        {"a lead byte in the last position shows as '?'", "ABCDEFGHIJK\x82", "ABCDEFGHIJK?"},
        {"bytes with no character show as '?'", Pad12("\x80\xa0\xfd"), "???" + std::string(9, ' ')},
        {"NUL padding shows as spaces", std::string("AB") + std::string(10, '\0'), Pad12("AB")},
    };
    for (const auto& c : cases) {
        rank::NameField f;
        std::copy(c.stored.begin(), c.stored.end(), f.begin());
        EXPECT_EQ(rank::DecodeName(f), c.drawn) << c.rule;
    }
    EXPECT_EQ(rank::RankLine(3, rank::EncodeName("あい"), 1234), "3位     あい             1234")
        << "a printed line is place, 位, 5 spaces, the 12-position name, 5 spaces, the score";
}

TEST(RankingLines, ScoresLineUpInThePrintFace) {
    TextRenderer fixed(TextRenderer::Face::Fixed);
    if (!fixed.Ok()) GTEST_SKIP() << "no fixed-pitch Japanese font installed";
    // Names of every kind, each padded to its 12 bytes as the file keeps it.
    const char* names[] = {"もるふぉ", "ABCDEFGHIJKL", "", "ﾓﾙﾌｫ", "あいうえおか", "Molfo2", "テスト", "a", "ジガバチ12"};
    int column = -1;
    for (int place = 1; place <= 9; ++place) {
        const std::string line = rank::RankLine(place, rank::EncodeName(names[place - 1]), 12345);
        const int before = fixed.Measure(line.substr(0, line.size() - 5), 12);
        if (column < 0) column = before;
        EXPECT_EQ(before, column) << "place " << place << " (" << names[place - 1]
                                  << "): the printed ranking's scores start in one column, whatever the name";
    }
}

TEST_F(EndScreens, RankingFileOfAnyLengthReadsSoundly) {
    const std::vector<uint8_t> full = rank::SerializeRank(StandardTable());
    struct Case {
        const char* rule;
        std::optional<size_t> size;  // nullopt: no file
        std::string dialog;
        int16_t place;
    } cases[] = {
        {"a missing file reads as a fresh table", std::nullopt, "ランキング1位です。\r\nなまえを入力してください", 1},
        {"an empty file reads as a fresh table", 0, "ランキング1位です。\r\nなまえを入力してください", 1},
        {"a record cut short reads as a fresh one", 13999, "あなたは総合1000位です。", 1000},
        {"bytes past the 1000th record are ignored", 14001, "あなたは1001位以下です。", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        fs::remove(RankPath());
        std::vector<uint8_t> bytes;
        if (c.size) {
            bytes = full;
            bytes.resize(*c.size, 'X');
            WriteBytes(RankPath(), bytes);
        }
        t.hp.dialogs.shown.clear();
        t.hp.dialogs.answers = {"NEW"};
        t.s.GoukeiTen = 5;
        t.hp.keys.Hold(vk::Z, true);
        RankingEntry(t.g);

        ASSERT_EQ(t.hp.dialogs.shown.size(), 1u);
        EXPECT_EQ(t.hp.dialogs.shown[0].text, c.dialog) << c.rule;
        const std::vector<uint8_t> now = ReadBytes(RankPath());
        ASSERT_EQ(now.size(), static_cast<size_t>(rank::kFileBytes)) << "the ranking is rewritten as 1000 records";
        const RankTable got = rank::ParseRank(now);
        const RankTable expect = [&] {
            RankTable e = rank::ParseRank(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 14000)));
            if (c.place != 0)
                rank::InsertRank(e, c.place, 5, rank::EncodeName(c.place <= 10 ? "NEW" : ""));
            return e;
        }();
        EXPECT_EQ(rank::SerializeRank(got), rank::SerializeRank(expect)) << c.rule;
        if (c.place == 0) {
            EXPECT_TRUE(std::equal(now.begin(), now.end(), full.begin())) << "a longer file keeps its first 14000 bytes";
        }
        const fs::path bad = dir / "sys" / "rank.hms.bad";
        if (c.size) {
            ASSERT_TRUE(fs::exists(bad)) << "a file of the wrong length is kept beside the repaired one";
            EXPECT_EQ(ReadBytes(bad), bytes) << "the kept copy is the original, byte for byte";
            fs::remove(bad);
        } else {
            EXPECT_FALSE(fs::exists(bad)) << "a missing file has nothing to keep";
        }
    }
}

TEST_F(EndScreens, ASecondRepairKeepsBothOriginals) {
    fs::remove(RankPath());
    const std::vector<uint8_t> first(100, 'A'), second(200, 'B');
    for (const auto* bytes : {&first, &second}) {
        WriteBytes(RankPath(), *bytes);
        t.hp.dialogs.answers = {"R"};
        t.s.GoukeiTen = 7;
        t.hp.keys.Hold(vk::Z, true);
        RankingEntry(t.g);
    }
    EXPECT_EQ(ReadBytes(dir / "sys" / "rank.hms.bad"), first) << "the first bad file is kept as rank.hms.bad";
    EXPECT_EQ(ReadBytes(dir / "sys" / "rank.hms.bad.2"), second) << "a later one never overwrites it";
    EXPECT_EQ(fs::file_size(RankPath()), 14000u);
}

// A ranking that exists but cannot be read: a folder in its place, a named
// pipe (which would block a plain open for ever), and a file this user may
// not read (run as another user when the tests run as root, who reads
// anything). None may be replaced by a fresh table.
TEST_F(EndScreens, ARankingThatCannotBeReadIsNeverWrittenOver) {
    enum class Kind { Folder, Pipe, NoPermission };
    struct Case {
        const char* rule;
        Kind kind;
        const char* says;
    } cases[] = {
        {"a folder in the ranking's place", Kind::Folder, "folder"},
        {"a named pipe in the ranking's place", Kind::Pipe, "named pipe"},
        {"a file the player may not read", Kind::NoPermission, "Permission denied"},
    };
    const std::vector<uint8_t> table = rank::SerializeRank(StandardTable());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        fs::remove_all(dir / "sys");
        fs::create_directories(dir / "sys");
        switch (c.kind) {
            case Kind::Folder:
                fs::create_directory(RankPath());
                WriteBytes(RankPath() / "inside", {1, 2, 3});
                break;
            case Kind::Pipe: ASSERT_EQ(mkfifo(RankPath().c_str(), 0644), 0); break;
            case Kind::NoPermission:
                WriteBytes(RankPath(), table);
                fs::permissions(RankPath(), fs::perms::owner_read | fs::perms::owner_write);
                // The folder may be written, so only the file's own
                // permission stands between the game and replacing it.
                fs::permissions(dir, fs::perms::all);
                fs::permissions(dir / "sys", fs::perms::all);
                break;
        }
        const auto before = fs::symlink_status(RankPath()).type();

        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // As the player: another user when root, who may read anything.
            dup2(fds[1], 2);
            if (c.kind == Kind::NoPermission && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
            t.hp.dialogs.shown.clear();
            t.hp.dialogs.answers = {"LOST"};
            t.s.InGame = 1;
            t.s.GoukeiTen = 30000;
            t.hp.keys.Hold(vk::Z, true);
            RankingEntry(t.g);
            const bool told = t.hp.dialogs.shown.size() == 1 && t.hp.dialogs.shown[0].kind == "message";
            _exit(!told ? 91 : t.s.InGame != 0 ? 92 : 0);
        }
        close(fds[1]);
        std::string err;
        char buf[512];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) err.append(buf, static_cast<size_t>(n));
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the player is told in a message box (91) and Z still leads to the title (92)";

        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one line on stderr: " << err;
        EXPECT_NE(err.find(RankPath().string()), std::string::npos) << "it says where: " << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << "and why: " << err;
        EXPECT_NE(err.find("not saved"), std::string::npos) << "and that the score is not saved: " << err;
        EXPECT_EQ(fs::symlink_status(RankPath()).type(), before) << "the ranking is still what it was";
        if (c.kind == Kind::Folder) {
            EXPECT_EQ(ReadBytes(RankPath() / "inside"), (std::vector<uint8_t>{1, 2, 3})) << "the folder is untouched";
        }
        if (c.kind == Kind::NoPermission) {
            EXPECT_EQ(ReadBytes(RankPath()), table) << "the unreadable ranking is unchanged, byte for byte";
        }
        size_t entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir / "sys")) ++entries;
        EXPECT_EQ(entries, 1u) << "no temporary file or copy is left beside it";
    }
}

// Games sharing a data folder that end at the same moment each keep their
// entry: the ranking is read, changed and replaced under a lock, through
// temporary files of their own.
TEST(RankFile, GamesEndingTogetherEachKeepTheirEntry) {
    char tmpl[] = "/tmp/molfo-rank-race-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string path = std::string(tmpl) + "/rank.hms";
    constexpr int kGames = 6, kRounds = 15;
    std::vector<pid_t> children;
    for (int game = 0; game < kGames; ++game) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failed = 0;
            for (int round = 0; round < kRounds; ++round) {
                rank::RankTable now;
                const int16_t score = static_cast<int16_t>(1 + game * 100 + round);
                failed += !rank::RecordScore(path, score, rank::EncodeName("G" + std::to_string(game)), now).empty();
            }
            _exit(failed);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every game saved its score";
    }
    const rank::RankTable t = rank::ReadRankFile(path);
    int entries = 0;
    for (int i = 1; i <= rank::kPlaces; ++i) entries += t.RankScore[i] > 0;
    EXPECT_EQ(entries, kGames * kRounds) << "every game's entry survives the others";
    for (int i = 2; i <= kGames * kRounds; ++i) EXPECT_GE(t.RankScore[i - 1], t.RankScore[i]) << "still in rank order";
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(tmpl)) ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";
    fs::remove_all(tmpl);
}

TEST_F(EndScreens, UnwritableRankingGoesOnWithOneLine) {
    struct Case {
        const char* rule;
        void (*prepare)(const fs::path& dir);
        bool fullDisk;  // writes stop after 4 KB, as on a full disk (root included)
    } cases[] = {
        {"a data folder whose sys is a regular file",
         [](const fs::path& d) {
             fs::remove_all(d / "sys");
             std::ofstream(d / "sys") << "not a folder";
         },
         false},
        {"a data folder that does not exist", [](const fs::path& d) { fs::remove_all(d); }, false},
        {"a save cut short by a full disk keeps the old file",
         [](const fs::path& d) { WriteBytes(d / "sys" / "rank.hms", rank::SerializeRank(StandardTable())); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        fs::remove_all(dir);
        fs::create_directories(dir / "sys");
        c.prepare(dir);
        FileSizeLimit limit(c.fullDisk ? 4096 : RLIM_INFINITY);
        const bool hadFile = fs::is_regular_file(RankPath());
        const std::vector<uint8_t> before = hadFile ? ReadBytes(RankPath()) : std::vector<uint8_t>{};
        t.hp.dialogs.shown.clear();
        t.hp.dialogs.answers = {"NAME"};
        t.s.InGame = 1;
        t.s.GoukeiTen = 20000;
        t.hp.keys.Hold(vk::Z, true);
        const uint64_t presents = t.hp.display.presents;
        ::testing::internal::CaptureStderr();
        RankingEntry(t.g);
        limit.Lift();
        const std::string err = ::testing::internal::GetCapturedStderr();

        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "a failed save says so in one line: " << err;
        EXPECT_NE(err.find("rank.hms"), std::string::npos) << "the line names the ranking file";
        EXPECT_EQ(t.hp.dialogs.shown.size(), 1u) << "the player is still asked for a name";
        EXPECT_GE(t.hp.display.presents, presents + 2) << "the list is still shown";
        EXPECT_EQ(t.s.InGame, 0) << "Z still goes back to the title";
        if (hadFile) {
            EXPECT_EQ(ReadBytes(RankPath()), before) << "a failed save leaves the old ranking whole";
        }
    }
}

TEST_F(EndScreens, EscapeDuringTheShortWaitStillSavesAndPrints) {
    script = [this] {
        if (t.g.scene == Scene::NameEntry) t.hp.keys.Press(vk::Escape);
    };
    t.hp.dialogs.answers = {"ESC"};
    t.s.GoukeiTen = 300;
    RankingEntry(t.g);

    ASSERT_TRUE(dialogTick.has_value());
    EXPECT_EQ(t.s.ShuryoFlag, -1) << "Escape during the wait ends the program";
    const RankTable got = rank::ReadRankFile(RankPath().string());
    EXPECT_EQ(got.RankScore[1], 300) << "the table is still updated and written";
    EXPECT_EQ(Bytes(got.RankName[1]), Pad12("ESC")) << "the name is still stored";
    EXPECT_EQ(t.hp.display.presents, dialogPresents + 1) << "the list is still printed and shown";
    EXPECT_LT(Now() - *dialogTick, 100u) << "the wait is cut short and the final wait ends at once";
    EXPECT_EQ(scenes.back(), "ranking");
}

TEST_F(EndScreens, GameOverStampsPlaysWaitsAndRanks) {
    struct Case {
        const char* rule;
        bool escape;
    } cases[] = {{"a lost game waits 1.5 s and goes to the ranking", false},
                 {"Escape during the 1.5 s wait ends it at once; the ranking still runs", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        scenes.clear();
        dialogTick.reset();
        t.hp.audio.log.clear();
        fs::remove(RankPath());
        t.s.InGame = 1;
        t.s.GameOverFlag = 1;
        t.s.ShuryoFlag = 0;
        t.s.GoukeiTen = 50;
        start = Now();
        t.hp.keys.Hold(vk::Z, !c.escape);
        t.hp.keys.Hold(vk::Escape, c.escape);
        Surface lastShown, shownInWait;
        t.hp.display.onPresent = [&lastShown](const Surface& w) { lastShown = w; };
        script = [&] {
            if (t.g.scene == Scene::GameOver && shownInWait.Empty()) shownInWait = lastShown;
        };
        GameOver(t.g);
        script = nullptr;
        t.hp.display.onPresent = nullptr;
        t.hp.keys.ReleaseAll();
        ASSERT_FALSE(shownInWait.Empty()) << "the banner is shown before the wait";
        EXPECT_EQ(MsArea(shownInWait, t.g.scr.MS), MsArea(t.g.scr.window, t.g.scr.MS)) << "the restart keys' help shows during the wait";

        EXPECT_EQ(t.s.InGame, 0) << "game over leaves the game";
        EXPECT_EQ(t.s.GameOverFlag, 0) << "game over clears its flag";
        EXPECT_EQ(t.s.ShuryoFlag, c.escape ? -1 : 0) << c.rule;
        EXPECT_EQ(scenes, (std::vector<std::string>{"gameover", "name", "ranking"})) << "banner, name, list";
        EXPECT_EQ(t.g.scr.MS.caption, "Escキーでゲーム終了\r\nZキーで再スタート") << "the help caption";
        ASSERT_GE(t.hp.audio.log.size(), 2u);
        EXPECT_EQ(t.hp.audio.log[0].op, "effect");
        EXPECT_TRUE(t.hp.audio.log[0].path.ends_with("sys/molfoko.wav")) << "the defeat effect first";
        EXPECT_EQ(t.hp.audio.log[1].op, "music");
        EXPECT_TRUE(t.hp.audio.log[1].path.ends_with("sys/gameover.mid")) << "then the game-over song";
        EXPECT_EQ(t.hp.audio.log[1].kaisu, 10) << "the game-over song repeats 10 times";
        ASSERT_TRUE(dialogTick.has_value());
        if (c.escape) {
            EXPECT_LT(*dialogTick - start, 10u) << c.rule;
        } else {
            EXPECT_EQ(*dialogTick - start, 1500u) << "the banner stays 1.5 s before the ranking";
        }
        EXPECT_TRUE(fs::exists(RankPath())) << "the ranking is saved either way";
    }
}

TEST(EndScreensBanner, MaskKeepsTheFrameAroundTheBanner) {
    Screen w;
    const uint32_t frame = Rgb(10, 20, 30), red = Rgb(200, 0, 0), white = Rgb(255, 255, 255), black = 0;
    w.MainPic1.Resize(500, 500, frame);
    w.MainPic1.Clear();
    // 100 rows so that a banner drawn too tall would show below row 274.
    Surface& sheet = w.KyaraPic[2];
    sheet.Resize(1000, 100, white);
    sheet.Clear();
    sheet.Fill(500, 0, 500, 75, black);
    sheet.Fill(100, 10, 50, 10, red);    // the banner's shape
    sheet.Fill(600, 10, 50, 10, white);  // and its mask
    sheet.Fill(0, 75, 1000, 25, red);
    StampBanner(w);
    struct Case {
        const char* rule;
        int x, y;
        uint32_t colour;
    } cases[] = {
        {"the banner's shape is drawn at row 200 + its own row", 120, 215, red},
        {"the frame stays visible beside the shape", 50, 215, frame},
        {"the frame stays visible in the mask's black", 120, 205, frame},
        {"nothing above row 200 changes", 120, 199, frame},
        {"the banner is 75 rows high", 120, 275, frame},
    };
    for (const auto& c : cases) EXPECT_EQ(w.MainPic1.At(c.x, c.y), c.colour) << c.rule;
}

TEST_F(EndScreens, EndingShowsPicturesByScore) {
    struct Case {
        const char* rule;
        int16_t score;
        uint64_t pictures;
        uint32_t ms;
    } cases[] = {{"a score of 0 shows e1..e10, 5 s each", 0, 10, 10 * 5000},
                 {"a positive score adds e11..e22 at 7 s each", 1, 22, 10 * 5000 + 12 * 7000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        fs::remove(RankPath());
        dialogTick.reset();
        t.hp.audio.log.clear();
        t.s.InGame = 1;
        t.s.GoukeiTen = c.score;
        start = Now();
        startPresents = t.hp.display.presents;
        t.hp.keys.Hold(vk::Z, true);
        Ending(t.g);

        ASSERT_TRUE(dialogTick.has_value()) << "the ranking follows the pictures";
        EXPECT_EQ(dialogPresents - startPresents - 1, c.pictures) << c.rule;  // less the refresh under the dialog
        EXPECT_EQ(*dialogTick - start, c.ms) << c.rule;
        ASSERT_FALSE(t.hp.audio.log.empty());
        EXPECT_TRUE(t.hp.audio.log[0].path.ends_with("sys/ending.mid")) << "the ending plays music 12";
        EXPECT_EQ(t.hp.audio.log[0].kaisu, 10) << "the ending song repeats 10 times";
        EXPECT_EQ(t.s.InGame, 0) << "Z goes back to the title";
        EXPECT_EQ(t.s.ShuryoFlag, 0);
    }
}

TEST_F(EndScreens, EndingEscapeByWhenItIsSeen) {
    struct Case {
        const char* rule;
        bool held;
    } cases[] = {{"Escape still down at a picture's check leaves without the ranking", true},
                 {"Escape released before the check lets the pictures and ranking run", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        fs::remove(RankPath());
        dialogTick.reset();
        t.hp.dialogs.shown.clear();
        t.hp.keys.ReleaseAll();
        t.s.InGame = 1;
        t.s.ShuryoFlag = 0;
        t.s.GoukeiTen = 0;
        start = Now();
        startPresents = t.hp.display.presents;
        bool pressed = false;
        script = [&] {
            // During the third picture's Delay.
            if (pressed || Now() - start < 12000) return;
            pressed = true;
            if (c.held)
                t.hp.keys.Hold(vk::Escape, true);
            else
                t.hp.keys.Press(vk::Escape);
        };
        Ending(t.g);
        script = nullptr;
        t.hp.keys.ReleaseAll();

        EXPECT_EQ(t.s.ShuryoFlag, -1) << "Escape ends the program";
        if (c.held) {
            EXPECT_TRUE(t.hp.dialogs.shown.empty()) << c.rule;
            EXPECT_FALSE(fs::exists(RankPath())) << "no ranking is saved";
            EXPECT_LT(Now() - start, 15000u) << "the sequence ends at the next check";
        } else {
            ASSERT_TRUE(dialogTick.has_value()) << c.rule;
            EXPECT_EQ(dialogPresents - startPresents - 1, 10u) << "all ten pictures are shown";
            EXPECT_EQ(*dialogTick - start, 12000u + 7 * 5000) << "the pictures after the cut wait keep 5 s each";
            EXPECT_TRUE(fs::exists(RankPath())) << "the ranking is saved";
            EXPECT_EQ(Now() - *dialogTick, 100u) << "both final waits end at once";
        }
    }
}

}  // namespace
}  // namespace molfo
