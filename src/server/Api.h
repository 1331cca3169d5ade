// The online table's HTTP API and its page:
//
//   POST /api/v1/runs?name=NAME          a recording as the body: 202 queued
//   GET  /api/v1/runs/ID                 the run and its verdict
//   GET  /api/v1/runs/ID/recording       the recording, byte for byte
//   GET  /api/v1/leaderboard?limit=N&offset=M
//   GET  /healthz   GET /metrics   GET /   GET /play/... (with --page)
//
// Errors are {"error": "one line"} with a fitting status.
#pragma once

#include <string>

#include "server/HttpServer.h"
#include "server/Metrics.h"
#include "server/RateLimit.h"
#include "server/Store.h"
#include "server/Workers.h"

namespace molfo::server {

struct ApiOptions {
    std::string version;       // the game the verifiers run
    std::string pageDir;       // the browser page, served under /play/; empty: none
    std::string defaultName;
    double submitPerMinute = 6;
    double submitBurst = 10;
    int pendingPerAddress = 5;
    bool behindProxy = false;  // the sender is the last X-Forwarded-For address
};

class Api {
public:
    Api(ApiOptions options, Store& store, Workers& workers, Metrics& metrics);
    // Registers the routes and the handlers around them. False when the page
    // folder cannot be served.
    bool Mount(HttpServer& http);

private:
    int Admit(const httplib::Request& req, httplib::Response& res);
    void Submit(const httplib::Request& req, httplib::Response& res);
    void GetRun(const httplib::Request& req, httplib::Response& res);
    void GetRecording(const httplib::Request& req, httplib::Response& res);
    void Leaderboard(const httplib::Request& req, httplib::Response& res);
    void Page(const httplib::Request& req, httplib::Response& res);
    std::string Sender(const httplib::Request& req) const;

    ApiOptions o_;
    Store& store_;
    Workers& workers_;
    Metrics& metrics_;
    RateLimit rate_;
};

// Parts of the answers, apart for testing.
std::string IsoTime(int64_t unixMs);
// "limit" and "offset" of the leaderboard: false when not whole numbers in range.
bool ParsePaging(const std::string& limit, const std::string& offset, int& outLimit, int& outOffset);
inline constexpr int kDefaultLimit = 20;
inline constexpr int kMaxLimit = 100;
// The table as a page: no script, no outside request.
std::string TablePage(const Board& board, int offset, int limit, bool watch);

}  // namespace molfo::server
