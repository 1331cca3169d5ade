// The online table's API as a client sees it (molfo-server's README
// section "The online table"): a run sent, its verdict asked for, the top of
// the table read. The answers are read apart from the network, so that
// every status the table can give is tested without one.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "online/Http.h"

namespace molfo::online {

// The largest recording the table takes.
inline constexpr size_t kMaxRunBytes = 1024u * 1024u;

// `server` ("http://host:8090", with or without a path or a final slash)
// and an API path ("api/v1/runs").
std::string ApiUrl(const std::string& server, const std::string& path);
// Text for a URL's query, every byte but letters, digits and -_.~ escaped.
std::string QueryEscape(const std::string& text);

// What became of a run at the table's door.
struct Submitted {
    enum class Kind {
        Accepted,     // queued, or known from before: `id` and `status`
        Refused,      // the table will never take these bytes (not a recording, another version, ...)
        Busy,         // too many from here, or the table cannot take it now: try again later
        Unreachable,  // no answer, or none from a table
    };
    Kind kind = Kind::Unreachable;
    std::string id;
    std::string status;
    std::string error;     // the table's words, or the network's
    long retryAfter = -1;  // seconds the table asked to wait, when Busy
};
Submitted ReadSubmitted(const HttpAnswer& a);

// A run as the table tells it.
struct RunState {
    std::string id;
    std::string status;  // queued, verifying, verified, rejected
    std::string reason;  // rejected
    std::string name;
    std::string ended;  // gameover or ending, once verified
    int score = 0;
    int stage = 0;
    int64_t rank = 0;   // its place among the verified runs, once verified
    int64_t total = 0;  // how many verified runs there are
    bool Final() const { return status == "verified" || status == "rejected"; }
};
// False, with one line in `error`, when the answer is no run of the table's.
bool ReadRun(const HttpAnswer& a, RunState& out, std::string& error);

struct BoardRow {
    int64_t rank = 0;
    std::string id;
    std::string name;
    std::string ended;
    std::string verified;  // ISO 8601, UTC
    int score = 0;
    int stage = 0;
};
struct Board {
    std::vector<BoardRow> rows;
    int64_t total = 0;
};
bool ReadBoard(const HttpAnswer& a, Board& out, std::string& error);

// "1st", "2nd", "3rd", "4th", "11th", "12th", "13th", "21st", "112th".
std::string Ordinal(int64_t n);

// One table, reached over the network.
class Table {
public:
    Table(std::string server, const std::atomic<bool>* stop = nullptr) : server_(std::move(server)), http_(stop) {}

    const std::string& Server() const { return server_; }
    // The run's page in the API, for a player to look at.
    std::string RunUrl(const std::string& id) const { return ApiUrl(server_, "api/v1/runs/" + id); }

    Submitted Submit(std::span<const uint8_t> recording, const std::string& name);
    // False when the run could not be read: `unreachable` says whether the
    // table could not be asked at all (as opposed to a strange answer).
    bool Run(const std::string& id, RunState& out, std::string& error, bool& unreachable);
    bool Top(int limit, Board& out, std::string& error, bool& unreachable);

private:
    std::string server_;
    Http http_;
};

}  // namespace molfo::online
