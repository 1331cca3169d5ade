// molfo-server end to end: a real server on 127.0.0.1 with a real SQLite
// file, the game's own headless program as its verifier.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Forge.h"
#include "ServerHarness.h"
#include "replay/ReplayFile.h"

namespace molfo::servertest {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

// Generous: many helpers share this machine's two cores.
constexpr auto kVerifyLimit = 120s;
const std::vector<std::string> kOpen = {"--submit-burst", "1000", "--submit-rate", "6000", "--pending-per-address", "1000"};

TEST(ServerApi, AKeptGameIsVerifiedListedAndGivenBack) {
    const std::vector<Kept>& games = KeptGames(2);
    ASSERT_GE(games.size(), 2u) << "the headless game keeps its games as replays";
    TempDir dir;
    std::filesystem::create_directories(dir.path + "/page");
    std::ofstream(dir.path + "/page/index.html") << "the page";
    std::vector<std::string> extra = kOpen;
    extra.insert(extra.end(), {"--workers", "1", "--page", dir.path + "/page"});
    ServerProcess server(dir.path, dir.path + "/db/runs.sqlite", extra);
    ASSERT_TRUE(server.Start()) << server.Log();

    const Kept& game = games[0];
    const Answer queued = Submit(server, game.bytes, "?name=%E3%82%82%E3%82%8B%E3%81%B5%E3%81%89%0Ax");
    ASSERT_EQ(queued.status, 202) << queued.body.dump();
    EXPECT_EQ(queued.body["status"], "queued") << "a run is queued, not ranked, when it arrives";
    const std::string id = queued.body["id"];

    const json run = WaitFinal(server, id, kVerifyLimit);
    ASSERT_EQ(run["status"], "verified") << run.dump() << server.Log();
    EXPECT_EQ(run["score"], game.score) << "the score is the one the game itself reached and named the replay by";
    EXPECT_EQ(run["ended"], "gameover");
    EXPECT_EQ(run["stage"], 1);
    EXPECT_GT(run["frames"].get<int>(), 300);
    EXPECT_EQ(run["name"], "もるふぉ?x") << "the ranking's own name rule: a control character shows as '?'";
    EXPECT_EQ(run["version"], HeaderOf(game.bytes).programVersion);
    EXPECT_FALSE(run.contains("reason")) << "only a rejected run has a reason";

    const Answer again = Submit(server, game.bytes, "?name=other");
    EXPECT_EQ(again.status, 200) << "the same bytes again are the same run";
    EXPECT_EQ(again.body["id"], id);
    EXPECT_EQ(again.body["status"], "verified");

    const Answer second = Submit(server, games[1].bytes, "");
    ASSERT_EQ(second.status, 202);
    const json other = WaitFinal(server, second.body["id"], kVerifyLimit);
    ASSERT_EQ(other["status"], "verified") << other.dump();
    EXPECT_EQ(other["name"], "anonymous") << "no name given: the server's default";

    const bool firstIsHigher = games[0].score >= games[1].score;
    EXPECT_EQ(WaitFinal(server, id, kVerifyLimit)["rank"], firstIsHigher ? 1 : 2) << "a verified run tells its place";
    EXPECT_EQ(other["rank"], firstIsHigher ? 2 : 1) << "ties go to the earlier verification";
    EXPECT_EQ(other["total"], 2) << "and how many verified runs there are";
    EXPECT_TRUE(queued.body.is_object() && !queued.body.contains("rank")) << "a queued answer has no place";

    const Answer board = Get(server, "/api/v1/leaderboard?limit=1");
    ASSERT_EQ(board.status, 200);
    EXPECT_EQ(board.body["total"], 2);
    ASSERT_EQ(board.body["runs"].size(), 1u) << "limit is obeyed";
    const bool firstHigher = games[0].score >= games[1].score;
    const json& top = board.body["runs"][0];
    EXPECT_EQ(top["rank"], 1);
    EXPECT_EQ(top["id"], firstHigher ? id : second.body["id"].get<std::string>()) << "highest score first";
    EXPECT_EQ(top["score"], std::max(games[0].score, games[1].score));
    const Answer page2 = Get(server, "/api/v1/leaderboard?limit=1&offset=1");
    ASSERT_EQ(page2.body["runs"].size(), 1u);
    EXPECT_EQ(page2.body["runs"][0]["rank"], 2) << "ranks count from the offset";

    auto c = server.Client();
    const auto back = c.Get(("/api/v1/runs/" + id + "/recording").c_str());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->status, 200);
    EXPECT_TRUE(back->body == std::string(game.bytes.begin(), game.bytes.end())) << "the recording comes back byte for byte";

