// The headless driver as a user meets it: the input script's rules, numbers
// and error lines, one script giving one dump, the dump's last pass and odd
// names, runs with sounds missing,
// the stop for a wait nothing will end, and where the ranking is kept.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "driver/Driver.h"
#include "driver/Session.h"
#include "screens/RankFile.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;

// A game lost on stage 1 and put on the ranking.
constexpr const char* kLossScript =
    "title: press SHIFT\n"
    "play 1-300: hold Z LEFT\n"
    "play 301-3000: hold Z RIGHT\n"
    "ranking: press Z\n"
    "title#2: press ESC\n";

// A data folder of the test's own: the built files linked in, sys/ itself
// writable, no ranking yet.
struct Data {
    fs::path root;
    Data() {
        root = fs::temp_directory_path() /
               (std::string("molfo-driver-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "sys");
        for (const auto& e : fs::directory_iterator(fs::path(test::DataDir()) / "sys"))
            if (e.path().filename() != "rank.hms") fs::create_symlink(e.path(), root / "sys" / e.path().filename());
    }
    ~Data() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    std::string File(const std::string& name, const std::string& text) const {
        const fs::path p = root / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
};

struct Outcome {
    int status = 0;
    std::string err;
};

Outcome Launch(const HeadlessOptions& o) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    Outcome r;
    r.status = RunHeadless(o);
    ::testing::internal::GetCapturedStdout();
    r.err = ::testing::internal::GetCapturedStderr();
    return r;
}

std::vector<nlohmann::json> DumpLines(const std::string& path) {
    std::vector<nlohmann::json> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string l; std::getline(in, l);) lines.push_back(nlohmann::json::parse(l));
    return lines;
}

TEST(InputScriptNumbers, OutOfRangeNumbersAreRefusedNotCut) {
    struct Case {
        const char* rule;
        const char* line;
        bool ok;
    } cases[] = {
        {"a count past 32 bits is refused, not read as 1", "title#4294967297: press ESC", false},
        {"the largest count is taken", "title#2147483647: press ESC", true},
        {"a count one past it is refused", "title#2147483648: press ESC", false},
        {"an offset past 32 bits of milliseconds is refused, not read as 0", "title+4294967296: press ESC", false},
        {"the largest offset is taken", "title+4294967295: press ESC", true},
        {"a frame number past 64 bits is refused", "play 99999999999999999999: hold Z", false},
        {"a count of 0 is refused", "title#0: press ESC", false},
    };
    for (const Case& c : cases) {
        InputScript s;
        std::string error;
        EXPECT_EQ(ParseInputScript(std::string(c.line) + "\n", s, error), c.ok) << c.rule << ": " << error;
    }
}

TEST(InputScriptNumbers, ErrorLinesShowTheOffendingTextSafely) {
    struct Case {
        const char* rule;
        std::string line;
        std::string shows;
    } cases[] = {
        {"terminal escapes are shown escaped", "title: press \x1b[31mRED", "\\e[31mRED"},
        {"control bytes are shown as hex", std::string("title: press A\x01", 15), "A\\x01"},
        {"broken UTF-8 is shown as hex", "title: press \xff\xfe", "\\xFF\\xFE"},
        {"Japanese text stays readable", "title: press キー", "キー"},
    };
    for (const Case& c : cases) {
        InputScript s;
        std::string error;
        ASSERT_FALSE(ParseInputScript(c.line + "\n", s, error)) << c.rule;
        EXPECT_NE(error.find(c.shows), std::string::npos) << c.rule << ": " << error;
        EXPECT_EQ(std::count_if(error.begin(), error.end(), [](char ch) { return ch == '\x1b' || ch == '\x01'; }), 0)
            << c.rule << ": no raw control byte reaches the terminal";
    }
    InputScript s;
    std::string error;
    ASSERT_FALSE(ParseInputScript("title: press " + std::string(2 * 1024 * 1024, 'K') + "\n", s, error));
    EXPECT_LT(error.size(), 200u) << "a 2 MB token gives a short line";
    EXPECT_NE(error.find("2097152 bytes"), std::string::npos) << "that says how long the token was: " << error;
}

TEST(HeadlessRun, MissingSoundsStaySilentAndTheGamePlays) {
    Data d;
    fs::remove(d.root / "sys" / "boss1.mid");
    fs::remove(d.root / "sys" / "hit.wav");
    HeadlessOptions o;
    o.dataDir = d.root.string();
    o.frames = 100;
    const Outcome r = Launch(o);
    EXPECT_EQ(r.status, 0) << "the game plays without them: " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << "one line for each: " << r.err;
    EXPECT_NE(r.err.find("boss1.mid"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("hit.wav"), std::string::npos) << r.err;

    fs::remove(d.root / "sys" / "title.bmp");
    const Outcome pictureless = Launch(o);
    EXPECT_EQ(pictureless.status, 1) << "a missing picture still stops it before play";
    EXPECT_NE(pictureless.err.find("title.bmp: missing"), std::string::npos) << pictureless.err;
}

TEST(HeadlessRun, EveryPassThatRanHasItsDumpLine) {
    Data d;
    struct Case {
        const char* rule;
        std::string script;
        int64_t frames;
        const char* lastScene;
    } cases[] = {
        {"Escape on the title ends the program inside the first pass", "title: hold ESC\n", -1, "end"},
        {"Escape at the ranking after a lost game", "title: press SHIFT\nplay 1-3000: hold Z LEFT\nranking: press ESC\n", -1, "ranking"},
        {"a frame limit ends the run after its pass", "title: press SHIFT\n", 50, "play"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        HeadlessOptions o;
        o.dataDir = d.root.string();
        o.inputPath = d.File("script.txt", c.script);
        o.dumpPath = (d.root / "dump.jsonl").string();
        o.frames = c.frames;
        ASSERT_EQ(Launch(o).status, 0);
        const std::vector<nlohmann::json> lines = DumpLines(o.dumpPath);
        ASSERT_FALSE(lines.empty()) << "the dump has lines";
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i]["pass"], static_cast<int64_t>(i + 1)) << "one line per pass, none missing";
        EXPECT_EQ(lines.back()["scene"], c.lastScene) << "the last pass is there";
    }
}

TEST(HeadlessRun, EscapeAtTheRankingAfterTheEndingGetsItsDumpLine) {
    InputScript script;
    std::string error;
    ASSERT_TRUE(ParseInputScript("title: press SHIFT\nname: answer END\nranking: press ESC\n", script, error));
    HeadlessSession s(test::DataDir(), script);
    StartFirstGameAt(*s.game, 5, true);
    s.game->rankPath = (fs::temp_directory_path() / ("molfo-driver-ending-rank-" + std::to_string(getpid()) + ".hms")).string();
    std::vector<nlohmann::ordered_json> lines;
    s.onDump = [&](const nlohmann::ordered_json& j) {
        lines.push_back(j);
        if (j["frame"] == 1 && j["scene"] == "play") {
            s.game->s.KyaraHp[slot::BossFirst] = 0;
            s.game->s.SutejiKuria = 1;
        }
    };
    s.Run();
    fs::remove(s.game->rankPath);
    ASSERT_EQ(static_cast<int64_t>(lines.size()), s.game->passes) << "every pass has its line, the last included";
    EXPECT_EQ(lines.back()["scene"], "end");
    bool asked = false;
    for (const auto& dlg : lines.back()["dialogs"]) asked = asked || dlg["answer"] == "END";
    EXPECT_TRUE(asked) << "the last pass's line holds the ending's name box";
}

TEST(HeadlessRun, ANameThatIsNotUtf8StillGivesAWholeDump) {
    Data d;
    HeadlessOptions o;
    o.dataDir = d.root.string();
    o.inputPath = d.File("script.txt", std::string(kLossScript) + "name: answer \xff\xfe\x41\n");
    o.dumpPath = (d.root / "dump.jsonl").string();
    const Outcome r = Launch(o);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<nlohmann::json> lines = DumpLines(o.dumpPath);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back()["scene"], "end") << "the dump goes on to the end of the run";
    bool answered = false;
    for (const auto& l : lines)
        for (const auto& dlg : l["dialogs"])
            if (dlg["kind"] == "input") answered = dlg["answer"] == "\xef\xbf\xbd\xef\xbf\xbd" "A";
    EXPECT_TRUE(answered) << "the bad bytes are written as U+FFFD";
}

