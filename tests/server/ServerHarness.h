// Real servers for the server's tests: molfo-server processes on 127.0.0.1
// with their own databases and scratch folders, kept replays made by the
// game's headless program, and a throwaway PostgreSQL cluster.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace molfo::servertest {

using Bytes = std::vector<uint8_t>;

// A folder of the test's own, removed with everything in it.
struct TempDir {
    explicit TempDir(const std::string& prefix = "molfo-server-test", const std::string& under = "");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
};

// A child process whose output goes to files; killed when dropped.
class Process {
public:
    Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            const std::string& outPath, const std::string& errPath);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    pid_t Pid() const { return pid_; }
    bool Running();
    void Signal(int sig);
    // Waits for the end; -1 when it did not end in time.
    int Wait(std::chrono::milliseconds limit);

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

// One molfo-server. `extra` options come after the database and the game.
class ServerProcess {
public:
    ServerProcess(const std::string& folder, const std::string& database, const std::vector<std::string>& extra,
                  const std::string& name = "server", int port = 0);
    ~ServerProcess();
    // Starts it and waits until it listens; false (with the log) if it did not.
    bool Start();
    void Kill(int sig);
    int Port() const { return port_; }
    std::string Log() const;
    httplib::Client Client() const;
    std::string Scratch() const { return scratch_; }

private:
    std::string folder_, database_, name_, log_, scratch_;
    std::vector<std::string> extra_;
    int port_ = 0;
    int starts_ = 0;
    std::unique_ptr<Process> proc_;
};

// A game kept as the window keeps it, and what the game said it scored (the
// score in the kept replay's name).
struct Kept {
    std::string file;
    Bytes bytes;
    int score = 0;
};
// Games lost on stage 1, one after another in one session: made once, each
// distinct. At least `n` of them.
const std::vector<Kept>& KeptGames(size_t n);

// A session of the headless game played by `script` and recorded whole
// with --record; `keptScore` is the score of its first kept game (-1: none).
Bytes RecordSession(const std::string& script, int& keptScore);

// Paths of the build.
std::string ServerProgram();
std::string GameProgram();

// Submits a recording; the answer's status and body.
struct Answer {
    int status = 0;
    nlohmann::json body;
    std::string retryAfter;
};
Answer Submit(const ServerProcess& s, const Bytes& bytes, const std::string& query = "");
Answer Get(const ServerProcess& s, const std::string& path);
// Polls the run until it is verified or rejected; its last state.
nlohmann::json WaitFinal(const ServerProcess& s, const std::string& id, std::chrono::seconds limit);

// A file of the stand-in verifier: a shell script that answers --version as
// the game `version` and otherwise runs `body`.
std::string StandIn(const std::string& folder, const std::string& version, const std::string& body);

// A PostgreSQL cluster of the test's own on a free port of 127.0.0.1, run as
// the postgres user when the test runs as root; stopped and removed when
// dropped. Address() is empty when PostgreSQL is not installed.
class PgCluster {
public:
    PgCluster();
    ~PgCluster();
    const std::string& Address() const { return address_; }
    const std::string& Problem() const { return problem_; }

private:
    std::unique_ptr<TempDir> dir_;
    std::string bin_, data_, address_, problem_;
    bool asRoot_ = false;
};

// Rows of the runs table as the database holds them: id -> (status, claims, verdicts).
struct Row {
    std::string status;
    int claims = 0;
    int verdicts = 0;
};
std::map<std::string, Row> SqliteRows(const std::string& database);
std::map<std::string, Row> PostgresRows(const std::string& address);

int FreePort();

}  // namespace molfo::servertest
