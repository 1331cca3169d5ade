#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "driver/Driver.h"
#include "render/Surface.h"
#include "replay/Capture.h"
#include "replay/Library.h"
#include "replay/Replay.h"
#include "replay/ReplayFile.h"
#include "screens/RankFile.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;
using replay::Recording;
using replay::Run;

// A game that is lost on stage 1 and put on the ranking.
constexpr const char* kLossScript =
    "title: press SHIFT\n"
    "play 1-300: hold Z LEFT\n"
    "play 301-3000: hold Z RIGHT\n"
    "name: answer たろう\n"
    "ranking: press Z\n"
    "title#2: press ESC\n";

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::vector<uint32_t> Expand(const std::vector<Run>& runs) {
    std::vector<uint32_t> v;
    for (const Run& r : runs) v.insert(v.end(), r.count, r.value);
    return v;
}

// Writes a decoded recording again, all of its input in the first chunk.
std::vector<uint8_t> Encode(const Recording& r) {
    replay::Writer w(r.header);
    uint32_t t = 0;
    for (uint32_t d : Expand(r.ticks)) w.Tick(t += d);
    for (uint32_t c : Expand(r.closes)) w.Close(c != 0);
    for (int k = 0; k < replay::kKeyCodes; ++k)
        for (uint32_t v : Expand(r.keys[k])) w.Key(k, v != 0);
    for (const std::string& a : r.answers) w.Answer(a);
    for (size_t i = 0; i < r.checks.size(); ++i) w.EndChunk(r.checks[i].pass, r.checks[i].hash, i + 1 == r.checks.size());
    return w.Pending();
}

// A data folder of its own for each test (the built sys/, linked) with a
// ranking of the test's choosing, so no test touches another's ranking.
struct Folder {
    fs::path work;
    DataOverlay data;

    explicit Folder(const std::vector<uint8_t>& rank = {}) {
        // The process id keeps apart the runs of two checkouts on one machine.
        work = fs::temp_directory_path() /
               (std::string("molfo-replay-test-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                "-" + std::to_string(getpid()));
        fs::remove_all(work);
        fs::create_directories(work);
        const std::string err = data.Create(test::DataDir(), rank);
        EXPECT_EQ(err, "") << "a replay's data folder links the built one";
    }
    ~Folder() { fs::remove_all(work); }
    std::string Path(const char* name) const { return (work / name).string(); }
    std::string RankFile() const { return data.Path() + "/sys/rank.hms"; }
};

struct Result {
    int status = 0;
    std::string out, err;
};

Result Launch(HeadlessOptions o) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Result r;
    r.status = RunHeadless(o);
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

HeadlessOptions Record(const Folder& f, const char* script, const std::string& rec) {
    std::ofstream(f.Path("script.txt")) << script;
    HeadlessOptions o;
    o.dataDir = f.data.Path();
    o.inputPath = f.Path("script.txt");
    o.capture.recordPath = rec;
    return o;
}

HeadlessOptions Replay(const Folder& f, const std::string& rec, bool verify = true) {
    HeadlessOptions o;
    o.dataDir = f.data.Path();
    o.capture.replayPath = rec;
    o.capture.verify = verify;
    return o;
}

Recording Parse(const std::string& path) {
    Recording r;
    std::string error;
    EXPECT_TRUE(replay::ParseRecording(ReadBytes(path), r, error)) << "a fresh recording reads back: " << error;
    return r;
}

TEST(ReplayFile, EveryAnswerComesBackInOrder) {
    replay::Header h;
    h.programVersion = "9.9.9";
    h.practiceStage = 3;
    h.practiceBoss = true;
    h.frameLimit = 1234;
    h.rank.assign(28, 0x41);
    replay::Writer w(h);
    // The clock wraps at 2^32 between two readings.
    const std::vector<uint32_t> ticks = {5, 5, 6, 7, 7, 7, 0xFFFFFFF0u, 0x10, 0x10, 40};
    const std::vector<bool> left = {false, false, true, true, true, false, true};
    std::vector<uint32_t> got;
    for (size_t i = 0; i < ticks.size(); ++i) {
        w.Tick(ticks[i]);
        if (i < left.size()) w.Key(vk::Left, left[i]);
        w.Key(vk::Z, i % 3 == 0);
        w.Close(i == 8);
        if (i == 4) w.Answer("たろう");
        if (i == 5) w.EndChunk(300, 0xABCDEF, false);
    }
    w.Answer("");
    w.EndChunk(450, 77, true);

    Recording r;
    std::string error;
    ASSERT_TRUE(replay::ParseRecording(w.Pending(), r, error)) << error;
    EXPECT_EQ(r.header.programVersion, "9.9.9") << "the header keeps the program's version";
    EXPECT_EQ(r.header.practiceStage, 3) << "the header keeps the practice stage";
    EXPECT_TRUE(r.header.practiceBoss) << "the header keeps the boss start";
    EXPECT_EQ(r.header.frameLimit, 1234) << "the header keeps the frame limit";
    EXPECT_EQ(r.header.rank, h.rank) << "the header keeps the ranking";
    uint32_t t = 0;
    for (uint32_t d : Expand(r.ticks)) got.push_back(t += d);
    EXPECT_EQ(got, ticks) << "clock readings come back as read, across chunks and the 2^32 wrap";
    std::vector<bool> gotLeft;
    for (uint32_t v : Expand(r.keys[vk::Left])) gotLeft.push_back(v != 0);
    EXPECT_EQ(gotLeft, left) << "each key's answers come back in order";
    EXPECT_EQ(Expand(r.keys[vk::Z]).size(), ticks.size()) << "a second key keeps its own stream";
    EXPECT_EQ(Expand(r.closes), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0})) << "close reports in order";
    EXPECT_EQ(r.answers, (std::vector<std::string>{"たろう", ""})) << "dialog answers in order, cancelled ones empty";
    ASSERT_EQ(r.checks.size(), 2u);
    EXPECT_EQ(r.checks[0].pass, 300);
    EXPECT_EQ(r.checks[0].hash, 0xABCDEFu) << "each chunk keeps its state hash";
    EXPECT_EQ(r.checks[1].pass, 450) << "the last chunk is the end of the session";
}

