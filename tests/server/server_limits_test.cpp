// The server's defences against its clients: a body too large is refused
// before it is read, senders are rate-limited with Retry-After, and a slow
// client is cut off without holding up the others.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "Forge.h"
#include "ServerHarness.h"

namespace molfo::servertest {
namespace {

using namespace std::chrono_literals;

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What arrives within `limit`, until the server closes the connection.
std::string ReadUntilClosed(int fd, std::chrono::milliseconds limit, bool& closed) {
    std::string got;
    closed = false;
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            closed = true;
            break;
        }
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

TEST(ServerLimits, ABodyTooLargeIsRefusedBeforeItIsSent) {
    TempDir dir;
    ServerProcess server(dir.path, dir.path + "/runs.sqlite", {"--workers", "1"});
    ASSERT_TRUE(server.Start()) << server.Log();
    struct Case {
        const char* what;
        std::string head;
    } cases[] = {
        {"a plain POST", "POST /api/v1/runs HTTP/1.1\r\nHost: x\r\nContent-Length: 104857600\r\n\r\n"},
        {"one that waits for 100-continue",
         "POST /api/v1/runs HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 1048577\r\n\r\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const int fd = Connect(server.Port());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, k.head.data(), k.head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(k.head.size()));
        bool closed = false;
        // Not one byte of the body is sent: the answer must come anyway.
        const std::string answer = ReadUntilClosed(fd, 5s, closed);
        ::close(fd);
        EXPECT_EQ(answer.rfind("HTTP/1.1 413", 0), 0u) << answer;
        EXPECT_NE(answer.find("at most 1048576 bytes"), std::string::npos) << answer;
        EXPECT_TRUE(closed) << "the connection is closed: the unread body is never taken for a request";
    }
    auto c = server.Client();
    const auto r = c.Post("/api/v1/runs", std::string(1024 * 1024 + 1, 'x'), "application/octet-stream");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 413) << "one byte past 1 MiB";
}

TEST(ServerLimits, SendersAreHeldToTheirRateAndToTheirWaitingRuns) {
    const std::vector<Kept>& games = KeptGames(4);
    TempDir dir;
    // A verifier that never finishes keeps every run waiting.
    const std::string standIn = StandIn(dir.path, HeaderOf(games[0].bytes).programVersion, "sleep 600");
    {
        ServerProcess server(dir.path, dir.path + "/rate.sqlite",
                             {"--workers", "1", "--game", standIn, "--submit-rate", "1", "--submit-burst", "2",
                              "--pending-per-address", "100"},
                             "rate");
        ASSERT_TRUE(server.Start()) << server.Log();
        EXPECT_EQ(Submit(server, games[0].bytes).status, 202);
        EXPECT_EQ(Submit(server, games[1].bytes).status, 202) << "a burst of two is allowed";
        const Answer third = Submit(server, games[2].bytes);
        EXPECT_EQ(third.status, 429) << "the third within the minute is too many";
        ASSERT_FALSE(third.retryAfter.empty());
        const int wait = std::stoi(third.retryAfter);
        EXPECT_GE(wait, 55) << "one token a minute: the next comes in about a minute";
        EXPECT_LE(wait, 60);
        EXPECT_EQ(Submit(server, Bytes(10, 'x')).status, 429) << "refused before the body is looked at";
    }
    {
        ServerProcess server(dir.path, dir.path + "/pending.sqlite",
                             {"--workers", "1", "--game", standIn, "--submit-burst", "100", "--pending-per-address", "2"},
                             "pending");
        ASSERT_TRUE(server.Start()) << server.Log();
        EXPECT_EQ(Submit(server, games[0].bytes).status, 202);
        EXPECT_EQ(Submit(server, games[1].bytes).status, 202);
        const Answer third = Submit(server, games[2].bytes);
        EXPECT_EQ(third.status, 429) << "two runs of this address wait already";
        EXPECT_FALSE(third.retryAfter.empty());
        EXPECT_NE(third.body.value("error", "").find("wait for verification"), std::string::npos);
    }
}

TEST(ServerLimits, ASlowClientIsCutOffWhileOthersAreServed) {
    TempDir dir;
    ServerProcess server(dir.path, dir.path + "/runs.sqlite", {"--workers", "1", "--client-timeout", "2"});
    ASSERT_TRUE(server.Start()) << server.Log();
    struct Case {
        const char* what;
        std::string sent;  // trickled a byte at a time
    } cases[] = {
        {"headers a byte at a time", "GET /api/v1/leaderboard HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
        {"a body a byte at a time", "POST /api/v1/runs HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\nMOLFOREC..........................."},
        {"nothing at all", ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const int fd = Connect(server.Port());
        ASSERT_GE(fd, 0);
        const auto start = std::chrono::steady_clock::now();
        bool cut = false;
        for (size_t i = 0; i < 200 && !cut; ++i) {
            if (i < k.sent.size() && ::send(fd, &k.sent[i], 1, MSG_NOSIGNAL) != 1) cut = true;
            // Every byte comes well within any per-read timeout.
            bool closed = false;
            ReadUntilClosed(fd, 100ms, closed);
            cut = cut || closed;
            if (i == 3) {
                EXPECT_EQ(Get(server, "/healthz").status, 200) << "others are served meanwhile";
            }
        }
        const auto took = std::chrono::steady_clock::now() - start;
        ::close(fd);
        EXPECT_TRUE(cut) << "the server closed the connection";
        EXPECT_GE(took, 1500ms) << "not before its time";
        EXPECT_LT(took, 6s) << "within the client timeout of 2 s, give or take";
    }
}

}  // namespace
}  // namespace molfo::servertest
