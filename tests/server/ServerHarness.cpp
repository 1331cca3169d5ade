#include "ServerHarness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "replay/Library.h"

namespace molfo::servertest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr auto kStartLimit = 30s;

// A server that closes a connection mid-request (a 413, a kill) must not end
// the tests with SIGPIPE.
const bool kPipesIgnored = [] {
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}();

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs a command to its end; its exit status (-1 when it could not start).
int RunCommand(const std::vector<std::string>& argv, const std::string& log,
               const std::map<std::string, std::string>& env = {}) {
    Process p(argv, env, log, log);
    return p.Wait(120s);
}

// A data folder in `folder` for a headless game: the build's files, linked,
// and a ranking of its own, so no game meets another test's scores.
std::string FreshDataDir(const std::string& folder) {
    const fs::path sys = fs::path(folder) / "data" / "sys";
    fs::create_directories(sys);
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(MOLFO_TEST_DATA_DIR) / "sys"))
        if (e.path().filename() != "rank.hms") fs::create_symlink(e.path(), sys / e.path().filename());
    return (fs::path(folder) / "data").string();
}

}  // namespace

std::string ServerProgram() { return MOLFO_SERVER_BIN; }
std::string GameProgram() { return MOLFO_GAME_BIN; }

TempDir::TempDir(const std::string& prefix, const std::string& under) {
    std::string t = ((under.empty() ? fs::temp_directory_path() : fs::path(under)) / (prefix + "-XXXXXX")).string();
    if (mkdtemp(t.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path = t;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
}

Process::Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                 const std::string& outPath, const std::string& errPath) {
    std::vector<std::string> args = argv;
    std::vector<char*> cargs;
    for (std::string& a : args) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) {
        const std::string kv = *e;
        if (!env.count(kv.substr(0, kv.find('=')))) envs.push_back(kv);
    }
    for (const auto& [k, v] : env) envs.push_back(k + "=" + v);
    std::vector<char*> cenv;
    for (std::string& e : envs) cenv.push_back(e.data());
    cenv.push_back(nullptr);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int err = errPath == outPath ? out : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid_ = ::fork();
    if (pid_ == 0) {
        // A test that dies takes its servers with it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        ::execve(cargs[0], cargs.data(), cenv.data());
        ::_exit(127);
    }
    ::close(out);
    if (err != out) ::close(err);
}

Process::~Process() {
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, SIGKILL);
        Wait(10s);
    }
}

bool Process::Running() {
    if (reaped_ || pid_ <= 0) return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
    return !reaped_;
}

void Process::Signal(int sig) {
    if (Running()) ::kill(pid_, sig);
}

