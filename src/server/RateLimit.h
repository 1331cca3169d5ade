// Per-address limits on submissions: a token bucket each, refilled at a
// steady rate up to a burst. Addresses idle long enough to be full again are
// forgotten, so the table stays as small as the set of recent senders.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace molfo::server {

class RateLimit {
public:
    // `perMinute` tokens a minute, at most `burst` saved up.
    RateLimit(double perMinute, double burst) : perMs_(perMinute / 60000.0), burst_(burst) {}

    // Takes a token for `address` at `nowMs`. Returns 0 when taken, else the
    // whole seconds until one will be there (for Retry-After).
    int64_t Take(const std::string& address, int64_t nowMs);

    size_t Tracked() const;

private:
    struct Bucket {
        double tokens = 0;
        int64_t lastMs = 0;
    };
    void Forget(int64_t nowMs);

    double perMs_;
    double burst_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
    int64_t lastSweepMs_ = 0;
};

}  // namespace molfo::server