TEST(HeadlessRun, OnlyAWaitNothingWillEndIsStopped) {
    InputScript playOn, leftWaiting;
    std::string error;
    ASSERT_TRUE(ParseInputScript("title: press SHIFT\nplay 1-3000: hold Z\n", playOn, error));
    ASSERT_TRUE(ParseInputScript("title+3000: press SHIFT\n", leftWaiting, error));
    {
        // 3000 frames are 45 s of play, far past a limit of 10 s.
        HeadlessSession s(test::DataDir(), playOn);
        s.timeLimitMs = 10'000;
        s.frameLimit = 3000;
        s.Run();
        EXPECT_FALSE(s.timedOut) << "time in play never counts";
        EXPECT_EQ(s.game->passes, 3000);
    }
    {
        // The title waits longer than the limit for a rule that will fire.
        HeadlessSession s(test::DataDir(), leftWaiting);
        s.timeLimitMs = 2'500;
        s.frameLimit = 10;
        s.Run();
        EXPECT_FALSE(s.timedOut) << "a wait a timed rule will end is not stopped";
    }
    {
        InputScript none;
        HeadlessSession s(test::DataDir(), none);
        s.timeLimitMs = 10'000;
        s.Run();
        EXPECT_TRUE(s.timedOut) << "a title nothing will ever leave is stopped";
        EXPECT_LT(s.hp.clock.Ticks(), 11'000u) << "when the limit is reached";
    }
}

// A data folder whose sys/ cannot be written (an installed game) keeps the
// ranking in the user's data folder, headless as in the window. Root may
// write anywhere, so the game runs as another user.
TEST(HeadlessRun, AnUnwritableDataFolderKeepsTheRankingInTheUsersFolder) {
    Data d;
    const fs::path user = d.root / "xdg";
    fs::create_directories(user);
    fs::permissions(d.root, fs::perms::all);
    fs::permissions(user, fs::perms::all);
    const uid_t runAs = geteuid() == 0 ? 65534 : geteuid();
    if (geteuid() != 0) fs::permissions(d.root / "sys", fs::perms::owner_read | fs::perms::owner_exec);
    const std::string script = d.File("script.txt", std::string(kLossScript) + "name: answer USER\n");
    fs::permissions(script, fs::perms::all);

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(runAs) != 0 || setuid(runAs) != 0)) _exit(90);
        setenv("XDG_DATA_HOME", user.c_str(), 1);
        HeadlessOptions o;
        o.dataDir = d.root.string();
        o.inputPath = script;
        _exit(RunHeadless(o));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    fs::permissions(d.root / "sys", fs::perms::all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(d.root / "sys" / "rank.hms")) << "nothing is written beside the program";
    const fs::path mine = user / "molfo" / "rank.hms";
    ASSERT_TRUE(fs::exists(mine)) << "the ranking is in $XDG_DATA_HOME/molfo";
    EXPECT_EQ(rank::DecodeName(rank::ReadRankFile(mine.string()).RankName[1]).substr(0, 4), "USER")
        << "with the game's entry in it";
}

