// What /metrics tells, in Prometheus's text format: requests by route and
// status, runs verified and rejected, and how long verifications took, all
// counted by this process since it started; the queue's length is read from
// the database at each scrape, so every server behind a balancer tells the same.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace molfo::server {

class Metrics {
public:
    void Request(const std::string& route, int status);
    void Verdict(bool verified, double seconds);
    std::string Text(int64_t queued, int64_t verifying) const;

    // Upper bounds of the verification time's buckets, in seconds.
    static constexpr std::array<double, 11> kBuckets = {0.1, 0.25, 0.5, 1, 2, 3, 5, 10, 30, 60, 120};

private:
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, int>, uint64_t> requests_;
    uint64_t verified_ = 0;
    uint64_t rejected_ = 0;
    std::array<uint64_t, kBuckets.size()> bucketCounts_{};
    uint64_t verifications_ = 0;
    double verifySeconds_ = 0;
};

// The route a path belongs to, for the request count: a fixed set, so a
// client sending made-up paths cannot grow the table.
std::string RouteOf(const std::string& method, const std::string& path);

}  // namespace molfo::server
