// The runs in one SQLite file, in WAL mode so that readers never wait for the
// writer. One server owns the file at a time (an exclusive lock on it), so at
// start every run left verifying is its own and goes back on the queue.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "server/Pool.h"
#include "server/Store.h"

namespace molfo::server {

namespace {

constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS runs (
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    id TEXT NOT NULL UNIQUE,
    status TEXT NOT NULL,
    reason TEXT NOT NULL DEFAULT '',
    name TEXT NOT NULL,
    address TEXT NOT NULL,
    score INTEGER NOT NULL DEFAULT 0,
    stage INTEGER NOT NULL DEFAULT 0,
    ended TEXT NOT NULL DEFAULT '',
    frames INTEGER NOT NULL DEFAULT 0,
    version TEXT NOT NULL,
    submitted_ms INTEGER NOT NULL,
    verified_ms INTEGER NOT NULL DEFAULT 0,
    owner TEXT NOT NULL DEFAULT '',
    token INTEGER NOT NULL DEFAULT 0,
    lease_until_ms INTEGER NOT NULL DEFAULT 0,
    claims INTEGER NOT NULL DEFAULT 0,
    verdicts INTEGER NOT NULL DEFAULT 0,
    recording BLOB NOT NULL
);
CREATE INDEX IF NOT EXISTS runs_board ON runs (status, score DESC, verified_ms, seq);
CREATE INDEX IF NOT EXISTS runs_queue ON runs (status, seq);
CREATE INDEX IF NOT EXISTS runs_address ON runs (address, status);
)";

constexpr const char* kRunColumns =
    "id, status, reason, name, score, stage, ended, frames, version, submitted_ms, verified_ms";

std::string Text(sqlite3_stmt* st, int col) {
    const auto* p = sqlite3_column_text(st, col);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st, col)))
             : std::string();
}

Run ReadRun(sqlite3_stmt* st) {
    Run r;
    r.id = Text(st, 0);
    r.status = Text(st, 1);
    r.reason = Text(st, 2);
    r.name = Text(st, 3);
    r.score = sqlite3_column_int(st, 4);
    r.stage = sqlite3_column_int(st, 5);
    r.ended = Text(st, 6);
    r.frames = sqlite3_column_int64(st, 7);
    r.version = Text(st, 8);
    r.submittedMs = sqlite3_column_int64(st, 9);
    r.verifiedMs = sqlite3_column_int64(st, 10);
    return r;
}

