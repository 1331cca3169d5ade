// The runs in PostgreSQL, shared by every server that names the same
// database. A worker takes a run with SKIP LOCKED, so two servers never take
// the same one and neither waits for the other; a lease brings back the runs
// of a server that died and never returned.
#include <libpq-fe.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "server/Pool.h"
#include "server/Store.h"

namespace molfo::server {

namespace {

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS runs (
    seq BIGSERIAL PRIMARY KEY,
    id TEXT NOT NULL UNIQUE,
    status TEXT NOT NULL,
    reason TEXT NOT NULL DEFAULT '',
    name TEXT NOT NULL,
    address TEXT NOT NULL,
    score INTEGER NOT NULL DEFAULT 0,
    stage INTEGER NOT NULL DEFAULT 0,
    ended TEXT NOT NULL DEFAULT '',
    frames BIGINT NOT NULL DEFAULT 0,
    version TEXT NOT NULL,
    submitted_ms BIGINT NOT NULL,
    verified_ms BIGINT NOT NULL DEFAULT 0,
    owner TEXT NOT NULL DEFAULT '',
    token BIGINT NOT NULL DEFAULT 0,
    lease_until_ms BIGINT NOT NULL DEFAULT 0,
    claims INTEGER NOT NULL DEFAULT 0,
    verdicts INTEGER NOT NULL DEFAULT 0,
    recording BYTEA NOT NULL
);
CREATE INDEX IF NOT EXISTS runs_board ON runs (status, score DESC, verified_ms, seq);
CREATE INDEX IF NOT EXISTS runs_queue ON runs (status, seq);
CREATE INDEX IF NOT EXISTS runs_address ON runs (address, status);
CREATE SEQUENCE IF NOT EXISTS run_tokens;
)";

constexpr const char* kRunColumns =
    "id, status, reason, name, score, stage, ended, frames, version, submitted_ms, verified_ms";

// A result that frees itself.
class Result {
public:
    explicit Result(PGresult* r) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(Result&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    PGresult* get() const { return r_; }
    int Rows() const { return PQntuples(r_); }
    std::string Text(int row, int col) const { return PQgetvalue(r_, row, col); }
    int64_t Int(int row, int col) const { return std::stoll(PQgetvalue(r_, row, col)); }
    std::vector<uint8_t> Bytes(int row, int col) const {
        const auto* p = reinterpret_cast<const uint8_t*>(PQgetvalue(r_, row, col));
        return std::vector<uint8_t>(p, p + PQgetlength(r_, row, col));
    }
    int64_t Changed() const {
        const char* n = PQcmdTuples(r_);
        return *n ? std::stoll(n) : 0;
    }

private:
    PGresult* r_;
};

Run ReadRun(const Result& r, int row) {
    Run run;
    run.id = r.Text(row, 0);
    run.status = r.Text(row, 1);
    run.reason = r.Text(row, 2);
    run.name = r.Text(row, 3);
    run.score = static_cast<int>(r.Int(row, 4));
    run.stage = static_cast<int>(r.Int(row, 5));
    run.ended = r.Text(row, 6);
    run.frames = r.Int(row, 7);
    run.version = r.Text(row, 8);
    run.submittedMs = r.Int(row, 9);
    run.verifiedMs = r.Int(row, 10);
    return run;
}

// Parameters as text, or as bytes for a recording.
struct Param {
    std::string text;
    const std::vector<uint8_t>* bytes = nullptr;
    Param(std::string t) : text(std::move(t)) {}            // NOLINT: implicit on purpose
    Param(const char* t) : text(t) {}                       // NOLINT
    Param(int64_t v) : text(std::to_string(v)) {}           // NOLINT
    Param(const std::vector<uint8_t>& b) : bytes(&b) {}     // NOLINT
};

class PgStore final : public Store {
public:
    explicit PgStore(const std::string& address)
        : address_(address),
          pool_([this] { return Connect(); }, [](PGconn* c) { PQfinish(c); },
                // A connection the server closed (a restart of the database) is made anew.
                [](PGconn* c) {
                    if (PQstatus(c) != CONNECTION_OK) PQreset(c);
                }) {
        Lease c(pool_);
        // Servers starting together must not race to make the table.
        Query(c.get(), "SELECT pg_advisory_lock(7274)", {});
        try {
            Result r(PQexec(c.get(), kSchema));
            Check(c.get(), r, "making the table");
        } catch (...) {
            Query(c.get(), "SELECT pg_advisory_unlock(7274)", {});
            throw;
        }
        Query(c.get(), "SELECT pg_advisory_unlock(7274)", {});
    }

    bool Submit(const Submission& s, server::Run& out) override {
        Lease c(pool_);
        const Result ins = Query(c.get(),
                               "INSERT INTO runs (id, status, name, address, version, submitted_ms, recording) "
                               "VALUES ($1, 'queued', $2, $3, $4, $5, $6) ON CONFLICT (id) DO NOTHING",
                               {s.id, s.name, s.address, s.version, s.nowMs, s.recording});
        const bool added = ins.Changed() == 1;
        auto run = GetWith(c.get(), s.id);
        if (!run) throw StoreError("the database lost a run it had just taken");
        out = *run;
        return added;
    }

    std::optional<server::Run> Get(const std::string& id) override {
        Lease c(pool_);
        return GetWith(c.get(), id);
    }

    std::optional<std::vector<uint8_t>> Recording(const std::string& id) override {
        Lease c(pool_);
        const Result r = Query(c.get(), "SELECT recording FROM runs WHERE id = $1", {id}, true);
        if (r.Rows() == 0) return std::nullopt;
        return r.Bytes(0, 0);
    }