int Process::Wait(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (Running()) {
        if (std::chrono::steady_clock::now() >= until) return -1;
        std::this_thread::sleep_for(5ms);
    }
    if (pid_ <= 0) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

ServerProcess::ServerProcess(const std::string& folder, const std::string& database,
                             const std::vector<std::string>& extra, const std::string& name, int port)
    : folder_(folder), database_(database), name_(name), log_(folder + "/" + name + ".log"),
      scratch_(folder + "/" + name + "-tmp"), extra_(extra), port_(port) {
    fs::create_directories(scratch_);
}

ServerProcess::~ServerProcess() { proc_.reset(); }

bool ServerProcess::Start() {
    // A restart keeps its port, and with it its name in the database.
    std::vector<std::string> argv = {ServerProgram(), "--listen", "127.0.0.1:" + std::to_string(port_), "--database",
                                     database_};
    bool gameGiven = false;
    for (const std::string& e : extra_) gameGiven = gameGiven || e == "--game";
    if (!gameGiven) argv.insert(argv.end(), {"--game", GameProgram()});
#ifdef MOLFO_TEST_SANITIZED
    argv.insert(argv.end(), {"--verify-memory", "0"});
#endif
    argv.insert(argv.end(), extra_.begin(), extra_.end());
    const size_t before = Log().size();
    proc_ = std::make_unique<Process>(argv, std::map<std::string, std::string>{{"TMPDIR", scratch_}}, log_, log_);
    ++starts_;
    const std::regex listening(R"(listening on http://127\.0\.0\.1:(\d+)/)");
    const auto until = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < until) {
        const std::string log = Log().substr(before);
        std::smatch m;
        if (std::regex_search(log, m, listening)) {
            port_ = std::stoi(m[1]);
            return true;
        }
        if (!proc_->Running()) return false;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

void ServerProcess::Kill(int sig) {
    if (!proc_) return;
    proc_->Signal(sig);
    proc_->Wait(30s);
}

std::string ServerProcess::Log() const { return ReadAll(log_); }

httplib::Client ServerProcess::Client() const {
    httplib::Client c("127.0.0.1", port_);
    c.set_connection_timeout(5s);
    c.set_read_timeout(30s);
    return c;
}

const std::vector<Kept>& KeptGames(size_t n) {
    static std::vector<Kept> kept;
    static TempDir dir("molfo-kept");
    if (kept.size() >= n) return kept;
    kept.clear();
    // Enough for every test at once: the games are made only once.
    constexpr size_t kAtLeast = 10;
    const std::string games = std::to_string(std::max(n, kAtLeast) + 1);
    std::ofstream(dir.path + "/games.txt") << "title: press SHIFT\n"
                                              "play 1-3000: hold Z LEFT\n"
                                              "name: answer x\n"
                                              "ranking: press Z\n"
                                              "title#" << games << ": press ESC\n";
    const std::string share = dir.path + "/share";
    fs::remove_all(share);
    fs::remove_all(dir.path + "/data");
    RunCommand({GameProgram(), "--headless", "--data-dir", FreshDataDir(dir.path), "--input", dir.path + "/games.txt",
                "--keep-replays"},
               dir.path + "/games.log", {{"XDG_DATA_HOME", share}});
    for (const library::Kept& k : library::List(share + "/molfo/replays/")) {
        const std::string text = ReadAll(k.path);
        kept.push_back({k.file, Bytes(text.begin(), text.end()), k.summary.score});
    }
    return kept;
}

Bytes RecordSession(const std::string& script, int& keptScore) {
    TempDir dir("molfo-session");
    std::ofstream(dir.path + "/script.txt") << script;
    RunCommand({GameProgram(), "--headless", "--data-dir", FreshDataDir(dir.path), "--input", dir.path + "/script.txt",
                "--record", dir.path + "/session.rec", "--keep-replays"},
               dir.path + "/session.log", {{"XDG_DATA_HOME", dir.path + "/share"}});
    const std::vector<library::Kept> kept = library::List(dir.path + "/share/molfo/replays/");
    keptScore = kept.empty() ? -1 : kept.front().summary.score;
    const std::string text = ReadAll(dir.path + "/session.rec");
    return Bytes(text.begin(), text.end());
}

Answer Submit(const ServerProcess& s, const Bytes& bytes, const std::string& query) {
    Answer a;
    auto c = s.Client();
    auto r = c.Post(("/api/v1/runs" + query).c_str(), std::string(bytes.begin(), bytes.end()), "application/octet-stream");
    if (!r) return a;
    a.status = r->status;
    a.body = nlohmann::json::parse(r->body, nullptr, false);
    a.retryAfter = r->get_header_value("Retry-After");
    return a;
}

Answer Get(const ServerProcess& s, const std::string& path) {
    Answer a;
    auto c = s.Client();
    auto r = c.Get(path.c_str());
    if (!r) return a;
    a.status = r->status;
    a.body = nlohmann::json::parse(r->body, nullptr, false);
    return a;
}

nlohmann::json WaitFinal(const ServerProcess& s, const std::string& id, std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    nlohmann::json last;
    while (std::chrono::steady_clock::now() < until) {
        const Answer a = Get(s, "/api/v1/runs/" + id);
        if (a.status == 200) {
            last = a.body;
            if (last["status"] == "verified" || last["status"] == "rejected") return last;
        }
        std::this_thread::sleep_for(50ms);
    }
    return last;
}

std::string StandIn(const std::string& folder, const std::string& version, const std::string& body) {
    static int made = 0;
    const std::string path = folder + "/stand-in-" + std::to_string(++made);
    std::ofstream(path) << "#!/bin/sh\n"
                           "if [ \"$1\" = --version ]; then echo 'molfo "
                        << version << "'; exit 0; fi\n"
                        << body << "\n";
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    return path;
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

PgCluster::PgCluster() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/usr/lib/postgresql", ec))
        if (fs::exists(e.path() / "bin/initdb")) bin_ = (e.path() / "bin").string();
    if (bin_.empty()) {
        problem_ = "PostgreSQL is not installed";
        return;
    }
    // Under /tmp, which the postgres user can reach whatever TMPDIR says.
    dir_ = std::make_unique<TempDir>("molfo-pg", "/tmp");
    data_ = dir_->path + "/data";
    asRoot_ = ::geteuid() == 0;
    if (asRoot_) {
        // PostgreSQL refuses to run as root.
        const passwd* pg = ::getpwnam("postgres");
        if (!pg || ::chown(dir_->path.c_str(), pg->pw_uid, pg->pw_gid) != 0) {
            problem_ = "no postgres user to run the cluster as";
            return;
        }
    }
    auto as = [this](std::vector<std::string> argv) {
        if (asRoot_) argv.insert(argv.begin(), {"/usr/sbin/runuser", "-u", "postgres", "--"});
        return argv;
    };
    const std::string log = dir_->path + "/pg.log";
    if (RunCommand(as({bin_ + "/initdb", "-D", data_, "-A", "trust", "-U", "molfo", "--no-sync"}), dir_->path + "/initdb.log") != 0) {
        problem_ = "initdb failed: " + ReadAll(dir_->path + "/initdb.log");
        return;
    }
    const int port = FreePort();
    const std::string opts = "-p " + std::to_string(port) + " -k " + dir_->path +
                             " -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200";
    if (RunCommand(as({bin_ + "/pg_ctl", "-D", data_, "-o", opts, "-l", log, "-w", "start"}), dir_->path + "/ctl.log") != 0) {
        problem_ = "the cluster did not start: " + ReadAll(log);
        return;
    }
    address_ = "postgresql://molfo@127.0.0.1:" + std::to_string(port) + "/postgres";
}

PgCluster::~PgCluster() {
    if (!address_.empty()) {
        std::vector<std::string> argv = {bin_ + "/pg_ctl", "-D", data_, "-m", "immediate", "-w", "stop"};
        if (asRoot_) argv.insert(argv.begin(), {"/usr/sbin/runuser", "-u", "postgres", "--"});
        RunCommand(argv, "/dev/null");
    }
}

std::map<std::string, Row> SqliteRows(const std::string& database) {
    std::map<std::string, Row> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT id, status, claims, verdicts FROM runs", -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            rows[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] = {
                reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), sqlite3_column_int(st, 2),
                sqlite3_column_int(st, 3)};
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

std::map<std::string, Row> PostgresRows(const std::string& address) {
    std::map<std::string, Row> rows;
    PGconn* c = PQconnectdb(address.c_str());
    PGresult* r = PQexec(c, "SELECT id, status, claims, verdicts FROM runs");
    for (int i = 0; i < PQntuples(r); ++i)
        rows[PQgetvalue(r, i, 0)] = {PQgetvalue(r, i, 1), std::stoi(PQgetvalue(r, i, 2)), std::stoi(PQgetvalue(r, i, 3))};
    PQclear(r);
    PQfinish(c);
    return rows;
}

}  // namespace molfo::servertest