// A cached statement for one use: reset when the use ends, so no read
// stays open (an open read holds back the WAL's checkpoint).
class Stmt {
public:
    explicit Stmt(sqlite3_stmt* st) : st_(st) {}
    ~Stmt() { sqlite3_reset(st_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    operator sqlite3_stmt*() const { return st_; }

private:
    sqlite3_stmt* st_;
};

// One connection and its prepared statements, used by one thread at a time.
class Conn {
public:
    explicit Conn(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError("cannot open the database " + path + ": " + why);
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        // In WAL mode NORMAL leaves a commit in the log without waiting for
        // the disk: it survives the server being killed at any moment, and
        // only a failure of the machine itself can lose the last of them.
        // FULL would wait for the disk at every submission.
        Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    }
    ~Conn() {
        for (auto& [sql, st] : cache_) sqlite3_finalize(st);
        sqlite3_close(db_);
    }
    Conn(const Conn&) = delete;
    Conn& operator=(const Conn&) = delete;

    void Exec(const char* sql) {
        char* err = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            const std::string why = err ? err : sqlite3_errmsg(db_);
            sqlite3_free(err);
            throw StoreError("the database: " + why);
        }
    }

    // The statement for `sql`, ready to bind.
    sqlite3_stmt* Prepare(const std::string& sql) {
        auto it = cache_.find(sql);
        if (it != cache_.end()) {
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
            Fail("preparing a query");
        cache_.emplace(sql, st);
        return st;
    }
    // Steps once; true while there is a row.
    bool Step(sqlite3_stmt* st) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        Fail("a query");
    }
    [[noreturn]] void Fail(const char* what) { throw StoreError(std::string("the database, ") + what + ": " + sqlite3_errmsg(db_)); }
    int Changes() { return sqlite3_changes(db_); }

private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> cache_;
};

void Bind(sqlite3_stmt* st, int i, const std::string& v) { sqlite3_bind_text(st, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT); }
void Bind(sqlite3_stmt* st, int i, int64_t v) { sqlite3_bind_int64(st, i, v); }

class SqliteStore final : public Store {
public:
    explicit SqliteStore(const std::string& path)
        : path_(path), pool_([this] { return new Conn(path_); }, [](Conn* c) { delete c; }) {
        std::error_code ec;
        const auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder, ec);
        // The file is ours alone from here: nothing else can be verifying its runs.
        lock_.fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock_.fd < 0) throw StoreError("cannot open the database " + path);
        if (::flock(lock_.fd, LOCK_EX | LOCK_NB) != 0)
            throw StoreError("the database " + path + " is in use by another molfo-server");
        Lease c(pool_);
        c->Exec(kSchema);
    }
    bool Submit(const Submission& s, Run& out) override {
        Lease c(pool_);
        Stmt st(c->Prepare(
            "INSERT INTO runs (id, status, name, address, version, submitted_ms, recording) "
            "VALUES (?, 'queued', ?, ?, ?, ?, ?) ON CONFLICT (id) DO NOTHING"));
        Bind(st, 1, s.id);
        Bind(st, 2, s.name);
        Bind(st, 3, s.address);
        Bind(st, 4, s.version);
        Bind(st, 5, s.nowMs);
        sqlite3_bind_blob(st, 6, s.recording.data(), static_cast<int>(s.recording.size()), SQLITE_STATIC);
        c->Step(st);
        const bool added = c->Changes() == 1;
        auto run = GetWith(*c, s.id);
        if (!run) throw StoreError("the database lost a run it had just taken");
        out = *run;
        return added;
    }

    std::optional<Run> Get(const std::string& id) override {
        Lease c(pool_);
        return GetWith(*c, id);
    }

    std::optional<std::vector<uint8_t>> Recording(const std::string& id) override {
        Lease c(pool_);
        Stmt st(c->Prepare("SELECT recording FROM runs WHERE id = ?"));
        Bind(st, 1, id);
        if (!c->Step(st)) return std::nullopt;
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(st, 0));
        const int n = sqlite3_column_bytes(st, 0);
        return std::vector<uint8_t>(p, p + n);
    }

    Board Leaderboard(int limit, int offset) override {
        Lease c(pool_);
        Board b;
        Stmt st(c->Prepare(std::string("SELECT ") + kRunColumns +
                                      " FROM runs WHERE status = 'verified' "
                                      "ORDER BY score DESC, verified_ms, seq LIMIT ? OFFSET ?"));
        Bind(st, 1, int64_t{limit});
        Bind(st, 2, int64_t{offset});
        while (c->Step(st)) b.runs.push_back(ReadRun(st));
        Stmt count(c->Prepare("SELECT COUNT(*) FROM runs WHERE status = 'verified'"));
        if (c->Step(count)) b.total = sqlite3_column_int64(count, 0);
        return b;
    }

    Place PlaceOf(const std::string& id) override {
        Lease c(pool_);
        Place p;
        Stmt st(c->Prepare(PlaceQuery("?")));
        Bind(st, 1, id);
        if (c->Step(st)) p = {sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1)};
        while (c->Step(st)) {
        }
        return p;
    }

    int64_t Pending(const std::string& address) override {
        Lease c(pool_);
        Stmt st(c->Prepare("SELECT COUNT(*) FROM runs WHERE address = ? AND status IN ('queued', 'verifying')"));
        Bind(st, 1, address);
        return c->Step(st) ? sqlite3_column_int64(st, 0) : 0;
    }

    QueueLength Length() override {
        Lease c(pool_);
        QueueLength q;
        Stmt st(c->Prepare("SELECT status, COUNT(*) FROM runs WHERE status IN ('queued', 'verifying') GROUP BY status"));
        while (c->Step(st)) (Text(st, 0) == kQueued ? q.queued : q.verifying) = sqlite3_column_int64(st, 1);
        return q;
    }

    std::optional<Claim> Take(const std::string& owner, int64_t nowMs, int64_t leaseUntilMs) override {
        Lease c(pool_);
        // One statement: the row is chosen and marked under the writer's lock.
        Stmt st(c->Prepare(
            "UPDATE runs SET status = 'verifying', owner = ?, token = ?, lease_until_ms = ?, claims = claims + 1 "
            "WHERE seq = (SELECT seq FROM runs WHERE status = 'queued' ORDER BY seq LIMIT 1) "
            "RETURNING id, token, recording"));
        Bind(st, 1, owner);
        Bind(st, 2, NextToken(nowMs));
        Bind(st, 3, leaseUntilMs);
        if (!c->Step(st)) return std::nullopt;
        Claim cl;
        cl.id = Text(st, 0);
        cl.token = sqlite3_column_int64(st, 1);
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(st, 2));
        cl.recording.assign(p, p + sqlite3_column_bytes(st, 2));
        while (c->Step(st)) {
        }
        return cl;
    }

    bool Finish(const std::string& id, int64_t token, const Verdict& v, int64_t nowMs) override {
        Lease c(pool_);
        Stmt st(c->Prepare(
            "UPDATE runs SET status = ?, reason = ?, score = ?, stage = ?, ended = ?, frames = ?, verified_ms = ?, "
            "owner = '', lease_until_ms = 0, verdicts = verdicts + 1 "
            "WHERE id = ? AND token = ? AND status = 'verifying'"));
        Bind(st, 1, std::string(v.verified ? kVerified : kRejected));
        Bind(st, 2, v.reason);
        Bind(st, 3, int64_t{v.score});
        Bind(st, 4, int64_t{v.stage});
        Bind(st, 5, v.ended);
        Bind(st, 6, v.frames);
        Bind(st, 7, nowMs);
        Bind(st, 8, id);
        Bind(st, 9, token);
        c->Step(st);
        return c->Changes() == 1;
    }

    int64_t Requeue(const std::string& owner, int64_t nowMs) override {
        Lease c(pool_);
        Stmt st(c->Prepare(
            "UPDATE runs SET status = 'queued', owner = '', token = 0, lease_until_ms = 0 "
            "WHERE status = 'verifying' AND (owner = ? OR lease_until_ms < ? OR ?)"));
        Bind(st, 1, owner);
        Bind(st, 2, nowMs);
        Bind(st, 3, int64_t{firstRequeue_.exchange(false) ? 1 : 0});
        c->Step(st);
        return c->Changes();
    }