// What a second game of a session inherits, with values that test each
// field's encoding: a Japanese caption, a negative width, a hidden label.
replay::Carried SomeCarried() {
    replay::Carried c;
    c.ransuState = 0x0123456789ABCDEFull;
    c.passes = 3011;
    c.labels = {{"ボスまであと", 137, true}, {"", -4, false}, {"0てん", 0, true}};
    c.icon = 5;
    c.haikeiY = -321;
    c.haikeiYD = -320.5;
    return c;
}

TEST(ReplayFile, TruncatedOrDamagedFilesAreRefusedWithAReason) {
    replay::Header h;
    h.programVersion = "1";
    h.hasCarried = true;
    h.carried = SomeCarried();
    replay::Writer w(h);
    for (uint32_t i = 0; i < 50; ++i) {
        w.Tick(i * 3);
        w.Key(vk::Z, i % 7 == 0);
        w.Close(false);
    }
    w.Answer("x");
    w.EndChunk(300, 1, false);
    w.Tick(999);
    w.EndChunk(310, 2, true);
    const std::vector<uint8_t> good = w.Pending();
    Recording r;
    std::string error;
    ASSERT_TRUE(replay::ParseRecording(good, r, error)) << error;

    for (size_t n = 0; n < good.size(); ++n) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        error.clear();
        EXPECT_FALSE(replay::ParseRecording(cut, r, error)) << "a recording cut at byte " << n << " is refused";
        EXPECT_NE(error.find("truncated"), std::string::npos) << "a cut recording is called truncated: " << error;
    }
    for (size_t i = 0; i < good.size(); ++i) {
        for (uint8_t bit : {uint8_t{0x01}, uint8_t{0x80}}) {
            std::vector<uint8_t> bad = good;
            bad[i] ^= bit;
            error.clear();
            EXPECT_FALSE(replay::ParseRecording(bad, r, error)) << "a flipped bit at byte " << i << " is caught";
            EXPECT_FALSE(error.empty()) << "a refusal says why";
        }
    }

    struct Case { std::vector<uint8_t> bytes; const char* why; } cases[] = {
        {{'P', 'N', 'G', 0, 0, 0, 0, 0, 0}, "not a Molfo replay"},
        {{'M', 'O', 'L', 'F', 'O', 'R', 'E', 'C', 3}, "format version 3"},
        {{'M', 'O', 'L', 'F', 'O', 'R', 'E', 'C', 0}, "format version 0"},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(replay::ParseRecording(c.bytes, r, error));
        EXPECT_NE(error.find(c.why), std::string::npos) << "a foreign file is named as such: " << error;
    }
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(replay::ParseRecording(longer, r, error)) << "nothing may follow the end of the session";
}

