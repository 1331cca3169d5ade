#include "server/Metrics.h"

#include <cstdio>
#include <regex>

namespace molfo::server {

void Metrics::Request(const std::string& route, int status) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++requests_[{route, status}];
}

void Metrics::Verdict(bool verified, double seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++(verified ? verified_ : rejected_);
    ++verifications_;
    verifySeconds_ += seconds;
    for (size_t i = 0; i < kBuckets.size(); ++i)
        if (seconds <= kBuckets[i]) ++bucketCounts_[i];
}

std::string Metrics::Text(int64_t queued, int64_t verifying) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string t;
    char line[256];
    t += "# HELP molfo_http_requests_total HTTP requests answered, by route and status.\n";
    t += "# TYPE molfo_http_requests_total counter\n";
    for (const auto& [key, n] : requests_) {
        std::snprintf(line, sizeof line, "molfo_http_requests_total{route=\"%s\",status=\"%d\"} %llu\n",
                      key.first.c_str(), key.second, static_cast<unsigned long long>(n));
        t += line;
    }
    t += "# HELP molfo_queue_runs Runs waiting for a verifier or being verified, across every server.\n";
    t += "# TYPE molfo_queue_runs gauge\n";
    t += "molfo_queue_runs{status=\"queued\"} " + std::to_string(queued) + "\n";
    t += "molfo_queue_runs{status=\"verifying\"} " + std::to_string(verifying) + "\n";
    t += "# HELP molfo_runs_verified_total Runs this server verified.\n# TYPE molfo_runs_verified_total counter\n";
    t += "molfo_runs_verified_total " + std::to_string(verified_) + "\n";
    t += "# HELP molfo_runs_rejected_total Runs this server rejected.\n# TYPE molfo_runs_rejected_total counter\n";
    t += "molfo_runs_rejected_total " + std::to_string(rejected_) + "\n";
    t += "# HELP molfo_verification_seconds Wall-clock time of one verification.\n";
    t += "# TYPE molfo_verification_seconds histogram\n";
    for (size_t i = 0; i < kBuckets.size(); ++i) {
        std::snprintf(line, sizeof line, "molfo_verification_seconds_bucket{le=\"%g\"} %llu\n", kBuckets[i],
                      static_cast<unsigned long long>(bucketCounts_[i]));
        t += line;
    }
    t += "molfo_verification_seconds_bucket{le=\"+Inf\"} " + std::to_string(verifications_) + "\n";
    std::snprintf(line, sizeof line, "molfo_verification_seconds_sum %.6f\n", verifySeconds_);
    t += line;
    t += "molfo_verification_seconds_count " + std::to_string(verifications_) + "\n";
    return t;
}

std::string RouteOf(const std::string& method, const std::string& path) {
    static const std::regex run(R"(^/api/v1/runs/[^/]+$)");
    static const std::regex recording(R"(^/api/v1/runs/[^/]+/recording$)");
    std::string route;
    if (path == "/api/v1/runs") route = "/api/v1/runs";
    else if (path == "/api/v1/leaderboard") route = "/api/v1/leaderboard";
    else if (path == "/healthz" || path == "/metrics" || path == "/") route = path;
    else if (path.rfind("/play/", 0) == 0) route = "/play/";
    else if (std::regex_match(path, recording)) route = "/api/v1/runs/:id/recording";
    else if (std::regex_match(path, run)) route = "/api/v1/runs/:id";
    else route = "other";
    return method + " " + route;
}

}  // namespace molfo::server
