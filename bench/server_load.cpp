// server_load: a bounded, open-loop load on a molfo-server of this machine
// (loopback only), for scripts/measure-server. Requests are sent on a fixed
// schedule, and each one's latency counts from the moment it was due, so a
// server that falls behind is charged for the wait too.
//
//   server_load read   PORT RATE SECONDS [PATH]        GETs, by default the leaderboard
//   server_load submit PORT RATE SECONDS RECORDING [IDS]  distinct copies of a kept replay
//   server_load check  DATABASE IDS                     every accepted run judged exactly once
//
// The copies differ only in their frame limit, set past any game's length,
// so each is a new run that verifies as the original does.
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "replay/ReplayFile.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr int kConnections = 16;
constexpr int kMaxSeconds = 600;
constexpr int kMaxRate = 20000;
constexpr int64_t kFrameLimitBase = 1'000'000'000;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Copies with their own frame limit, past any game's end.
std::vector<std::string> Variants(const Bytes& rec, size_t n) {
    molfo::replay::Recording r;
    std::string error;
    if (!molfo::replay::ParseRecording(rec, r, error)) throw std::runtime_error("not a recording: " + error);
    const size_t headerBytes = molfo::replay::Writer::EncodeHeader(r.header).size();
    std::vector<std::string> out;
    for (size_t i = 0; i < n; ++i) {
        molfo::replay::Header h = r.header;
        h.frameLimit = kFrameLimitBase + static_cast<int64_t>(i);
        Bytes b = molfo::replay::Writer::EncodeHeader(h);
        b.insert(b.end(), rec.begin() + static_cast<std::ptrdiff_t>(headerBytes), rec.end());
        out.emplace_back(b.begin(), b.end());
    }
    return out;
}

double Percentile(std::vector<double>& v, double p) {
    if (v.empty()) return 0;
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p / 100.0 * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i), v.end());
    return v[i];
}

int Load(bool submit, int port, int rate, int seconds, const std::string& pathOrRecording, const std::string& idsPath) {
    const size_t total = static_cast<size_t>(rate) * static_cast<size_t>(seconds);
    std::vector<std::string> bodies;
    if (submit) bodies = Variants(ReadFile(pathOrRecording), total);
    const std::string path = submit ? "/api/v1/runs" : (pathOrRecording.empty() ? "/api/v1/leaderboard" : pathOrRecording);
    std::vector<double> latencies(total, -1);
    std::map<int, size_t> statuses;
    std::mutex mutex;
    std::vector<std::string> accepted;
    std::atomic<size_t> errors{0};
    const auto start = Clock::now() + std::chrono::milliseconds(200);
    const auto due = [&](size_t i) { return start + std::chrono::microseconds(static_cast<int64_t>(i) * 1000000 / rate); };
    std::vector<std::thread> threads;
    for (int t = 0; t < kConnections; ++t) {
        threads.emplace_back([&, t] {
            httplib::Client c("127.0.0.1", port);
            c.set_keep_alive(true);
            // As browsers and curl do: a body written after its headers must not wait for an ACK.
            c.set_tcp_nodelay(true);
            c.set_connection_timeout(std::chrono::seconds(2));
            c.set_read_timeout(std::chrono::seconds(10));
            for (size_t i = static_cast<size_t>(t); i < total; i += kConnections) {
                std::this_thread::sleep_until(due(i));
                auto r = submit ? c.Post(path.c_str(), bodies[i], "application/octet-stream") : c.Get(path.c_str());
                const double ms = std::chrono::duration<double, std::milli>(Clock::now() - due(i)).count();
                if (!r) {
                    ++errors;
                    continue;
                }
                latencies[i] = ms;
                std::lock_guard<std::mutex> lock(mutex);
                ++statuses[r->status];
                if (submit && r->status == 202)
                    accepted.push_back(nlohmann::json::parse(r->body, nullptr, false).value("id", ""));
            }
        });
    }
    for (std::thread& t : threads) t.join();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> ok;
    for (double l : latencies)
        if (l >= 0) ok.push_back(l);
    std::printf("%s %s: %zu requests in %.1f s (%.0f/s), %zu failed to connect or answer;", submit ? "POST" : "GET",
                path.c_str(), total, took, static_cast<double>(ok.size()) / took, errors.load());
    for (const auto& [status, n] : statuses) std::printf(" %d: %zu", status, n);
    std::printf("\n  latency ms from when due: p50 %.2f  p90 %.2f  p99 %.2f  p99.9 %.2f  max %.2f\n", Percentile(ok, 50),
                Percentile(ok, 90), Percentile(ok, 99), Percentile(ok, 99.9), Percentile(ok, 100));
    if (!idsPath.empty()) {
        std::ofstream ids(idsPath, std::ios::app);
        for (const std::string& id : accepted) ids << id << '\n';
    }
    return 0;
}

// Every id accepted is in the database, judged, and judged once.
int Check(const std::string& database, const std::string& idsPath) {
    std::ifstream in(idsPath);
    std::vector<std::string> ids;
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) ids.push_back(line);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return 2;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT status, verdicts, claims FROM runs WHERE id = ?", -1, &st, nullptr);
    size_t lost = 0, unjudged = 0, twice = 0, verified = 0, rejected = 0, retaken = 0;
    for (const std::string& id : ids) {
        sqlite3_reset(st);
        sqlite3_bind_text(st, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) != SQLITE_ROW) {
            ++lost;
            continue;
        }
        const std::string status = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const int verdicts = sqlite3_column_int(st, 1);
        if (sqlite3_column_int(st, 2) > 1) ++retaken;
        if (status == "verified") ++verified;
        else if (status == "rejected") ++rejected;
        else ++unjudged;
        if (verdicts > 1) ++twice;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    std::printf("%zu accepted runs: %zu lost, %zu not yet judged, %zu judged twice; %zu verified, %zu rejected; "
                "%zu taken again after a kill\n",
                ids.size(), lost, unjudged, twice, verified, rejected, retaken);
    return lost == 0 && unjudged == 0 && twice == 0 ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: server_load read PORT RATE SECONDS [PATH]\n"
                 "       server_load submit PORT RATE SECONDS RECORDING [IDS]\n"
                 "       server_load check DATABASE IDS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + 1, argv + argc);
    try {
        if (a.size() == 3 && a[0] == "check") return Check(a[1], a[2]);
        if (a.size() < 4 || (a[0] != "read" && a[0] != "submit")) return Usage();
        const bool submit = a[0] == "submit";
        const int port = std::stoi(a[1]), rate = std::stoi(a[2]), seconds = std::stoi(a[3]);
        // Bounded: a mistyped figure cannot turn this into a flood.
        if (rate < 1 || rate > kMaxRate || seconds < 1 || seconds > kMaxSeconds || (submit && a.size() < 5)) return Usage();
        return Load(submit, port, rate, seconds, a.size() > 4 ? a[4] : "", a.size() > 5 ? a[5] : "");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "server_load: %s\n", e.what());
        return 1;
    }
}