TEST(ReplayFile, AGameThatFollowedOthersCarriesWhatItInheritedAndEndsWithItsGame) {
    replay::Header h;
    h.programVersion = "2.0";
    h.rank.assign(14, 0x20);
    h.hasCarried = true;
    h.carried = SomeCarried();
    replay::Writer chunks;  // the header comes last, as a kept game's does
    chunks.Tick(100);
    chunks.Key(vk::Z, true);
    chunks.EndChunk(3300, 9, false);
    chunks.Tick(120);
    chunks.EndGame(3412, 10);
    std::vector<uint8_t> bytes = replay::Writer::EncodeHeader(h);
    bytes.insert(bytes.end(), chunks.Pending().begin(), chunks.Pending().end());
    Recording r;
    std::string error;
    ASSERT_TRUE(replay::ParseRecording(bytes, r, error)) << "a header made apart from its chunks reads back: " << error;
    EXPECT_TRUE(r.header.hasCarried) << "a later game of a session says so";
    EXPECT_EQ(r.header.carried, h.carried) << "everything the game inherited comes back exactly";
    EXPECT_TRUE(r.endsWithGame) << "a recording that ends with its game, the session going on, says so";
    EXPECT_EQ(r.checks.back().pass, 3412) << "and names the pass it ended after";

    replay::Writer whole(replay::Header{});
    whole.EndChunk(5, 1, true);
    ASSERT_TRUE(replay::ParseRecording(whole.Pending(), r, error)) << error;
    EXPECT_FALSE(r.header.hasCarried) << "a session's first game inherits nothing";
    EXPECT_FALSE(r.endsWithGame) << "a recording to the session's end is not a game's end";

    const fs::path golden = fs::path(MOLFO_SOURCE_DIR) / "tests" / "golden" / "stage1-loss.rec";
    ASSERT_TRUE(replay::ParseRecording(ReadBytes(golden.string()), r, error)) << "format 1 is still read: " << error;
    EXPECT_EQ(r.header.formatVersion, 1u) << "the golden replay predates format 2";
    EXPECT_FALSE(r.header.hasCarried) << "format 1 holds no inherited state";
}

TEST(ReplayFile, TenMinutesOfWindowInputStayUnderAMegabyte) {
    // A window's clock: each frame reads the start, waits in 1 ms sleeps
    // whose readings jitter, and the steps draw random numbers.
    replay::Writer w(replay::Header{});
    uint32_t now = 1000, seed = 12345;
    auto jitter = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    const int frames = 10 * 60 * 1000 / 15;
    for (int f = 1; f <= frames; ++f) {
        for (int k = 0; k < 12; ++k) w.Key(k, false);
        w.Key(vk::Z, (f / 200) % 2 == 0);
        w.Key(vk::Left, (f / 90) % 3 == 0);
        for (int d = 0; d < 6; ++d) w.Tick(now);
        while (now % 15 != 0) {
            w.Close(false);
            now += 1 + (jitter() % 8 == 0);
            w.Tick(now);
        }
        now += 1;
        if (f % replay::kHashEvery == 0) w.EndChunk(f, 0, false);
    }
    w.EndChunk(frames, 0, true);
    EXPECT_LT(w.Pending().size(), 1000000u) << "a 10-minute game records in under a megabyte";
}

TEST(ReplayFile, TheStateHashSkipsZeroRunsWithoutChangingItsValue) {
    // The byte-at-a-time hash the kept recordings' checks were taken with.
    const auto plain = [](std::span<const uint8_t> b) {
        uint64_t h = replay::kFnv64Offset;
        for (uint8_t v : b) h = (h ^ v) * replay::kFnv64Prime;
        return h;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {{"empty", {}}, {"one zero", {0}}, {"no zeros", {1, 2, 3, 255, 7, 9, 11, 13, 17}}};
    // Zero runs of every length round a word's, starting at every offset
    // within a word, between and at the ends of nonzero bytes.
    for (size_t offset = 0; offset < 8; ++offset)
        for (size_t run = 1; run <= 40; ++run) {
            std::vector<uint8_t> b(offset, 0x5a);
            b.insert(b.end(), run, 0);
            b.push_back(static_cast<uint8_t>(run));
            b.insert(b.end(), run % 9, 0);
            cases.push_back({"runs", std::move(b)});
        }
    std::vector<uint8_t> grid(1 << 20, 0);  // mostly empty, as the collision grid
    for (size_t i = 0; i < grid.size(); i += 4099) grid[i] = static_cast<uint8_t>(i);
    cases.push_back({"a sparse megabyte", grid});
    cases.push_back({"an empty megabyte", std::vector<uint8_t>(1 << 20, 0)});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << ", " << c.bytes.size() << " bytes");
        EXPECT_EQ(replay::Fnv64(replay::kFnv64Offset, c.bytes), plain(c.bytes));
    }
    // Taken in two parts, the same as at once.
    const std::span<const uint8_t> all(grid);
    EXPECT_EQ(replay::Fnv64(replay::Fnv64(replay::kFnv64Offset, all.first(1001)), all.subspan(1001)), plain(grid));
}

