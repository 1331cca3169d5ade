// The game's side of the online table against a stand-in table on
// 127.0.0.1 that answers as the test tells it: --submit's exit statuses,
// and the window's sender with its outbox.
#include <gtest/gtest.h>
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "online/Commands.h"
#include "online/Outbox.h"
#include "online/Sender.h"
#include "online/Table.h"
#include "replay/ReplayFile.h"

namespace molfo::online {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

void Json(httplib::Response& res, int status, const std::string& body) {
    res.status = status;
    res.set_content(body, "application/json");
}

// A table that answers POST /api/v1/runs and GET /api/v1/runs/ID with the
// test's handlers, and notes the names sent and when.
struct StandIn {
    httplib::Server http;
    std::thread thread;
    int port = 0;
    std::mutex m;
    Handler post, get;
    std::vector<std::string> names;
    std::vector<Clock::time_point> posted;

    StandIn() {
        http.Post("/api/v1/runs", [this](const httplib::Request& req, httplib::Response& res) {
            Handler h;
            {
                std::lock_guard<std::mutex> l(m);
                names.push_back(req.has_param("name") ? req.get_param_value("name") : "(none)");
                posted.push_back(Clock::now());
                h = post;
            }
            h(req, res);
        });
        http.Get(R"(/api/v1/runs/([A-Za-z0-9]+))", [this](const httplib::Request& req, httplib::Response& res) {
            Handler h;
            {
                std::lock_guard<std::mutex> l(m);
                h = get;
            }
            h(req, res);
        });
        port = http.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { http.listen_after_bind(); });
        // Stopped before it runs, the server would never stop.
        while (!http.is_running()) std::this_thread::sleep_for(1ms);
    }
    ~StandIn() {
        http.stop();
        thread.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port); }
    void Answer(Handler p, Handler g) {
        std::lock_guard<std::mutex> l(m);
        post = std::move(p);
        get = std::move(g);
    }
    size_t Posts() {
        std::lock_guard<std::mutex> l(m);
        return posted.size();
    }
};

Handler Queued() {
    return [](const httplib::Request&, httplib::Response& res) { Json(res, 202, R"({"id":"r1","status":"queued"})"); };
}
Handler Verified() {
    return [](const httplib::Request&, httplib::Response& res) {
        Json(res, 200, R"({"id":"r1","status":"verified","score":1234,"stage":2,"ended":"gameover","rank":12,"total":340})");
    };
}
Handler Says(int status, const std::string& body) {
    return [status, body](const httplib::Request&, httplib::Response& res) { Json(res, status, body); };
}

// A recording the reader takes: one check, the name typed "ab".
std::vector<uint8_t> Recording(int practiceStage = 1) {
    replay::Header h;
    h.programVersion = MOLFO_VERSION;
    h.practiceStage = practiceStage;
    replay::Writer w(h);
    w.Tick(16);
    w.Answer("ab");
    w.EndChunk(1, 42, true);
    return w.Pending();
}

// A port nothing listens on: one a stand-in had, closed.
int ClosedPort() {
    StandIn gone;
    return gone.port;
}