    Board Leaderboard(int limit, int offset) override {
        Lease c(pool_);
        Board b;
        const Result r = Query(c.get(),
                             std::string("SELECT ") + kRunColumns +
                                 " FROM runs WHERE status = 'verified' ORDER BY score DESC, verified_ms, seq "
                                 "LIMIT $1 OFFSET $2",
                             {int64_t{limit}, int64_t{offset}});
        for (int i = 0; i < r.Rows(); ++i) b.runs.push_back(ReadRun(r, i));
        const Result n = Query(c.get(), "SELECT COUNT(*) FROM runs WHERE status = 'verified'", {});
        b.total = n.Int(0, 0);
        return b;
    }

    Place PlaceOf(const std::string& id) override {
        Lease c(pool_);
        const Result r = Query(c.get(), PlaceQuery("$1"), {id});
        if (r.Rows() == 0) return {};
        return {r.Int(0, 0), r.Int(0, 1)};
    }

    int64_t Pending(const std::string& address) override {
        Lease c(pool_);
        const Result r = Query(c.get(), "SELECT COUNT(*) FROM runs WHERE address = $1 AND status IN ('queued', 'verifying')",
                             {address});
        return r.Int(0, 0);
    }

    QueueLength Length() override {
        Lease c(pool_);
        QueueLength q;
        const Result r =
            Query(c.get(), "SELECT status, COUNT(*) FROM runs WHERE status IN ('queued', 'verifying') GROUP BY status", {});
        for (int i = 0; i < r.Rows(); ++i) (r.Text(i, 0) == kQueued ? q.queued : q.verifying) = r.Int(i, 1);
        return q;
    }

    std::optional<Claim> Take(const std::string& owner, int64_t, int64_t leaseUntilMs) override {
        Lease c(pool_);
        const Result r = Query(c.get(),
                             "UPDATE runs SET status = 'verifying', owner = $1, token = nextval('run_tokens'), "
                             "lease_until_ms = $2, claims = claims + 1 "
                             "WHERE seq = (SELECT seq FROM runs WHERE status = 'queued' ORDER BY seq LIMIT 1 "
                             "FOR UPDATE SKIP LOCKED) RETURNING id, token, recording",
                             {owner, leaseUntilMs}, true);
        if (r.Rows() == 0) return std::nullopt;
        Claim cl;
        cl.id.assign(PQgetvalue(r.get(), 0, 0), static_cast<size_t>(PQgetlength(r.get(), 0, 0)));
        // Binary results: the token is a big-endian 64-bit integer.
        const auto* t = reinterpret_cast<const uint8_t*>(PQgetvalue(r.get(), 0, 1));
        for (int i = 0; i < 8; ++i) cl.token = static_cast<int64_t>((static_cast<uint64_t>(cl.token) << 8) | t[i]);
        cl.recording = r.Bytes(0, 2);
        return cl;
    }

    bool Finish(const std::string& id, int64_t token, const Verdict& v, int64_t nowMs) override {
        Lease c(pool_);
        const Result r = Query(c.get(),
                             "UPDATE runs SET status = $1, reason = $2, score = $3, stage = $4, ended = $5, frames = $6, "
                             "verified_ms = $7, owner = '', lease_until_ms = 0, verdicts = verdicts + 1 "
                             "WHERE id = $8 AND token = $9 AND status = 'verifying'",
                             {v.verified ? kVerified : kRejected, v.reason, int64_t{v.score}, int64_t{v.stage}, v.ended,
                              v.frames, nowMs, id, token});
        return r.Changed() == 1;
    }

    int64_t Requeue(const std::string& owner, int64_t nowMs) override {
        Lease c(pool_);
        const Result r = Query(c.get(),
                             "UPDATE runs SET status = 'queued', owner = '', token = 0, lease_until_ms = 0 "
                             "WHERE status = 'verifying' AND (owner = $1 OR lease_until_ms < $2)",
                             {owner, nowMs});
        return r.Changed();
    }

private:
    static std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

    static void Check(PGconn* c, const Result& r, const std::string& what) {
        const ExecStatusType st = PQresultStatus(r.get());
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
            throw StoreError("the database, " + what + ": " + FirstLine(PQerrorMessage(c)));
    }

    static Result Query(PGconn* c, const std::string& sql, const std::vector<Param>& params, bool binary = false) {
        std::vector<const char*> values;
        std::vector<int> lengths, formats;
        for (const Param& p : params) {
            if (p.bytes) {
                values.push_back(reinterpret_cast<const char*>(p.bytes->data()));
                lengths.push_back(static_cast<int>(p.bytes->size()));
                formats.push_back(1);
            } else {
                values.push_back(p.text.c_str());
                lengths.push_back(static_cast<int>(p.text.size()));
                formats.push_back(0);
            }
        }
        Result r(PQexecParams(c, sql.c_str(), static_cast<int>(params.size()), nullptr, values.data(), lengths.data(),
                              formats.data(), binary ? 1 : 0));
        Check(c, r, "a query");
        return r;
    }

    std::optional<server::Run> GetWith(PGconn* c, const std::string& id) {
        const Result r = Query(c, std::string("SELECT ") + kRunColumns + " FROM runs WHERE id = $1", {id});
        if (r.Rows() == 0) return std::nullopt;
        return ReadRun(r, 0);
    }

    PGconn* Connect() const {
        PGconn* c = PQconnectdb(address_.c_str());
        if (PQstatus(c) != CONNECTION_OK) {
            const std::string why = PQerrorMessage(c);
            PQfinish(c);
            throw StoreError("cannot reach the database: " + FirstLine(why));
        }
        return c;
    }

    using Lease = Pool<PGconn>::Lease;
    std::string address_;
    Pool<PGconn> pool_;
};

}  // namespace

std::unique_ptr<Store> OpenPostgres(const std::string& address) { return std::make_unique<PgStore>(address); }

}  // namespace molfo::server