private:
    std::optional<Run> GetWith(Conn& c, const std::string& id) {
        Stmt st(c.Prepare(std::string("SELECT ") + kRunColumns + " FROM runs WHERE id = ?"));
        Bind(st, 1, id);
        if (!c.Step(st)) return std::nullopt;
        Run r = ReadRun(st);
        while (c.Step(st)) {
        }
        return r;
    }

    int64_t NextToken(int64_t nowMs) {
        std::lock_guard<std::mutex> lock(mutex_);
        // Distinct across restarts too: time first, then a count.
        return (nowMs << 16) + (++tokens_ & 0xFFFF);
    }

    using Lease = Pool<Conn>::Lease;
    // Held while any connection is open: it goes after the pool.
    struct FileLock {
        int fd = -1;
        ~FileLock() {
            if (fd >= 0) ::close(fd);
        }
    };
    std::string path_;
    FileLock lock_;
    Pool<Conn> pool_;
    std::mutex mutex_;  // the tokens'
    int64_t tokens_ = 0;
    // The first call after opening takes back every run left verifying: the
    // lock says no other server holds this file.
    std::atomic<bool> firstRequeue_{true};
};

}  // namespace

std::unique_ptr<Store> OpenSqlite(const std::string& path) { return std::make_unique<SqliteStore>(path); }

bool IsPostgresAddress(const std::string& where) {
    return where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0;
}

std::string PlaceQuery(const std::string& idParameter) {
    // The runs ahead of it in the leaderboard's order, and itself.
    return "SELECT (SELECT COUNT(*) FROM runs r WHERE r.status = 'verified' AND (r.score > me.score OR "
           "(r.score = me.score AND (r.verified_ms < me.verified_ms OR "
           "(r.verified_ms = me.verified_ms AND r.seq <= me.seq))))), "
           "(SELECT COUNT(*) FROM runs WHERE status = 'verified') "
           "FROM runs me WHERE me.id = " + idParameter + " AND me.status = 'verified'";
}

std::unique_ptr<Store> OpenStore(const std::string& where) {
    return IsPostgresAddress(where) ? OpenPostgres(where) : OpenSqlite(where);
}

}  // namespace molfo::server
