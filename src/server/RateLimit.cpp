#include "server/RateLimit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace molfo::server {

namespace {

// Sweeping the whole table is worth it only now and then.
constexpr int64_t kSweepEveryMs = 10000;
constexpr size_t kSweepAbove = 1024;

}  // namespace

int64_t RateLimit::Take(const std::string& address, int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (buckets_.size() > kSweepAbove && nowMs - lastSweepMs_ >= kSweepEveryMs) Forget(nowMs);
    auto [it, fresh] = buckets_.try_emplace(address, Bucket{burst_, nowMs});
    Bucket& b = it->second;
    if (!fresh) {
        // A clock stepping back never adds tokens.
        const int64_t elapsed = std::max<int64_t>(nowMs - b.lastMs, 0);
        b.tokens = std::min(burst_, b.tokens + static_cast<double>(elapsed) * perMs_);
        b.lastMs = std::max(b.lastMs, nowMs);
    }
    if (b.tokens >= 1.0) {
        b.tokens -= 1.0;
        return 0;
    }
    if (perMs_ <= 0) return INT32_MAX;
    const double waitMs = (1.0 - b.tokens) / perMs_;
    return std::max<int64_t>(1, static_cast<int64_t>(std::ceil(waitMs / 1000.0)));
}

void RateLimit::Forget(int64_t nowMs) {
    lastSweepMs_ = nowMs;
    for (auto it = buckets_.begin(); it != buckets_.end();) {
        const double refilled = it->second.tokens + static_cast<double>(nowMs - it->second.lastMs) * perMs_;
        it = refilled >= burst_ ? buckets_.erase(it) : std::next(it);
    }
}

size_t RateLimit::Tracked() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return buckets_.size();
}

}  // namespace molfo::server
