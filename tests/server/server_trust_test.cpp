// What the server believes: only what the game's own replay reached. Forged
// recordings are refused at the door, rejected by the replay, or verified
// with the score the game really reached, never another.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "Forge.h"
#include "ServerHarness.h"

namespace molfo::servertest {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

constexpr auto kVerifyLimit = 180s;
constexpr int kVkZ = 0x5A;
const std::vector<std::string> kOpen = {"--submit-burst", "1000", "--submit-rate", "6000", "--pending-per-address", "1000"};

enum class Outcome { Refused, Rejected, VerifiedAsReached };

TEST(ServerTrust, NoForgedRecordingIsVerifiedWithAScoreTheGameDidNotReach) {
    const std::vector<Kept>& games = KeptGames(2);
    ASSERT_GE(games.size(), 2u);
    const Bytes& rec = games[0].bytes;
    std::mt19937 random(29);
    Bytes noise(4000);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    Bytes doubled = rec;
    doubled.insert(doubled.end(), rec.begin(), rec.end());
    struct Case {
        const char* what;
        Bytes bytes;
        std::string query;
        Outcome expected;
    } cases[] = {
        {"an input changed (a shot not fired), checksums made good", AlterKey(rec, 2, kVkZ), "", Outcome::Rejected},
        {"a state hash changed, checksums made good", AlterHash(rec, 1), "", Outcome::Rejected},
        {"the last state hash changed", AlterHash(rec, ChunkCount(rec) - 1), "", Outcome::Rejected},
        {"a score claimed in the header's ranking", WithHeader(rec, [](replay::Header& h) {
             h.rank.assign(14, ' ');
             h.rank[12] = 0xFF;
             h.rank[13] = 0x7F;
         }),
         "", Outcome::VerifiedAsReached},
        {"a score claimed beside the upload", rec, "?score=32767&name=x", Outcome::VerifiedAsReached},
        {"one game's header on another's chunks", Splice(games[1].bytes, rec), "", Outcome::Rejected},
        {"truncated", Bytes(rec.begin(), rec.begin() + static_cast<std::ptrdiff_t>(rec.size() / 2)), "", Outcome::Refused},
        {"cut by one byte", Bytes(rec.begin(), rec.end() - 1), "", Outcome::Refused},
        {"doubled", doubled, "", Outcome::Refused},
        {"random bytes", noise, "", Outcome::Refused},
        {"random bytes behind the signature", [&] {
             Bytes b = noise;
             std::copy_n(rec.begin(), 8, b.begin());
             return b;
         }(),
         "", Outcome::Refused},
        {"a practice start", WithHeader(rec, [](replay::Header& h) { h.practiceStage = 5; }), "", Outcome::Refused},
    };
    TempDir dir;
    std::vector<std::string> extra = kOpen;
    extra.insert(extra.end(), {"--workers", "2"});
    ServerProcess server(dir.path, dir.path + "/runs.sqlite", extra);
    ASSERT_TRUE(server.Start()) << server.Log();
    std::vector<std::pair<const Case*, std::string>> queued;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const Answer a = Submit(server, k.bytes, k.query);
        if (k.expected == Outcome::Refused) {
            EXPECT_EQ(a.status, 400) << a.body.dump();
            continue;
        }
        ASSERT_TRUE(a.status == 202 || a.status == 200) << "the reader cannot tell this one: only a replay can";
        queued.emplace_back(&k, a.body["id"]);
    }
    for (const auto& [k, id] : queued) {
        SCOPED_TRACE(k->what);
        const json run = WaitFinal(server, id, kVerifyLimit);
        ASSERT_TRUE(run["status"] == "verified" || run["status"] == "rejected") << run.dump();
        if (run["status"] == "verified") {
            EXPECT_EQ(run["score"], games[0].score) << "a verified run has the score the game reached, whatever is claimed";
        }
        EXPECT_EQ(run["status"], k->expected == Outcome::Rejected ? "rejected" : "verified") << run.dump();
        if (run["status"] == "rejected") {
            EXPECT_FALSE(run["reason"].get<std::string>().empty());
        }
    }
    const Answer board = Get(server, "/api/v1/leaderboard?limit=100");
    for (const json& r : board.body["runs"]) EXPECT_EQ(r["score"], games[0].score) << "nothing forged reached the table";
}