TEST(Replay, RecordedGamePlaysBackIdentically) {
    Folder f;
    const std::string rec = f.Path("game.rec");
    HeadlessOptions o = Record(f, kLossScript, rec);
    o.dumpPath = f.Path("recorded.jsonl");
    ASSERT_EQ(Launch(o).status, 0) << "recording a headless game succeeds";
    const std::vector<uint8_t> rankAfterGame = ReadBytes(f.RankFile());

    HeadlessOptions p = Replay(f, rec);
    p.dumpPath = f.Path("replayed.jsonl");
    const Result r = Launch(p);
    EXPECT_EQ(r.status, 0) << "a replay of an unchanged game verifies: " << r.err;
    EXPECT_NE(r.out.find("replay verified"), std::string::npos) << "a verified replay says so";
    EXPECT_EQ(ReadBytes(f.RankFile()), rankAfterGame) << "a replay never writes the player's ranking";

    // The dumps differ only in the data folder inside sound paths.
    auto lines = [](const std::string& path) {
        static const std::regex folder("/[^\"]*molfo-replay-[A-Za-z0-9]{6}");
        std::ifstream in(path);
        std::vector<std::string> out;
        for (std::string l; std::getline(in, l);) out.push_back(std::regex_replace(l, folder, "DATA"));
        return out;
    };
    const auto a = lines(f.Path("recorded.jsonl"));
    const auto b = lines(f.Path("replayed.jsonl"));
    ASSERT_GE(a.size(), 300u) << "the recorded game lasted past the first check";
    EXPECT_EQ(Parse(rec).checks.size(), a.size() / replay::kHashEvery + 1) << "a hash every 300 passes and one at the end";
    EXPECT_EQ(a, b) << "every pass of the replay dumps as the recorded one did, dialogs and sounds included";
}

TEST(Replay, ChangedInputIsNamedAtTheFirstCheckAfterIt) {
    Folder f;
    const std::string rec = f.Path("game.rec");
    ASSERT_EQ(Launch(Record(f, kLossScript, rec)).status, 0);
    Recording r = Parse(rec);
    // LEFT was held for frames 1..300; now it never was.
    for (replay::Run& run : r.keys[vk::Left]) run.value = 0;
    WriteBytes(f.Path("changed.rec"), Encode(r));
    const Result res = Launch(Replay(f, f.Path("changed.rec")));
    EXPECT_EQ(res.status, 1) << "a verified replay that differs exits 1";
    EXPECT_NE(res.err.find("differs from the recording at frame 300"), std::string::npos)
        << "the first differing check is named: " << res.err;

    const Result plain = Launch(Replay(f, f.Path("changed.rec"), false));
    EXPECT_EQ(plain.status, 0) << "without --verify a differing replay still plays";
}

TEST(Replay, RunningOutOfInputStopsWithAMessage) {
    Folder f;
    const std::string rec = f.Path("game.rec");
    ASSERT_EQ(Launch(Record(f, kLossScript, rec)).status, 0);
    Recording r = Parse(rec);
    r.ticks.resize(r.ticks.size() / 2);
    WriteBytes(f.Path("short.rec"), Encode(r));
    const Result v = Launch(Replay(f, f.Path("short.rec")));
    EXPECT_EQ(v.status, 1) << "a verified replay that runs out exits 1";
    EXPECT_NE(v.err.find("ran out of recorded clock readings"), std::string::npos) << "says what ran out: " << v.err;
    const Result plain = Launch(Replay(f, f.Path("short.rec"), false));
    EXPECT_EQ(plain.status, 0) << "a plain replay that runs out ends cleanly";
    EXPECT_NE(plain.err.find("ran out"), std::string::npos) << "and says so";
}

TEST(Replay, TheRankingComesFromTheRecording) {
    Folder f;  // a blank ranking: the game asks for a name
    const std::string rec = f.Path("game.rec");
    ASSERT_EQ(Launch(Record(f, kLossScript, rec)).status, 0);
    // The player's ranking fills with top scores: now the same score would
    // only be told its place, and the game would take another path.
    rank::RankTable full = rank::FreshTable();
    for (int i = 1; i <= rank::kPlaces; ++i) full.RankScore[i] = 32767;
    ASSERT_EQ(rank::WriteRankFile(f.RankFile(), full), "");
    const std::vector<uint8_t> before = ReadBytes(f.RankFile());
    const Result r = Launch(Replay(f, rec));
    EXPECT_EQ(r.status, 0) << "a replay meets the ranking the recorded game met: " << r.err;
    EXPECT_EQ(ReadBytes(f.RankFile()), before) << "and leaves the player's ranking alone";
}