    const auto page = c.Get("/");
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("もるふぉ?x"), std::string::npos) << "the page lists the run by name";
    EXPECT_NE(page->body.find("/play/?replay=%2Fapi%2Fv1%2Fruns%2F" + id + "%2Frecording"), std::string::npos)
        << "with --page each run has a Watch link to its recording";
    EXPECT_EQ(page->body.find("http"), std::string::npos) << "the page asks nothing of another site";
    const auto play = c.Get("/play/index.html");
    ASSERT_TRUE(play);
    EXPECT_EQ(play->body, "the page") << "--page is served under /play/";

    const auto metrics = c.Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_NE(metrics->body.find("molfo_runs_verified_total 2"), std::string::npos) << metrics->body;
    EXPECT_NE(metrics->body.find("route=\"POST /api/v1/runs\",status=\"202\"} 2"), std::string::npos) << metrics->body;
    EXPECT_NE(metrics->body.find("molfo_verification_seconds_count 2"), std::string::npos);
    EXPECT_NE(metrics->body.find("molfo_queue_runs{status=\"queued\"} 0"), std::string::npos);
    EXPECT_EQ(Get(server, "/healthz").status, 200);
}

// Every refusal the server can give at the door, each with its status and a
// one-line error.
TEST(ServerApi, RequestsItCannotTakeAreRefusedWithTheirStatus) {
    const Kept& game = KeptGames(1)[0];
    TempDir dir;
    const std::string other = StandIn(dir.path, "9.9.9", "exit 0");
    std::vector<std::string> extra = kOpen;
    extra.insert(extra.end(), {"--workers", "1", "--game", other});
    ServerProcess server(dir.path, dir.path + "/runs.sqlite", extra);
    ASSERT_TRUE(server.Start()) << server.Log();
    struct Case {
        const char* what;
        std::string method, path;
        Bytes body;
        int status;
        const char* says;
    } cases[] = {
        {"another version of the game", "POST", "/api/v1/runs", game.bytes, 422, "this server verifies molfo 9.9.9"},
        {"not a recording", "POST", "/api/v1/runs", Bytes(100, 'x'), 400, "not a recording"},
        {"an empty body", "POST", "/api/v1/runs", Bytes(), 400, "not a recording"},
        {"an unknown run", "GET", "/api/v1/runs/0123456789abcdef0123456789abcdef", {}, 404, "no run"},
        {"a malformed id", "GET", "/api/v1/runs/NOT-AN-ID", {}, 404, "no run"},
        {"an unknown run's recording", "GET", "/api/v1/runs/0123456789abcdef0123456789abcdef/recording", {}, 404, "no run"},
        {"a limit that is not a number", "GET", "/api/v1/leaderboard?limit=ten", {}, 400, "limit"},
        {"a negative offset", "GET", "/api/v1/leaderboard?offset=-1", {}, 400, "offset"},
        {"no such route", "GET", "/api/v2/runs", {}, 404, "not found"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto c = server.Client();
        const auto r = k.method == "POST"
                           ? c.Post(k.path.c_str(), std::string(k.body.begin(), k.body.end()), "application/octet-stream")
                           : c.Get(k.path.c_str());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, k.status);
        const json body = json::parse(r->body, nullptr, false);
        ASSERT_TRUE(body.is_object() && body.contains("error")) << r->body;
        EXPECT_NE(body["error"].get<std::string>().find(k.says), std::string::npos) << r->body;
        EXPECT_EQ(body["error"].get<std::string>().find('\n'), std::string::npos) << "one line";
    }
    EXPECT_NE(Submit(server, game.bytes).body["error"].get<std::string>().find("recorded by molfo " + HeaderOf(game.bytes).programVersion),
              std::string::npos)
        << "422 names both versions";
}

}  // namespace
}  // namespace molfo::servertest
