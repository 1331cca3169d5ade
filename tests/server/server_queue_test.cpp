// The durable queue: a server killed with SIGKILL at any moment loses no
// accepted run and verifies none twice; two servers on one PostgreSQL
// database share a batch, each run verified exactly once.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <random>
#include <regex>
#include <set>
#include <thread>

#include "Forge.h"
#include "ServerHarness.h"

namespace molfo::servertest {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

constexpr auto kVerifyLimit = 180s;
const std::vector<std::string> kOpen = {"--submit-burst", "1000", "--submit-rate", "6000", "--pending-per-address", "1000"};

// Waits until some run is being verified; its id, or empty.
std::string WaitVerifying(const ServerProcess& s, const std::vector<std::string>& ids) {
    const auto until = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < until) {
        for (const std::string& id : ids)
            if (Get(s, "/api/v1/runs/" + id).body.value("status", "") == "verifying") return id;
        std::this_thread::sleep_for(10ms);
    }
    return {};
}

// Every run ended verified with its game's score, taken once and judged once.
void ExpectEachOnce(const std::map<std::string, Row>& rows, const std::vector<std::string>& ids, int maxClaims) {
    EXPECT_EQ(rows.size(), ids.size()) << "no run lost, none added";
    for (const std::string& id : ids) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(rows.count(id)) << "an accepted run is in the database";
        const Row& r = rows.at(id);
        EXPECT_EQ(r.status, "verified");
        EXPECT_EQ(r.verdicts, 1) << "judged exactly once";
        EXPECT_GE(r.claims, 1);
        EXPECT_LE(r.claims, maxClaims) << "taken again only after a kill";
    }
}

TEST(ServerQueue, AServerKilledWhileRunsWaitOrAreVerifiedLosesNoneAndJudgesNoneTwice) {
    const std::vector<Kept>& games = KeptGames(5);
    ASSERT_GE(games.size(), 5u);
    TempDir dir;
    const std::string db = dir.path + "/runs.sqlite";
    std::vector<std::string> extra = kOpen;
    extra.insert(extra.end(), {"--workers", "1"});
    ServerProcess server(dir.path, db, extra);
    ASSERT_TRUE(server.Start()) << server.Log();
    std::vector<std::string> ids;
    for (size_t i = 0; i < 5; ++i) {
        const Answer a = Submit(server, games[i].bytes);
        ASSERT_EQ(a.status, 202);
        ids.push_back(a.body["id"]);
    }
    // Killed at once: most runs are still queued, one perhaps verifying.
    server.Kill(SIGKILL);
    ASSERT_TRUE(server.Start()) << server.Log();
    // Killed again while a run is being verified.
    const std::string busy = WaitVerifying(server, ids);
    ASSERT_FALSE(busy.empty()) << "a run is verified after the restart";
    server.Kill(SIGKILL);
    EXPECT_EQ(SqliteRows(db).at(busy).status, "verifying") << "the run was taken when the server died";
    ASSERT_TRUE(server.Start()) << server.Log();
    EXPECT_NE(server.Log().find("put back on the queue"), std::string::npos) << "the restart takes back the run it was verifying";
    for (size_t i = 0; i < ids.size(); ++i) {
        const json run = WaitFinal(server, ids[i], kVerifyLimit);
        EXPECT_EQ(run["status"], "verified") << run.dump();
        EXPECT_EQ(run["score"], games[i].score);
    }
    ExpectEachOnce(SqliteRows(db), ids, 3);
    EXPECT_TRUE(std::filesystem::is_empty(server.Scratch()))
        << "the scratch folders of verifiers killed with their server are cleared at the next start";
}

