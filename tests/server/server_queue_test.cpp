// The durable queue: a server killed with SIGKILL at any moment loses no
// accepted run and verifies none twice; two servers on one PostgreSQL
// database share a batch, each run verified exactly once.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <set>
#include <thread>

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