// What only the replay can tell: how many games a recording holds and how
// they ended. Whole sessions recorded with --record, which the reader takes.
TEST(ServerTrust, OnlyOneFinishedGameIsVerified) {
    struct Case {
        const char* what;
        std::string script;
        const char* status;
        const char* reason;
    } cases[] = {
        {"one game, game over, then Escape at the ranking",
         "title: press SHIFT\nplay 1-3000: hold Z LEFT\nname: answer x\nranking: press ESC\n", "verified", ""},
        {"two games", "title: press SHIFT\nplay 1-3000: hold Z LEFT\nname: answer x\nranking#1: press Z\n"
                      "title#2: press SHIFT\nranking#2: press ESC\n",
         "rejected", "holds 2 games"},
        {"a game left in the middle", "title: press SHIFT\nplay 1-400: hold Z LEFT\nplay 401: press ESC\n", "rejected",
         "before it finished"},
        {"no game at all", "title: press ESC\n", "rejected", "no game"},
    };
    TempDir dir;
    std::vector<std::string> extra = kOpen;
    extra.insert(extra.end(), {"--workers", "2"});
    ServerProcess server(dir.path, dir.path + "/runs.sqlite", extra);
    ASSERT_TRUE(server.Start()) << server.Log();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        int keptScore = -1;
        const Bytes rec = RecordSession(k.script, keptScore);
        const Answer a = Submit(server, rec);
        ASSERT_EQ(a.status, 202) << a.body.dump();
        const json run = WaitFinal(server, a.body["id"], kVerifyLimit);
        EXPECT_EQ(run["status"], k.status) << run.dump();
        EXPECT_NE(run.value("reason", "").find(k.reason), std::string::npos) << run.dump();
        if (run["status"] == "verified") {
            EXPECT_EQ(run["score"], keptScore) << "the score the game named its kept replay by";
            EXPECT_EQ(run["ended"], "gameover");
        }
    }
}

// Limits on the verifier: stand-ins that hang, spin, crash or say nothing
// are killed at their limit or rejected, and leave nothing behind.
TEST(ServerTrust, AVerifierIsHeldToItsLimits) {
    const Kept& game = KeptGames(1)[0];
    const std::string version = HeaderOf(game.bytes).programVersion;
    struct Case {
        const char* what;
        std::string body;
        const char* reason;
        const char* wall = "2";  // a spinning one must reach its CPU limit first
    } cases[] = {
        {"hangs", "sleep 600", "time limit of 2 s"},
        {"spins", "while :; do :; done", "CPU limit of 1 s", "25"},
        {"crashes", "kill -SEGV $$", "crashed the verifier (signal 11)"},
        {"says nothing", "echo 'molfo: something broke' >&2; exit 1", "without a result (exit status 1): molfo: something broke"},
        {"claims a score without a match", "echo '{\"score\":32767,\"stage\":5,\"ended\":\"ending\",\"frames\":9,\"games\":1,"
                                           "\"matched\":false,\"problem\":\"differs at frame 300\",\"version\":\"" + version +
                                               "\"}' >\"$5\"; exit 1",
         "differs at frame 300"},
        {"writes past its file limit", "head -c 40000000 /dev/zero >big; echo done", "without a result"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TempDir dir;
        const std::string standIn = StandIn(dir.path, version, k.body);
        std::vector<std::string> extra = kOpen;
        extra.insert(extra.end(), {"--workers", "1", "--game", standIn, "--verify-wall", k.wall, "--verify-cpu", "1"});
        ServerProcess server(dir.path, dir.path + "/runs.sqlite", extra);
        ASSERT_TRUE(server.Start()) << server.Log();
        const auto start = std::chrono::steady_clock::now();
        const Answer a = Submit(server, game.bytes);
        ASSERT_EQ(a.status, 202) << a.body.dump();
        const json run = WaitFinal(server, a.body["id"], 60s);
        EXPECT_EQ(run["status"], "rejected") << run.dump();
        EXPECT_NE(run.value("reason", "").find(k.reason), std::string::npos) << run.dump();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 40s) << "killed at its limit, not left to run";
        EXPECT_TRUE(std::filesystem::is_empty(server.Scratch())) << "the scratch folder is removed";
    }
}

}  // namespace
}  // namespace molfo::servertest