TEST(OnlineSubmit, EachOutcomeHasItsExitStatusAndOneLine) {
    test::Scratch s("online-submit");
    const std::vector<uint8_t> rec = Recording();
    const std::string good = s.Make("good.mrec", std::string(rec.begin(), rec.end()));
    const std::vector<uint8_t> practice = Recording(3);
    const std::string practiceFile = s.Make("practice.mrec", std::string(practice.begin(), practice.end()));
    const std::string junk = s.Make("junk.mrec", "not a recording");
    StandIn table;
    const std::string down = "http://127.0.0.1:" + std::to_string(ClosedPort());
    struct Case {
        const char* rule;
        std::string file, server;
        Handler post, get;
        int status;
        const char* says;  // in the one line, on stdout for a verdict, else on stderr
    } cases[] = {
        {"verified", good, table.Url(), Queued(), Verified(), kExitVerified, "verified: 1234 points, stage 2, game over; 12th of 340"},
        {"rejected", good, table.Url(), Queued(),
         Says(200, R"({"id":"r1","status":"rejected","reason":"the state differs at frame 9"})"), kExitRejected,
         "rejected: the state differs at frame 9"},
        {"no table named", good, "", Queued(), Verified(), kExitBadInput, "no online table is named"},
        {"an address of no table", good, "ftp://127.0.0.1/", Queued(), Verified(), kExitBadInput, "not an http://"},
        {"not a recording", junk, table.Url(), Queued(), Verified(), kExitBadInput, "junk.mrec"},
        {"no file", s.root.string() + "/none.mrec", table.Url(), Queued(), Verified(), kExitBadInput, "none.mrec"},
        {"a practice start", practiceFile, table.Url(), Queued(), Verified(), kExitBadInput, "practice"},
        {"refused by the table", good, table.Url(), Says(422, R"({"error":"recorded by 0.0.9"})"), Verified(),
         kExitBadInput, "refused the run: recorded by 0.0.9"},
        {"the table's own trouble", good, table.Url(), Says(503, ""), Verified(), kExitUnreachable, "cannot take the run now"},
        {"no table there", good, table.Url() + "/elsewhere", Says(404, "no"), Verified(), kExitUnreachable,
         "no online table answers there"},
        {"nothing listening", good, down, Queued(), Verified(), kExitUnreachable, "cannot reach the online table"},
        {"no verdict within the wait", good, table.Url(), Queued(), Says(200, R"({"id":"r1","status":"verifying"})"),
         kExitUndecided, "/api/v1/runs/r1"},
    };
    for (const Case& c : cases) {
        table.Answer(c.post, c.get);
        SubmitRequest r;
        r.file = c.file;
        r.server = c.server;
        r.wait = 400ms;
        r.pollEvery = 50ms;
        std::ostringstream out, err;
        EXPECT_EQ(SubmitRun(r, out, err), c.status) << c.rule << ": " << err.str();
        const std::string& line = c.status <= kExitRejected ? out.str() : err.str();
        EXPECT_NE(line.find(c.says), std::string::npos) << c.rule << ": " << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << c.rule << ": one line: " << line;
        EXPECT_EQ((c.status <= kExitRejected ? err : out).str(), "") << c.rule << ": nothing more";
    }
    // The name: the one typed in the game, or the one given.
    table.Answer(Queued(), Verified());
    std::ostringstream out, err;
    SubmitRequest r{good, table.Url(), "", false, 1s, 50ms};
    ASSERT_EQ(SubmitRun(r, out, err), kExitVerified);
    r.name = "もるふぉ";
    r.nameGiven = true;
    ASSERT_EQ(SubmitRun(r, out, err), kExitVerified);
    std::lock_guard<std::mutex> l(table.m);
    ASSERT_GE(table.names.size(), 2u);
    EXPECT_EQ(table.names[table.names.size() - 2], "ab") << "the name typed for the ranking in that game";
    EXPECT_EQ(table.names.back(), "もるふぉ") << "or the one given, escaped and read back whole";
}

// A sender as the window starts one, its waits short.
Sender::Options Quick(const std::string& server, const std::string& outbox) {
    Sender::Options o;
    o.server = server;
    o.outbox = outbox;
    o.backoff = {40ms, 320ms};
    o.pollEvery = 20ms;
    o.verdictWait = 2s;
    return o;
}

std::optional<Verdict> WaitVerdict(Sender& s, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (std::optional<Verdict> v = s.TakeVerdict()) return v;
        std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
}

TEST(OnlineSender, ARunWaitsInTheOutboxUntilTheTableHasJudgedIt) {
    test::Scratch s("online-sender");
    const std::string outbox = (s.root / "outbox").string() + "/";
    StandIn table;
    // The table is busy four times, then takes the run and verifies it.
    std::atomic<int> busy{4};
    table.Answer(
        [&busy](const httplib::Request& req, httplib::Response& res) {
            if (busy.fetch_sub(1) > 0) return Json(res, 503, "");
            Json(res, req.body.size() == Recording().size() ? 202 : 400, R"({"id":"r1","status":"queued"})");
        },
        Verified());
    {
        Sender sender(Quick(table.Url(), outbox));
        sender.Send("2026-12-09_100000_1234pts_stage2.mrec", Recording(), "ab");
        const std::optional<Verdict> v = WaitVerdict(sender, 10s);
        ASSERT_TRUE(v.has_value()) << "a verdict comes once the table takes the run";
        EXPECT_EQ(v->kind, Verdict::Kind::Verified);
        EXPECT_EQ(v->rank, 12);
        EXPECT_EQ(v->total, 340);
        EXPECT_EQ(v->file, "2026-12-09_100000_1234pts_stage2.mrec");
        EXPECT_TRUE(Outbox(outbox).List().empty()) << "a run judged leaves the outbox";
    }
    std::lock_guard<std::mutex> l(table.m);
    ASSERT_EQ(table.posted.size(), 5u) << "tried until taken, and no more";
    EXPECT_EQ(table.names.back(), "ab");
    std::vector<long> gaps;
    for (size_t i = 1; i < table.posted.size(); ++i)
        gaps.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(table.posted[i] - table.posted[i - 1]).count());
    const long want[] = {40, 80, 160, 320};
    for (size_t i = 0; i < gaps.size(); ++i) EXPECT_GE(gaps[i], want[i]) << "try " << i + 2 << " waits its turn";
}

