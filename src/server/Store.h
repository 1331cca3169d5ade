// Where the runs live: SQLite on one host, or PostgreSQL shared by several.
// The queue is the table itself, so a run accepted is a row committed, and a
// server killed at any moment loses none.
//
// Every method throws StoreError when the database fails; the HTTP layer
// answers 503 and the workers wait and try again.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace molfo::server {

struct StoreError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kQueued = "queued";
inline constexpr const char* kVerifying = "verifying";
inline constexpr const char* kVerified = "verified";
inline constexpr const char* kRejected = "rejected";

struct Run {
    std::string id;
    std::string status;
    std::string reason;  // rejected only
    std::string name;
    int score = 0;
    int stage = 0;
    std::string ended;  // "gameover" or "ending" once verified
    int64_t frames = 0;
    std::string version;     // of the game that recorded it
    int64_t submittedMs = 0;  // Unix time in milliseconds
    int64_t verifiedMs = 0;   // when the verdict was reached; 0 before
};

struct Submission {
    std::string id;
    std::string name;
    std::string address;
    std::string version;
    std::vector<uint8_t> recording;
    int64_t nowMs = 0;
};

// A run taken off the queue by one worker. The token proves the claim is
// still this worker's when the verdict comes back.
struct Claim {
    std::string id;
    int64_t token = 0;
    std::vector<uint8_t> recording;
};

struct Verdict {
    bool verified = false;
    bool retry = false;  // the verifier itself could not run: no verdict on the run
    std::string reason;
    int score = 0;
    int stage = 0;
    std::string ended;
    int64_t frames = 0;
};

struct Board {
    std::vector<Run> runs;  // best first
    int64_t total = 0;      // verified runs in all
};

// A verified run's place in the table: `rank` of `total`, as the
// leaderboard orders them.
struct Place {
    int64_t rank = 0;  // 0: the run is not verified
    int64_t total = 0;
};

// The place of the verified run :id (a parameter written as the database
// writes them), and the count of verified runs, in one row.
std::string PlaceQuery(const std::string& idParameter);

class Store {
public:
    virtual ~Store() = default;

    // Adds the run, unless the same bytes came before: then `out` is that run
    // and the call returns false.
    virtual bool Submit(const Submission& s, Run& out) = 0;
    virtual std::optional<Run> Get(const std::string& id) = 0;
    virtual std::optional<std::vector<uint8_t>> Recording(const std::string& id) = 0;
    // Verified runs, highest score first, ties by earlier verification.
    virtual Board Leaderboard(int limit, int offset) = 0;
    virtual Place PlaceOf(const std::string& id) = 0;
    // Runs from this address still waiting or being verified.
    virtual int64_t Pending(const std::string& address) = 0;
    struct QueueLength {
        int64_t queued = 0;
        int64_t verifying = 0;
    };
    virtual QueueLength Length() = 0;

    // Takes the oldest queued run for `owner`, leased until `leaseUntilMs`;
    // several servers sharing a database never take the same run.
    virtual std::optional<Claim> Take(const std::string& owner, int64_t nowMs, int64_t leaseUntilMs) = 0;
    // Records the verdict while the claim holds; false when it was lost (the
    // lease ran out and another took the run), and nothing changes.
    virtual bool Finish(const std::string& id, int64_t token, const Verdict& v, int64_t nowMs) = 0;
    // Puts back on the queue what `owner` was verifying when it stopped, and
    // every run whose lease ran out. Returns how many.
    virtual int64_t Requeue(const std::string& owner, int64_t nowMs) = 0;
};

// `where`: a file name for SQLite (made, with its folder, on first use), or a
// postgresql:// or postgres:// address. Throws StoreError.
std::unique_ptr<Store> OpenStore(const std::string& where);
bool IsPostgresAddress(const std::string& where);

std::unique_ptr<Store> OpenSqlite(const std::string& path);
std::unique_ptr<Store> OpenPostgres(const std::string& address);

}  // namespace molfo::server