TEST(Headless, SameScriptGivesIdenticalDumps) {
    auto run = [] {
        HeadlessSession session(test::DataDir(), test::Script("title: press SHIFT\nplay 1-120: hold LEFT Z\nplay 121-200: hold UP Z\n"));
        session.frameLimit = 200;
        std::string out;
        session.onDump = [&out](const nlohmann::ordered_json& j) { out += j.dump() + "\n"; };
        session.Run();
        return out;
    };
    const std::string a = run();
    const std::string b = run();
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, b) << "a headless run is deterministic";
}

TEST(InputScript, ParsesRulesAndNamesTheBadLine) {
    struct Case { const char* text; bool ok; const char* errorPart; } cases[] = {
        {"title: press SHIFT\nplay 1-20: hold LEFT Z\nname: answer たろう\nranking#2: press Z\n", true, ""},
        {"# only a comment\n\n", true, ""},
        {"title+250: press ESC  # trailing comment\n", true, ""},
        {"play 5: close\nname#2: cancel\n", true, ""},
        {"title press SHIFT\n", false, "line 1"},
        {"title: press\n", false, "needs at least one key"},
        {"play 20-10: hold Z\n", false, "bad frame range"},
        {"title: hold Q\n", false, "unknown key"},
        {"menu: press Z\n", false, "unknown scene"},
        {"title: press Z\nplay x: hold Z\n", false, "line 2"},
        {"title 5: press Z\n", false, "only play takes frame numbers"},
    };
    for (const auto& c : cases) {
        InputScript s;
        std::string error;
        EXPECT_EQ(ParseInputScript(c.text, s, error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_NE(error.find(c.errorPart), std::string::npos) << c.text << " -> " << error;
        }
    }
    InputScript s = test::Script("play#2 3-7: hold RIGHT SPACE\nname: answer  山田 花子 \n");
    ASSERT_EQ(s.rules.size(), 2u);
    EXPECT_EQ(s.rules[0].occurrence, 2) << "play#2 selects the second game";
    EXPECT_EQ(s.rules[0].firstFrame, 3);
    EXPECT_EQ(s.rules[0].lastFrame, 7);
    EXPECT_EQ(s.rules[0].keys, (std::vector<int>{vk::Right, vk::Space}));
    EXPECT_EQ(s.rules[1].text, "山田 花子") << "an answer keeps inner spaces and drops the outer ones";
}

}  // namespace
}  // namespace molfo