// A smaller run of scripts/measure-server's kills: submissions keep coming
// while the server is killed again and again.
TEST(ServerQueue, KilledAgainAndAgainUnderLoadItLosesNoAcceptedRun) {
    const Kept& game = KeptGames(1)[0];
    TempDir dir;
    const std::string db = dir.path + "/runs.sqlite";
    std::vector<std::string> extra = kOpen;
    extra.insert(extra.end(), {"--workers", "2"});
    ServerProcess server(dir.path, db, extra);
    ASSERT_TRUE(server.Start()) << server.Log();
    const int port = server.Port();
    std::vector<std::string> accepted;
    std::atomic<bool> loading{true};
    std::thread sender([&] {
        // Copies that differ only in a frame limit no game reaches: new runs
        // that verify as the original does.
        for (int64_t i = 0; loading && i < 200; ++i) {
            const Bytes copy = WithHeader(game.bytes, [i](replay::Header& h) { h.frameLimit = 1'000'000'000 + i; });
            httplib::Client c("127.0.0.1", port);
            c.set_connection_timeout(1s);
            auto r = c.Post("/api/v1/runs", std::string(copy.begin(), copy.end()), "application/octet-stream");
            if (r && r->status == 202) accepted.push_back(json::parse(r->body)["id"]);
            std::this_thread::sleep_for(60ms);
        }
    });
    std::mt19937 random(29);
    bool restarted = true;
    for (int k = 0; k < 6 && restarted; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200 + random() % 500));
        server.Kill(SIGKILL);
        restarted = server.Start();
    }
    loading = false;
    sender.join();
    ASSERT_TRUE(restarted) << server.Log();
    ASSERT_GE(accepted.size(), 5u) << "runs were accepted between the kills";
    for (const std::string& id : accepted) {
        const json run = WaitFinal(server, id, kVerifyLimit);
        EXPECT_EQ(run["status"], "verified") << run.dump();
        EXPECT_EQ(run["score"], game.score);
    }
    const std::map<std::string, Row> rows = SqliteRows(db);
    for (const std::string& id : accepted) {
        ASSERT_TRUE(rows.count(id)) << "an accepted run is never lost: " << id;
        EXPECT_EQ(rows.at(id).verdicts, 1) << "and judged exactly once: " << id;
    }
}

TEST(ServerQueue, TwoServersOnOnePostgresDatabaseShareABatch) {
    PgCluster pg;
    if (pg.Address().empty()) GTEST_SKIP() << pg.Problem();
    const size_t n = 6;
    const std::vector<Kept>& games = KeptGames(n + 3);
    ASSERT_GE(games.size(), n + 3);
    TempDir dir;
    std::vector<std::string> extra = kOpen;
    extra.insert(extra.end(), {"--workers", "1"});
    ServerProcess a(dir.path, pg.Address(), extra, "a");
    ServerProcess b(dir.path, pg.Address(), extra, "b");
    ASSERT_TRUE(a.Start()) << a.Log();
    ASSERT_TRUE(b.Start()) << b.Log();
    std::vector<std::string> ids;
    for (size_t i = 0; i < n; ++i) {
        const Answer r = Submit(i % 2 ? b : a, games[i].bytes);
        ASSERT_EQ(r.status, 202) << r.body.dump();
        ids.push_back(r.body["id"]);
    }
    EXPECT_EQ(Submit(a, games[1].bytes).status, 200) << "the same bytes at the other server are the same run";
    for (size_t i = 0; i < n; ++i) {
        const json run = WaitFinal(i % 2 ? a : b, ids[i], kVerifyLimit);
        EXPECT_EQ(run["status"], "verified") << "either server answers for every run: " << run.dump();
        EXPECT_EQ(run["score"], games[i].score);
    }
    ExpectEachOnce(PostgresRows(pg.Address()), ids, 1);
    // Each verdict is said in exactly one server's log.
    const std::string logs = a.Log() + b.Log();
    for (const std::string& id : ids) {
        const std::regex said("run " + id + " verified");
        EXPECT_EQ(std::distance(std::sregex_iterator(logs.begin(), logs.end(), said), std::sregex_iterator()), 1) << id;
    }
    const Answer board = Get(b, "/api/v1/leaderboard?limit=100");
    EXPECT_EQ(board.body["total"], static_cast<int>(n)) << "one table for both";

    // One of them killed while verifying: the other goes on, and the killed
    // one, restarted, takes back what it held.
    std::vector<std::string> more;
    for (size_t i = n; i < n + 3; ++i) more.push_back(Submit(a, games[i].bytes).body["id"]);
    const std::string busy = WaitVerifying(a, more);
    ASSERT_FALSE(busy.empty());
    a.Kill(SIGKILL);
    ASSERT_TRUE(a.Start()) << a.Log();
    for (const std::string& id : more) EXPECT_EQ(WaitFinal(b, id, kVerifyLimit)["status"], "verified");
    const std::map<std::string, Row> rows = PostgresRows(pg.Address());
    for (const std::string& id : more) EXPECT_EQ(rows.at(id).verdicts, 1) << "judged once after the kill too";
}

}  // namespace
}  // namespace molfo::servertest
