#include "server/Verifier.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Printable.h"

namespace molfo::server {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxResultBytes = 64 * 1024;
constexpr size_t kMaxLogTailBytes = 4096;
constexpr size_t kShownBytes = 200;
constexpr int kMaxScore = 32767;
constexpr int kChildFiles = 64;
constexpr int kExecFailed = 127;
constexpr auto kWaitStep = std::chrono::milliseconds(2);
// Scratch folders are named by the server's process, so one left by a
// server that was killed can be told from one a live server is using.
const std::string kScratchPrefix = "molfo-verify-";

std::string ReadAtMost(const std::string& path, size_t limit, bool tail) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    const std::streamoff from = tail && size > static_cast<std::streamoff>(limit) ? size - static_cast<std::streamoff>(limit) : 0;
    in.seekg(from);
    std::string s(static_cast<size_t>(std::min<std::streamoff>(size - from, static_cast<std::streamoff>(limit))), '\0');
    in.read(s.data(), static_cast<std::streamsize>(s.size()));
    s.resize(static_cast<size_t>(in.gcount()));
    return s;
}

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

std::string LastLine(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    const size_t nl = s.rfind('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
}

Verdict Reject(const std::string& why) {
    Verdict v;
    v.reason = why;
    return v;
}

// The verifier's environment: every folder the game might write is the
// scratch folder, so nothing of the host's is touched.
std::vector<std::string> ChildEnvironment(const std::string& scratch) {
    std::vector<std::string> env = {
        "HOME=" + scratch,        "TMPDIR=" + scratch,        "XDG_DATA_HOME=" + scratch + "/data",
        "XDG_CONFIG_HOME=" + scratch + "/config", "XDG_RUNTIME_DIR=" + scratch, "PATH=/usr/bin:/bin",
        "LANG=C.UTF-8",           "SDL_AUDIODRIVER=dummy"};
    // A sanitized build keeps its settings.
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* v = std::getenv(name)) env.push_back(std::string(name) + "=" + v);
    return env;
}

bool Limit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit r{soft, hard};
    return ::setrlimit(resource, &r) == 0;
}

// In a child, before it becomes the game: a verifier that could not be
// limited must not run at all (a system call filter may forbid setrlimit).
// Only async-signal-safe calls. Returns false with errno set.
bool ApplyLimits(const VerifierLimits& limits) {
    const rlim_t cpu = static_cast<rlim_t>(limits.cpuSeconds);
    const rlim_t memory = static_cast<rlim_t>(limits.memoryBytes);
    const rlim_t file = static_cast<rlim_t>(limits.fileBytes);
    return Limit(RLIMIT_CPU, cpu, cpu + 1) && (limits.memoryBytes <= 0 || Limit(RLIMIT_AS, memory, memory)) &&
           Limit(RLIMIT_FSIZE, file, file) && Limit(RLIMIT_CORE, 0, 0) && Limit(RLIMIT_NOFILE, kChildFiles, kChildFiles);
}

void Report(int fd, int err) {
    [[maybe_unused]] const ssize_t n = ::write(fd, &err, sizeof err);
}

}  // namespace

Verdict Judge(const Exit& exit, const std::string& resultLine, const std::string& lastLogLine,
              const VerifierLimits& limits, const std::string& version) {
    if (!exit.started) {
        Verdict v;
        v.retry = true;
        v.reason = "the verifier could not be started";
        return v;
    }
    if (exit.timedOut) return Reject("the replay ran past the verifier's time limit of " + std::to_string(limits.wallSeconds) + " s");
    // The soft CPU limit sends SIGXCPU, the hard one a second later SIGKILL.
    if (exit.signal == SIGXCPU || exit.signal == SIGKILL)
        return Reject("the replay ran past the verifier's CPU limit of " + std::to_string(limits.cpuSeconds) + " s");
    if (exit.signal != 0) return Reject("the replay crashed the verifier (signal " + std::to_string(exit.signal) + ")");
    const std::string said = lastLogLine.empty() ? "" : ": " + Printable(lastLogLine, kShownBytes);
    if (resultLine.empty())
        return Reject("the verifier ended without a result (exit status " + std::to_string(exit.status) + ")" + said);
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(resultLine);
        const auto& o = j;
        Verdict v;
        const std::string recorded = o.at("version").get<std::string>();
        if (recorded != version)
            return Reject("recorded by molfo " + Printable(recorded, kShownBytes) + ", verified by molfo " + version);
        if (!o.at("matched").get<bool>())
            return Reject(Printable(o.at("problem").get<std::string>(), kShownBytes));
        const int games = o.at("games").get<int>();
        if (games == 0) return Reject("the recording holds no game");
        if (games > 1) return Reject("the recording holds " + std::to_string(games) + " games; the table takes one");
        v.ended = o.at("ended").get<std::string>();
        if (v.ended != "gameover" && v.ended != "ending")
            return Reject("the game was left before it finished (neither game over nor the ending)");
        if (exit.status != 0) return Reject("the verifier failed (exit status " + std::to_string(exit.status) + ")" + said);
        v.score = o.at("score").get<int>();
        v.stage = o.at("stage").get<int>();
        v.frames = o.at("frames").get<int64_t>();
        if (v.score < 0 || v.score > kMaxScore || v.stage < 1 || v.frames < 1)
            return Reject("the verifier's result is out of range");
        v.verified = true;
        return v;
    } catch (const nlohmann::json::exception&) {
        return Reject("the verifier's result cannot be read");
    }
}

