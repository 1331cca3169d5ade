// The server's parts alone: the verdict from a verifier's end, the rate
// limit, names, ids, options, and the queue's rules on a real SQLite file.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ServerHarness.h"
#include "server/Api.h"
#include "server/Intake.h"
#include "server/Options.h"
#include "server/RateLimit.h"
#include "server/Store.h"
#include "server/Verifier.h"

namespace molfo::server {
namespace {

const std::string kGood =
    R"({"score":84,"stage":1,"ended":"gameover","frames":1715,"games":1,"matched":true,"problem":"","version":"0.1.0"})";

std::string With(const std::string& from, const std::string& to) {
    std::string s = kGood;
    s.replace(s.find(from), from.size(), to);
    return s;
}

TEST(ServerParts, TheVerdictComesFromTheReplayAloneAndOnlyAMatchedFinishedGamePasses) {
    const VerifierLimits limits{7, 9, 0, 0};
    Exit ok;
    ok.status = 0;
    Exit failed;
    failed.status = 1;
    Exit timedOut;
    timedOut.timedOut = true;
    Exit cpu;
    cpu.signal = SIGXCPU;
    Exit hardCpu;
    hardCpu.signal = SIGKILL;
    Exit segv;
    segv.signal = SIGSEGV;
    Exit notStarted;
    notStarted.started = false;
    struct Case {
        const char* what;
        Exit exit;
        std::string line;
        bool verified;
        const char* reason;  // part of it; for a pass, empty
    } cases[] = {
        {"a matched game over", ok, kGood, true, ""},
        {"a matched ending", ok, With("\"gameover\"", "\"ending\""), true, ""},
        {"a difference", failed, With("\"matched\":true,\"problem\":\"\"", "\"matched\":false,\"problem\":\"differs at frame 600\""),
         false, "differs at frame 600"},
        {"a game left unfinished", ok, With("\"gameover\"", "\"none\""), false, "before it finished"},
        {"two games", ok, With("\"games\":1", "\"games\":2"), false, "holds 2 games"},
        {"no game", ok, With("\"games\":1", "\"games\":0"), false, "no game"},
        {"another version", ok, With("0.1.0", "0.0.9"), false, "recorded by molfo 0.0.9"},
        {"a score out of range", ok, With("\"score\":84", "\"score\":40000"), false, "out of range"},
        {"a result cut short", ok, kGood.substr(0, 30), false, "cannot be read"},
        {"a field missing", ok, With("\"frames\":1715,", ""), false, "cannot be read"},
        {"no result", failed, "", false, "without a result (exit status 1): molfo: the last words"},
        {"a matched game but a failing exit", failed, kGood, false, "exit status 1"},
        {"past the wall-clock limit", timedOut, kGood, false, "time limit of 9 s"},
        {"past the CPU limit", cpu, kGood, false, "CPU limit of 7 s"},
        {"past the hard CPU limit", hardCpu, "", false, "CPU limit of 7 s"},
        {"a crash", segv, kGood, false, "crashed the verifier (signal 11)"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const Verdict v = Judge(k.exit, k.line, "molfo: the last words", limits, "0.1.0");
        EXPECT_EQ(v.verified, k.verified) << v.reason;
        EXPECT_FALSE(v.retry);
        EXPECT_NE(v.reason.find(k.reason), std::string::npos) << v.reason;
        if (k.verified) {
            EXPECT_EQ(v.score, 84);
            EXPECT_EQ(v.frames, 1715);
        }
    }
    EXPECT_TRUE(Judge(notStarted, "", "", limits, "0.1.0").retry) << "a verifier that never ran says nothing of the run";
}

TEST(ServerParts, TheRateLimitIsATokenBucketPerAddress) {
    RateLimit rate(6, 2);  // one token every 10 s, two saved up
    struct Step {
        const char* address;
        int64_t atMs;
        int64_t wait;  // 0: taken
    } steps[] = {
        {"a", 0, 0},          {"a", 0, 0},      {"a", 0, 10},  // the burst, then ten seconds to the next
        {"b", 0, 0},                                          // another address has its own bucket
        {"a", 4000, 6},       {"a", 10000, 0},  {"a", 10000, 10},
        {"a", 5000, 10},                                      // a clock stepping back adds nothing
        {"a", 1000000, 0},    {"a", 1000000, 0}, {"a", 1000000, 10},  // a long rest refills to the burst only
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.address) + " at " + std::to_string(s.atMs));
        EXPECT_EQ(rate.Take(s.address, s.atMs), s.wait);
    }
    RateLimit none(0, 1);
    EXPECT_EQ(none.Take("a", 0), 0);
    EXPECT_GT(none.Take("a", 1000000), 0) << "a rate of 0 allows the burst and no more";
}

TEST(ServerParts, NamesFollowTheRankingsRule) {
    struct Case {
        std::string typed, kept;
    } cases[] = {
        {"Player", "Player"},
        {"", "anonymous"},
        {"      ", "anonymous"},
        {"abcdefghijklmnop", "abcdefghijkl"},                 // 12 bytes
        {"もるふぉもるふぉ", "もるふぉもる"},                   // six double-byte characters fill the field
        {"ab\x01\x1b[2Jc", "ab??[2Jc"},                         // control characters
        {"a\xff\xfe" "b", "a??b"},                              // not UTF-8
        {"x\xe2\x82\xac", "x?"},                                // no euro sign in the code page
        {"name  ", "name"},
        {"<b>&", "<b>&"},  // kept as text; the page escapes it
    };
    for (const Case& k : cases) EXPECT_EQ(RankingName(k.typed, "anonymous"), k.kept) << k.typed;
}

TEST(ServerParts, RunIdsNameTheBytes) {
    const std::vector<uint8_t> a = {1, 2, 3}, b = {1, 2, 4};
    EXPECT_EQ(RunId(a), RunId(a));
    EXPECT_NE(RunId(a), RunId(b));
    EXPECT_TRUE(IsRunId(RunId(a)));
    EXPECT_EQ(RunId({}), "e3b0c44298fc1c149afbf4c8996fb924") << "the first half of SHA-256";
    for (const char* bad : {"", "E3B0C44298FC1C149AFBF4C8996FB924", "e3b0c44298fc1c149afbf4c8996fb92", "../../../../etc/passwd"})
        EXPECT_FALSE(IsRunId(bad)) << bad;
}

TEST(ServerParts, OptionsAndPagingAreReadStrictly) {
    struct Listen {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } listens[] = {
        {"127.0.0.1:8090", true, "127.0.0.1", 8090}, {"[::1]:0", true, "::1", 0}, {"localhost:65535", true, "localhost", 65535},
        {"127.0.0.1", false, "", 0},                 {"::1:80", false, "", 0},   {"h:65536", false, "", 0},
        {"h:-1", false, "", 0},                      {"h:", false, "", 0},       {":80", false, "", 0},
    };
    for (const Listen& l : listens) {
        std::string host;
        int port = -1;
        EXPECT_EQ(ParseListen(l.text, host, port), l.ok) << l.text;
        if (l.ok) {
            EXPECT_EQ(host, l.host);
            EXPECT_EQ(port, l.port);
        }
    }
    struct Paging {
        const char *limit, *offset;
        bool ok;
        int wantLimit, wantOffset;
    } pagings[] = {
        {"", "", true, kDefaultLimit, 0}, {"5", "10", true, 5, 10}, {"1000", "", true, kMaxLimit, 0},
        {"0", "", false, 0, 0},           {"-1", "", false, 0, 0},  {"5x", "", false, 0, 0},
        {"", "-3", false, 0, 0},          {"99999999999", "", false, 0, 0},
    };
    for (const Paging& p : pagings) {
        int limit = 0, offset = 0;
        EXPECT_EQ(ParsePaging(p.limit, p.offset, limit, offset), p.ok) << p.limit << " " << p.offset;
        if (p.ok) {
            EXPECT_EQ(limit, p.wantLimit);
            EXPECT_EQ(offset, p.wantOffset);
        }
    }
}

TEST(ServerParts, TheGameAndThePageAreFoundWhereTheBuildOrThePackagePutThem) {
    // A package's layout: the server in sbin/, the game in games/, the page
    // in share/; a plain file where a folder is looked for, and the other
    // way round, must not count.
    const std::filesystem::path root = std::filesystem::temp_directory_path() / ("molfo-beside-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    for (const char* d : {"usr/sbin", "usr/games", "usr/share/molfo-server/page", "build/molfo.d"})
        std::filesystem::create_directories(root / d);
    for (const char* f : {"usr/games/molfo", "usr/share/page-file"}) std::ofstream(root / f) << "x";
    const std::string sbin = (root / "usr/sbin").string(), build = (root / "build").string();
    struct Case {
        std::string folder, candidates;
        bool wantFolder;
        std::string found;
    } cases[] = {
        {sbin, "molfo:../games/molfo", false, (root / "usr/games/molfo").string()},
        {sbin, "../games/molfo:molfo", false, (root / "usr/games/molfo").string()},
        {sbin, "::../games/molfo", false, (root / "usr/games/molfo").string()},
        {sbin, "molfo", false, ""},
        {build, "molfo.d", false, ""},
        {sbin, "../share/molfo-server/page", true, (root / "usr/share/molfo-server/page").string()},
        {sbin, "../share/page-file:../share/molfo-server/page", true, (root / "usr/share/molfo-server/page").string()},
        {sbin, "../share/page-file", true, ""},
        {sbin, "", true, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FindBeside(c.folder, c.candidates, c.wantFolder), c.found) << c.candidates;
    std::filesystem::remove_all(root);
}

TEST(ServerParts, ThePageEscapesNamesAndLinksOnlyToItsOwnSite) {
    Board b;
    b.total = 1;
    b.runs.push_back(server::Run{"0123456789abcdef0123456789abcdef", "verified", "", "<script>x</script>", 120, 3, "gameover", 9, "0.1.0", 0, 0});
    const std::string page = TablePage(b, 0, 20, true);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;x&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("stage 3"), std::string::npos);
    EXPECT_NE(page.find("name=\"viewport\""), std::string::npos) << "readable on a phone";
    EXPECT_EQ(TablePage(b, 0, 20, false).find("Watch"), std::string::npos) << "no page, no Watch link";
}

// The queue's rules, on a real SQLite file.
TEST(ServerParts, TheQueueTakesEachRunOnceAndGivesBackWhatALostServerHeld) {
    servertest::TempDir dir;
    const std::string path = dir.path + "/runs.sqlite";
    {
        std::unique_ptr<Store> store = OpenSqlite(path);
        EXPECT_THROW(OpenSqlite(path), StoreError) << "one server owns a SQLite file";
        auto submit = [&](const std::string& id, int64_t at) {
            Submission s;
            s.id = id;
            s.name = "n";
            s.address = "1.2.3.4";
            s.version = "0.1.0";
            s.recording = {1, 2, 3};
            s.nowMs = at;
            server::Run r;
            return store->Submit(s, r);
        };
        EXPECT_TRUE(submit("a", 1));
        EXPECT_TRUE(submit("b", 2));
        EXPECT_TRUE(submit("c", 3));
        EXPECT_FALSE(submit("a", 4)) << "the same id again is the same run";
        EXPECT_EQ(store->Pending("1.2.3.4"), 3);
        EXPECT_EQ(store->Requeue("me", 0), 0) << "nothing left verifying";

        const auto first = store->Take("me", 10, 1000);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->id, "a") << "oldest first";
        EXPECT_EQ(first->recording, (std::vector<uint8_t>{1, 2, 3}));
        const auto second = store->Take("other", 10, 50);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->id, "b") << "a run taken is not taken again";
        Verdict v;
        v.verified = true;
        v.score = 500;
        v.stage = 2;
        v.ended = "gameover";
        v.frames = 4000;
        EXPECT_TRUE(store->Finish("a", first->token, v, 20));
        EXPECT_FALSE(store->Finish("a", first->token, v, 21)) << "a verdict is recorded once";
        EXPECT_FALSE(store->Finish("b", first->token, v, 21)) << "only with the claim's own token";

        EXPECT_EQ(store->Requeue("me", 100), 1) << "'other' held b past its lease";
        EXPECT_FALSE(store->Finish("b", second->token, v, 101)) << "a verdict after the lease ran out is dropped";
        const auto again = store->Take("me", 102, 1000);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->id, "b");
        v.score = 700;
        EXPECT_TRUE(store->Finish("b", again->token, v, 103));
        EXPECT_EQ(store->Get("b")->status, kVerified);
        EXPECT_EQ(store->Get("c")->status, kQueued);
        EXPECT_EQ(store->Pending("1.2.3.4"), 1);
        const Board board = store->Leaderboard(10, 0);
        ASSERT_EQ(board.runs.size(), 2u);
        EXPECT_EQ(board.runs[0].id, "b") << "highest score first";
        EXPECT_EQ(board.total, 2);
        ASSERT_TRUE(store->Take("me", 200, 300));  // c, held when the server stops
    }
    std::unique_ptr<Store> reopened = OpenSqlite(path);
    EXPECT_EQ(reopened->Requeue("someone else", 0), 1) << "a reopened file takes back every run left verifying";
    EXPECT_EQ(reopened->Get("c")->status, kQueued);
}

TEST(ServerParts, TiesGoToTheEarlierVerification) {
    servertest::TempDir dir;
    std::unique_ptr<Store> store = OpenSqlite(dir.path + "/runs.sqlite");
    const char* ids[] = {"x", "y", "z"};
    const int64_t verifiedAt[] = {30, 10, 20};
    for (int i = 0; i < 3; ++i) {
        Submission s;
        s.id = ids[i];
        s.recording = {uint8_t(i)};
        server::Run r;
        store->Submit(s, r);
    }
    for (int i = 0; i < 3; ++i) {
        const auto c = store->Take("me", 0, 1000);
        ASSERT_TRUE(c);
        Verdict v;
        v.verified = true;
        v.score = 100;
        v.stage = 1;
        v.frames = 1;
        const int k = c->id == "x" ? 0 : c->id == "y" ? 1 : 2;
        store->Finish(c->id, c->token, v, verifiedAt[k]);
    }
    const Board b = store->Leaderboard(10, 0);
    ASSERT_EQ(b.runs.size(), 3u);
    EXPECT_EQ(b.runs[0].id, "y");
    EXPECT_EQ(b.runs[1].id, "z");
    EXPECT_EQ(b.runs[2].id, "x");
}

}  // namespace
}  // namespace molfo::server