TEST(Replay, HeaderCarriesPracticeFrameLimitAndVersion) {
    Folder f;
    const std::string rec = f.Path("game.rec");
    HeadlessOptions o = Record(f, "title: press SHIFT\nplay 1-400: hold Z UP\n", rec);
    o.stage = 3;
    o.boss = true;
    o.frames = 350;
    ASSERT_EQ(Launch(o).status, 0);
    Recording r = Parse(rec);
    EXPECT_EQ(r.checks.back().pass, 350) << "the frame limit ended the recorded session";
    const Result same = Launch(Replay(f, rec));
    EXPECT_EQ(same.status, 0) << "the replay starts at the recorded practice stage and stops at its limit: " << same.err;

    r.header.programVersion = "0.0.1-old";
    WriteBytes(f.Path("old.rec"), Encode(r));
    const Result old = Launch(Replay(f, f.Path("old.rec")));
    EXPECT_EQ(old.status, 0) << "a recording of another version still plays";
    EXPECT_NE(old.err.find("recorded by molfo 0.0.1-old"), std::string::npos) << "with a warning: " << old.err;
}

TEST(Screenshots, WindowEveryKPassesAndEveryDialog) {
    Folder f;
    HeadlessOptions o = Record(f, kLossScript, f.Path("game.rec"));
    o.capture.recordPath.clear();
    o.capture.screenshotEvery = 200;
    o.capture.screenshotDir = f.Path("shots");
    o.dumpPath = f.Path("run.jsonl");
    const Result run = Launch(o);
    ASSERT_EQ(run.status, 0) << "the run with pictures ends cleanly: " << run.err;
    std::ifstream dump(o.dumpPath);
    int64_t passes = 0;
    for (std::string l; std::getline(dump, l);) ++passes;
    int windows = 0, dialogs = 0;
    std::string dialogFile;
    for (const auto& e : fs::directory_iterator(o.capture.screenshotDir)) {
        const std::string name = e.path().filename().string();
        if (name.find("-dialog") != std::string::npos) {
            ++dialogs;
            dialogFile = e.path().string();
        } else {
            ++windows;
        }
    }
    EXPECT_EQ(windows, passes / 200) << "one picture of the window every 200 passes";
    ASSERT_EQ(dialogs, 1) << "one picture for the name box";
    Surface shot;
    ASSERT_TRUE(LoadPicture(shot, dialogFile));
    EXPECT_EQ(shot.Width(), kWindowWidth) << "a screenshot is the whole window";
    EXPECT_EQ(shot.Height(), kWindowHeight);
}

// Checksums prove a file whole, not sensible: a recording whose clock never
// moves would keep the game's waits from ever ending. It is stopped instead.
TEST(Replay, AClockThatNeverMovesStopsTheReplay) {
    Recording rec;
    rec.header.programVersion = MOLFO_VERSION;
    constexpr uint64_t kForever = uint64_t{1} << 50;
    rec.ticks = {{0, kForever}};
    rec.closes = {{0, kForever}};
    for (int k : {vk::Escape, vk::Shift, vk::Z}) rec.keys[k] = {{0, kForever}};
    rec.checks = {{1, 0}};
    test::TestGame t;
    Replayer rep(t.hp.platform, std::move(rec), nullptr, &t.hp);
    Game g(rep.platform(), test::DataDir());
    g.scr.LoadOwnPictures(g.dataDir);
    g.afterPass = [&rep](Game& game) { rep.AfterPass(game); };
    Main(g);
    EXPECT_TRUE(rep.RanOut()) << "the replay winds down";
    EXPECT_NE(rep.RanOutMessage().find("clock stands still"), std::string::npos) << rep.RanOutMessage();
    EXPECT_LE(g.passes, 2) << "it ends in the wait where the clock stood still";
}

// A replay shown in the window keeps the window answering: its events are
// pumped as the game asks, and the viewer's Escape or close request ends
// the replay where it is, with nothing to report. A replay run at full
// speed (unpaced) reads nothing from the window it was given.
TEST(Replay, TheViewerCanStopAReplayShownInRealTime) {
    Folder f;
    const std::string rec = f.Path("game.rec");
    ASSERT_EQ(Launch(Record(f, kLossScript, rec)).status, 0);
    const int recordedEnd = static_cast<int>(Parse(rec).checks.back().pass);
    ASSERT_GT(recordedEnd, 400) << "the recorded game outlasts the moment it is stopped at";
    enum class Viewer { Closes, PressesEscape };
    struct Case { const char* rule; bool paced; Viewer viewer; bool stops; } cases[] = {
        {"closing the window stops a replay in real time", true, Viewer::Closes, true},
        {"Escape stops a replay in real time", true, Viewer::PressesEscape, true},
        {"a replay at full speed plays to its end whatever the window says", false, Viewer::Closes, false},
    };
    for (const Case& c : cases) {
        test::TestGame t;
        HeadlessClock realTime;
        Replayer rep(t.hp.platform, Parse(rec), c.paced ? &realTime : nullptr, &t.hp);
        Game g(rep.platform(), f.data.Path());
        g.scr.LoadOwnPictures(g.dataDir);
        g.afterPass = [&rep](Game& game) { rep.AfterPass(game); };
        t.hp.events.onPump = [&] {
            if (g.passes != 300) return;
            if (c.viewer == Viewer::Closes)
                t.hp.events.RequestClose();
            else
                t.hp.keys.Press(vk::Escape);
        };
        Main(g);
        rep.Finish(g);
        EXPECT_EQ(rep.Stopped(), c.stops) << c.rule;
        EXPECT_EQ(t.hp.events.pumps > 0, c.paced) << c.rule << ": the window is pumped only in real time";
        EXPECT_FALSE(rep.Differs()) << c.rule << ": " << rep.Difference();
        EXPECT_FALSE(rep.RanOut()) << c.rule << ": " << rep.RanOutMessage();
        if (c.stops)
            EXPECT_LT(g.passes, 320) << c.rule << ": it ends within a few frames";
        else
            EXPECT_EQ(g.passes, recordedEnd) << c.rule;
    }
}