Verdict Verifier::Verify(std::span<const uint8_t> recording, const std::atomic<bool>* cancel) const {
    std::error_code ec;
    const fs::path tmp = fs::temp_directory_path(ec);
    std::string scratch =
        ((ec ? fs::path("/tmp") : tmp) / (kScratchPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (mkdtemp(scratch.data()) == nullptr) {
        Verdict v;
        v.retry = true;
        v.reason = "cannot make a scratch folder: " + std::string(std::strerror(errno));
        return v;
    }
    struct Remove {
        std::string path;
        ~Remove() {
            std::error_code e;
            fs::remove_all(path, e);
        }
    } remove{scratch};
    const std::string recPath = scratch + "/run.mrec";
    const std::string resultPath = scratch + "/result.json";
    const std::string logPath = scratch + "/log.txt";
    {
        std::ofstream out(recPath, std::ios::binary);
        out.write(reinterpret_cast<const char*>(recording.data()), static_cast<std::streamsize>(recording.size()));
        if (!out.flush()) {
            Verdict v;
            v.retry = true;
            v.reason = "cannot write the recording into the scratch folder";
            return v;
        }
    }

    // Everything the child needs is made before the fork: after it, in a
    // threaded process, only async-signal-safe calls.
    std::vector<std::string> args = {game_, "--headless", "--replay", recPath, "--result", resultPath};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envs = ChildEnvironment(scratch);
    std::vector<char*> envp;
    for (std::string& e : envs) envp.push_back(e.data());
    envp.push_back(nullptr);
    const int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int failPipe[2];
    if (logFd < 0 || nullFd < 0 || ::pipe2(failPipe, O_CLOEXEC) != 0) {
        if (logFd >= 0) ::close(logFd);
        if (nullFd >= 0) ::close(nullFd);
        Verdict v;
        v.retry = true;
        v.reason = "cannot prepare the verifier's files";
        return v;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        // The server's own signal settings are not the game's.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        // The verifier never outlives its server.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(kExecFailed);
        ::dup2(nullFd, STDIN_FILENO);
        ::dup2(logFd, STDOUT_FILENO);
        ::dup2(logFd, STDERR_FILENO);
        if (::chdir(scratch.c_str()) != 0) ::_exit(kExecFailed);
        if (!ApplyLimits(limits_)) {
            Report(failPipe[1], errno);
            ::_exit(kExecFailed);
        }
        ::execve(argv[0], argv.data(), envp.data());
        Report(failPipe[1], errno);
        ::_exit(kExecFailed);
    }
    ::close(logFd);
    ::close(nullFd);
    ::close(failPipe[1]);
    Exit exit;
    if (pid < 0) {
        ::close(failPipe[0]);
        exit.started = false;
        return Judge(exit, "", "", limits_, version_);
    }
    ::setpgid(pid, pid);  // the same as the child's own call, whichever runs first
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits_.wallSeconds);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) break;
        if (cancel && cancel->load()) {
            ::kill(-pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            ::close(failPipe[0]);
            Verdict v;
            v.retry = true;
            v.reason = "the server is stopping";
            return v;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            exit.timedOut = true;
            ::kill(-pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(kWaitStep);
    }
    // Whatever it left running goes with it.
    ::kill(-pid, SIGKILL);
    int execErr = 0;
    if (::read(failPipe[0], &execErr, sizeof execErr) == static_cast<ssize_t>(sizeof execErr)) exit.started = false;
    ::close(failPipe[0]);
    if (WIFEXITED(status)) exit.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) exit.signal = WTERMSIG(status);
    const std::string result = FirstLine(ReadAtMost(resultPath, kMaxResultBytes, false));
    const std::string log = LastLine(ReadAtMost(logPath, kMaxLogTailBytes, true));
    return Judge(exit, result, log, limits_, version_);
}

int Verifier::RemoveStale() {
    std::error_code ec;
    const fs::path tmp = fs::temp_directory_path(ec);
    int removed = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(ec ? fs::path("/tmp") : tmp, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(kScratchPrefix, 0) != 0) continue;
        const std::string rest = name.substr(kScratchPrefix.size());
        const size_t dash = rest.find('-');
        if (dash == std::string::npos || dash == 0) continue;
        pid_t pid = 0;
        const auto [end, err] = std::from_chars(rest.data(), rest.data() + dash, pid);
        if (err != std::errc() || end != rest.data() + dash || pid <= 0) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // its server lives
        std::error_code rm;
        fs::remove_all(e.path(), rm);
        if (!rm) ++removed;
    }
    return removed;
}

bool Verifier::CanLimit(const VerifierLimits& limits, std::string& error) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(ApplyLimits(limits) ? 0 : errno);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        error = "cannot start a process to try the verifiers' limits";
        return false;
    }
    if (WEXITSTATUS(status) == 0) return true;
    error = "cannot limit the verifiers' CPU time, memory and files (setrlimit: " +
            std::string(std::strerror(WEXITSTATUS(status))) + "; does a system call filter forbid it?)";
    return false;
}

std::string Verifier::GameVersion(const std::string& game, std::string& error) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error = "cannot start " + game;
        return {};
    }
    std::vector<std::string> args = {game, "--version"};
    std::vector<char*> argv = {args[0].data(), args[1].data(), nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(kExecFailed);
    }
    ::close(out[1]);
    std::string text;
    char buf[256];
    ssize_t n = 0;
    while (text.size() < kMaxLogTailBytes && (n = ::read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    if (pid > 0) ::waitpid(pid, &status, 0);
    const std::string line = FirstLine(text);
    const std::string prefix = "molfo ";
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || line.rfind(prefix, 0) != 0 ||
        line.size() == prefix.size()) {
        error = game + " does not answer --version as the game does";
        return {};
    }
    return line.substr(prefix.size());
}

}  // namespace molfo::server
