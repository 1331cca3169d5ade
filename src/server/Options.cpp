#include "server/Options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <filesystem>

namespace molfo::server {

namespace {

constexpr int kMaxPort = 65535;
constexpr int64_t kMiB = 1024 * 1024;

}  // namespace

void DescribeOptions(CLI::App& app, ServerOptions& o, bool& version) {
    app.description(
        "molfo-server: the online table of Molfo. Players send recordings of their games; the server has the\n"
        "game's own headless program replay each one and ranks only the score the replay reached.");
    app.add_flag("--version", version, "print the version and exit");
    app.add_option("--listen", o.listen, "HOST:PORT to serve on (default 127.0.0.1:8090; port 0 takes a free one)");
    app.add_option("--database", o.database,
                   "a SQLite file (default $XDG_DATA_HOME/molfo-server/runs.sqlite, made on first start), or "
                   "postgresql://... to share one table among several servers");
    app.add_option("--game", o.game, "the game's program, which verifies the runs (default: molfo beside the server, or the "
                   "package's /usr/games/molfo)");
    app.add_option("--workers", o.workers, "verifier processes at once (default: the number of cores)")
        ->check(CLI::Range(1, 256));
    app.add_option("--page", o.page, "folder of the built browser page, served under /play/ so a run can be watched (default: the "
                   "package's /usr/share/molfo-server/page, when there is one)")
        ->check(CLI::ExistingDirectory);
    app.add_option("--default-name", o.defaultName, "the name of a run sent without one (default anonymous)");
    app.add_option("--submit-rate", o.submitPerMinute, "submissions an address may make per minute (default 6)")
        ->check(CLI::Range(0.0, 1e6));
    app.add_option("--submit-burst", o.submitBurst, "submissions an address may make at once (default 10)")
        ->check(CLI::Range(1.0, 1e6));
    app.add_option("--pending-per-address", o.pendingPerAddress,
                   "runs of one address that may wait for verification at once (default 5)")
        ->check(CLI::Range(1, 1000000));
    app.add_option("--client-timeout", o.clientTimeout, "seconds a client has to send one whole request (default 10)")
        ->check(CLI::Range(1, 3600));
    app.add_flag("--behind-proxy", o.behindProxy,
                 "take the sender's address from the last X-Forwarded-For entry (behind a load balancer)");
    app.add_option("--verify-cpu", o.limits.cpuSeconds, "CPU seconds one verification may use (default 60)")
        ->check(CLI::Range(1, 86400));
    app.add_option("--verify-wall", o.limits.wallSeconds,
                   "seconds one verification may take before it is killed (default 120)")
        ->check(CLI::Range(1, 86400));
    app.add_option_function<int64_t>(
           "--verify-memory", [&o](int64_t mib) { o.limits.memoryBytes = mib * kMiB; },
           "MiB of address space one verification may use; 0: no limit (default 1024)")
        ->check(CLI::Range(int64_t{0}, int64_t{1} << 20));
}

std::string FindBeside(const std::string& folder, const std::string& candidates, bool wantFolder) {
    size_t from = 0;
    while (from <= candidates.size()) {
        const size_t colon = std::min(candidates.find(':', from), candidates.size());
        const std::string rel = candidates.substr(from, colon - from);
        from = colon + 1;
        if (rel.empty()) continue;
        const std::filesystem::path p = (std::filesystem::path(folder) / rel).lexically_normal();
        std::error_code ec;
        if (wantFolder ? std::filesystem::is_directory(p, ec) : std::filesystem::is_regular_file(p, ec)) return p.string();
    }
    return {};
}

bool ParseListen(const std::string& text, std::string& host, int& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = text.substr(0, colon);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') return false;
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string::npos) {
        return false;  // an IPv6 address needs its brackets
    }
    const std::string p = text.substr(colon + 1);
    const auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), port);
    return !p.empty() && ec == std::errc() && end == p.data() + p.size() && port >= 0 && port <= kMaxPort;
}

}  // namespace molfo::server