// A replay's private data folder goes with the program, however it ends.
TEST(Replay, ItsDataFolderGoesWhenTheProgramIsKilled) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(strsignal(sig));
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            DataOverlay overlay;
            if (!overlay.Create(test::DataDir(), rank::SerializeRank(rank::FreshTable())).empty()) _exit(3);
            const std::string path = overlay.Path() + "\n";
            if (write(fds[1], path.data(), path.size()) != static_cast<ssize_t>(path.size())) _exit(4);
            close(fds[1]);
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            raise(sig);
            _exit(5);  // not reached: the signal ends the program
        }
        close(fds[1]);
        std::string path;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') path += c;
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_FALSE(path.empty()) << "the child made its folder";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "the signal still ends the program as it would";
        EXPECT_FALSE(fs::exists(path)) << "the replay's folder is removed: " << path;
        EXPECT_TRUE(fs::exists(fs::path(test::DataDir()) / "sys" / "title.bmp")) << "never what its links point at";
    }
}

// Files the player names are read in bounded pieces and refused when larger
// than any real one: a device that never ends costs one line, not the memory.
TEST(Replay, EndlessOrHugeFilesAreRefusedWithOneLine) {
    Folder f;
    struct Case {
        const char* rule;
        bool replay;  // --replay, else --input
        std::string path;
        const char* says;
    } cases[] = {
        {"a replay from a device that never ends", true, "/dev/zero", "it is a device, not a file"},
        {"an input script from a device that never ends", false, "/dev/zero", "it is a device, not a file"},
        {"a replay that is a named pipe no one writes", true, f.Path("pipe"), "it is a named pipe, not a file"},
        {"an input script through a link to a pipe", false, f.Path("link"), "it is a named pipe, not a file"},
        {"a replay larger than any", true, f.Path("huge.mrec"), "larger than 64 MB"},
        {"an input script larger than any", false, f.Path("huge.txt"), "larger than 4 MB"},
        {"a replay that is a folder", true, f.work.string(), "folder"},
        {"an input script that is missing", false, f.Path("none.txt"), "No such file"},
    };
    // Reading a pipe would wait for a writer for ever: it must be refused
    // without opening it for good.
    ASSERT_EQ(mkfifo(f.Path("pipe").c_str(), 0600), 0);
    fs::create_symlink(f.Path("pipe"), f.Path("link"));
    // Sparse: their size costs no disk.
    for (const char* name : {"huge.mrec", "huge.txt"}) {
        std::ofstream(f.Path(name)).put('x');
        fs::resize_file(f.Path(name), replay::kMaxRecordingBytes + 1);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        HeadlessOptions o;
        o.dataDir = f.data.Path();
        o.frames = 10;
        (c.replay ? o.capture.replayPath : o.inputPath) = c.path;
        const Result r = Launch(o);
        EXPECT_EQ(r.status, 2) << "refused with status 2";
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "in one line: " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << "saying what is wrong: " << r.err;
    }
}

TEST(Screenshots, AFullDiskGivesNoBrokenPictureAndOneLine) {
    Folder f;
    HeadlessOptions o = Record(f, kLossScript, "");
    o.frames = 400;
    o.capture.screenshotEvery = 100;
    o.capture.screenshotDir = f.Path("shots");
    fs::create_directories(o.capture.screenshotDir);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit cap = old;
    cap.rlim_cur = 20000;  // room for the script's files, not for a picture of the window
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cap), 0);
    const Result r = Launch(o);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(r.status, 0) << "a full disk costs the pictures, not the run";
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line says so: " << r.err;
    EXPECT_NE(r.err.find("screenshot"), std::string::npos) << r.err;
    for (const auto& e : fs::directory_iterator(o.capture.screenshotDir))
        ADD_FAILURE() << "no cut-short picture is left behind: " << e.path() << " (" << fs::file_size(e.path()) << " bytes)";
}