TEST(OnlineSender, WhatWaitedIsSentAtTheNextStartAndWhatIsRefusedLeaves) {
    test::Scratch s("online-sender-start");
    const std::string outbox = (s.root / "outbox").string() + "/";
    const int down = ClosedPort();
    {
        Sender sender(Quick("http://127.0.0.1:" + std::to_string(down), outbox));
        sender.Send("2026-12-09_100000_10pts_stage1.mrec", Recording(), "ab");
        sender.Send("2026-12-09_100001_20pts_stage1.mrec", Recording(), "");
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(sender.TakeVerdict().has_value()) << "no table, no verdict";
    }
    ASSERT_EQ(Outbox(outbox).List().size(), 2u) << "both wait in the outbox past the program's end";

    StandIn table;
    table.Answer(
        [](const httplib::Request& req, httplib::Response& res) {
            if (req.has_param("name")) return Json(res, 202, R"({"id":"r1","status":"queued"})");
            Json(res, 400, R"({"error":"not a recording"})");
        },
        Verified());
    Sender sender(Quick(table.Url(), outbox));
    std::vector<Verdict::Kind> kinds;
    for (int i = 0; i < 2; ++i)
        if (const std::optional<Verdict> v = WaitVerdict(sender, 5s)) kinds.push_back(v->kind);
    EXPECT_EQ(kinds, (std::vector<Verdict::Kind>{Verdict::Kind::Verified, Verdict::Kind::Refused}))
        << "oldest first, each told; nothing handed over, both sent at the start";
    EXPECT_TRUE(Outbox(outbox).List().empty()) << "a run the table refuses is not tried again";
}

TEST(OnlineSender, EndingCutsATransferShortAndKeepsTheRun) {
    test::Scratch s("online-sender-stop");
    const std::string outbox = (s.root / "outbox").string() + "/";
    StandIn table;
    std::atomic<bool> release{false};
    table.Answer(
        [&release](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 100 && !release; ++i) std::this_thread::sleep_for(50ms);
            Json(res, 503, "");
        },
        Verified());
    auto sender = std::make_unique<Sender>(Quick(table.Url(), outbox));
    sender->Send("2026-12-09_100000_10pts_stage1.mrec", Recording(), "ab");
    while (table.Posts() == 0) std::this_thread::sleep_for(10ms);
    const auto start = Clock::now();
    sender.reset();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    release = true;
    EXPECT_LT(took, 2000) << "the program's end never waits on the table";
    EXPECT_EQ(Outbox(outbox).List().size(), 1u) << "the run cut short waits for the next start";
    // A game handed over as the program ends is not lost either.
    Sender(Quick(table.Url(), outbox)).Send("2026-12-09_100001_20pts_stage1.mrec", Recording(), "ab");
    EXPECT_EQ(Outbox(outbox).List().size(), 2u) << "the game kept last waits for the next start";
}

// HTTPS is spoken, and a table's certificate checked: one signed by
// nobody the system trusts is refused, the run then waiting like any other
// that could not be sent.
TEST(OnlineTable, HttpsIsSpokenAndTheTablesCertificateChecked) {
    EVP_PKEY* key = EVP_RSA_gen(2048);
    ASSERT_NE(key, nullptr);
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    ASSERT_GT(X509_sign(cert, key, EVP_sha256()), 0);
    int posts = 0;
    {
        httplib::SSLServer https(cert, key);
        ASSERT_TRUE(https.is_valid());
        https.Post("/api/v1/runs", [&posts](const httplib::Request&, httplib::Response& res) {
            ++posts;
            Json(res, 202, R"({"id":"r1","status":"queued"})");
        });
        const int port = https.bind_to_any_port("127.0.0.1");
        std::thread t([&https] { https.listen_after_bind(); });
        while (!https.is_running()) std::this_thread::sleep_for(1ms);
        const Submitted s = Table("https://127.0.0.1:" + std::to_string(port)).Submit(Recording(), "ab");
        https.stop();
        t.join();
        EXPECT_EQ(s.kind, Submitted::Kind::Unreachable) << s.error;
        EXPECT_NE(s.error.find("certificate"), std::string::npos) << "the handshake took place and refused it: " << s.error;
    }
    EXPECT_EQ(posts, 0) << "nothing is sent to a table that is not who it says";
    EXPECT_TRUE(SpeaksHttps());
    X509_free(cert);
    EVP_PKEY_free(key);
}

}  // namespace
}  // namespace molfo::online