// Three games in one session, each played differently; the ranking's Z
// starts the next one.
constexpr const char* kThreeGames =
    "title: press SHIFT\n"
    "play#1 1-300: hold Z LEFT\n"
    "play#1 301-3000: hold Z RIGHT\n"
    "play#2 1-200: hold Z UP\n"
    "play#2 201-3000: hold Z DOWN LEFT\n"
    "play#3 1-3000: hold Z RIGHT\n"
    "name: answer ab\n"
    "ranking: press Z\n"
    "title#4: press ESC\n";

TEST(ReplayKeep, EveryGameOfASessionIsKeptAndReplaysAlone) {
    Folder f;
    HeadlessOptions o = Record(f, kThreeGames, f.Path("session.rec"));
    o.capture.keepFolder = f.Path("kept");
    const Result run = Launch(o);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "") << "keeping replays says nothing when all goes well";
    const std::vector<library::Kept> kept = library::List(o.capture.keepFolder);
    ASSERT_EQ(kept.size(), 3u) << "three games played, three kept; the fourth title, left at once, is no game";
    int64_t previousEnd = 0;
    for (size_t i = 0; i < kept.size(); ++i) {
        SCOPED_TRACE(kept[i].file);
        const Recording r = Parse(kept[i].path);
        EXPECT_EQ(r.header.hasCarried, i > 0) << "a game after the first starts from what the one before left";
        EXPECT_TRUE(r.endsWithGame) << "each ends where the player chose to play again, the session going on";
        const Result replayed = Launch(Replay(f, kept[i].path));
        EXPECT_EQ(replayed.status, 0) << "each game replays alone and verifies: " << replayed.err;
        // What a progress bar of the replay spans: the passes it plays, no more.
        CaptureOptions spanOf;
        spanOf.replayPath = kept[i].path;
        Capture span(spanOf);
        ASSERT_EQ(span.Prepare(f.data.Path(), {}), 0);
        EXPECT_EQ(span.ReplayFirstPass(), previousEnd) << "a game's replay begins at the pass the game before ended on";
        EXPECT_NE(replayed.out.find("at frame " + std::to_string(span.ReplayLastPass()) + ","), std::string::npos)
            << "and ends at its last pass: " << replayed.out;
        previousEnd = span.ReplayLastPass();
        EXPECT_FALSE(kept[i].summary.ending) << "a loss on stage 1";
        EXPECT_EQ(kept[i].summary.stage, 1);
    }
    EXPECT_EQ(Launch(Replay(f, f.Path("session.rec"))).status, 0) << "the whole session, recorded alongside, verifies too";
    int highest = 0;
    for (const library::Kept& k : kept) {
        EXPECT_EQ(k.best, k.summary.score > highest) << k.file << ": a best outscores every game kept before it";
        highest = std::max(highest, k.summary.score);
    }
}

TEST(ReplayKeep, AFolderThatCannotBeWrittenCostsOneLineAndNothingElse) {
    Folder f;
    std::ofstream(f.Path("a-file")) << "not a folder";
    HeadlessOptions o = Record(f, kThreeGames, "");
    o.capture.keepFolder = f.Path("a-file") + std::string("/replays/");
    const Result run = Launch(o);
    EXPECT_EQ(run.status, 0) << "the games are played to their end";
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line for three games: " << run.err;
    EXPECT_NE(run.err.find("not kept as replays"), std::string::npos) << run.err;
    HeadlessOptions plain = Record(f, kThreeGames, "");
    const Result again = Launch(plain);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err, "") << "a headless run keeps nothing unless asked";
}

TEST(ReplayLibrary, NamesSayWhenHowMuchAndHowFar) {
    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_hour = 5;
    when.tm_min = 12;
    when.tm_sec = 3;
    struct Case {
        const char* rule;
        int serial;
        GameSummary s;
        bool best;
        const char* name;
    } cases[] = {
        {"a stage and the score", 1, {1234, 3, false, false, false}, false, "2026-12-08_051203_1234pts_stage3.mrec"},
        {"the boss reached", 1, {10, 5, true, false, false}, false, "2026-12-08_051203_10pts_stage5-boss.mrec"},
        {"the ending, a best", 1, {32767, 5, true, true, false}, true, "2026-12-08_051203_32767pts_ending_best.mrec"},
        {"a second game in the same second", 2, {0, 1, false, false, false}, false, "2026-12-08_051203-2_0pts_stage1.mrec"},
        {"a practice start", 1, {5, 4, true, false, true}, false, "2026-12-08_051203_5pts_stage4-boss_practice.mrec"},
    };
    for (const Case& c : cases) {
        const std::string name = library::FileName(when, c.serial, c.s, c.best);
        EXPECT_EQ(name, c.name) << c.rule;
        library::Kept k;
        ASSERT_TRUE(library::ParseName(name, k)) << c.rule << ": the name reads back";
        EXPECT_EQ(k.date, "2026-12-08 05:12:03") << c.rule;
        EXPECT_EQ(k.serial, c.serial) << c.rule;
        EXPECT_EQ(k.summary.score, c.s.score) << c.rule;
        EXPECT_EQ(k.summary.stage, c.s.stage) << c.rule;
        EXPECT_EQ(k.summary.boss, c.s.boss) << c.rule;
        EXPECT_EQ(k.summary.ending, c.s.ending) << c.rule;
        EXPECT_EQ(k.summary.practice, c.s.practice) << c.rule;
        EXPECT_EQ(k.best, c.best) << c.rule;
    }
    library::Kept k;
    for (const char* other : {"notes.txt", "2026-12-08_051203_12pts_stage3.mrec.tmp", ".molfo-replay-Ab12Cd",
                              "2026-12-08_051203_12pts_stage0.mrec", "run.rec"})
        EXPECT_FALSE(library::ParseName(other, k)) << other << " is not a kept replay and is never touched";
}

TEST(ReplayLibrary, TheFolderKeepsTheLastFiftyAndTheBestsAndNothingElse) {
    Folder f;
    const std::string dir = f.Path("kept");
    fs::create_directories(dir);
    std::ofstream(dir + "/notes.txt") << "mine";
    // 120 games over two days: a new best every tenth, from game 5 on.
    std::vector<std::string> bests;
    for (int i = 0; i < 120; ++i) {
        std::tm when{};
        when.tm_year = 126;
        when.tm_mday = 1 + i / 60;
        when.tm_min = i % 60;
        const bool best = i % 10 == 5;
        const std::string name = library::FileName(when, 1, {best ? 100 + i : 1, 1, false, false, false}, best);
        std::ofstream(dir + "/" + name) << std::string(replay::kMagic, sizeof replay::kMagic);
        if (best) bests.push_back(name);
    }
    EXPECT_EQ(library::Prune(dir), 120u - 50u - 7u) << "the bests older than the last fifty stay";
    const std::vector<library::Kept> left = library::List(dir);
    ASSERT_EQ(left.size(), 57u) << "the last fifty and the seven bests before them";
    for (const std::string& b : bests)
        EXPECT_TRUE(fs::exists(dir + "/" + b)) << b << ": every personal best is kept";
    EXPECT_TRUE(fs::exists(dir + "/notes.txt")) << "a file that is no kept replay is left alone";
    EXPECT_EQ(library::Prune(dir, 50, 3), 7u) << "past the bests' own limit the oldest bests go, the recent stay";
    EXPECT_EQ(library::List(dir).size(), 50u) << "never more than the recent and the bests' limits together";
}

TEST(ReplayLibrary, SavingNamesEachGameApartAndMarksOnlyANewHigh) {
    Folder f;
    const std::string dir = f.Path("new") + std::string("/replays/");
    std::tm when{};
    when.tm_year = 126;
    std::string error;
    const std::vector<uint8_t> bytes = {1, 2, 3};
    const std::string a = library::Save(dir, bytes, {500, 2, false, false, false}, when, error);
    const std::string b = library::Save(dir, bytes, {500, 2, false, false, false}, when, error);
    const std::string c = library::Save(dir, bytes, {900, 1, false, false, true}, when, error);
    const std::string d = library::Save(dir, bytes, {501, 3, true, false, false}, when, error);
    ASSERT_FALSE(a.empty() || b.empty() || c.empty() || d.empty()) << "the folder is made and written: " << error;
    EXPECT_NE(a.find("_best"), std::string::npos) << "the first game with points is a best";
    EXPECT_EQ(b.find("_best"), std::string::npos) << "an equal score is not a new best";
    EXPECT_NE(b.find("-2_"), std::string::npos) << "a second game in the same second gets a name of its own";
    EXPECT_EQ(c.find("_best"), std::string::npos) << "a practice start is never a best";
    EXPECT_NE(d.find("_best"), std::string::npos) << "a practice score does not raise the bar";
    EXPECT_EQ(ReadBytes(d), bytes) << "the recording is written whole";
    EXPECT_EQ(library::Last(dir), d) << "last is the newest";
    EXPECT_EQ(library::Best(dir), d) << "best is the highest score of a game played from the start";
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().rfind(".molfo", 0), std::string::npos) << "no temporary file is left";
}

}  // namespace
}  // namespace molfo
