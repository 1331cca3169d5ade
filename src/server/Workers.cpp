#include "server/Workers.h"

#include <chrono>
#include <cstdio>

#include "core/Printable.h"

namespace molfo::server {

namespace {

// Another server's submissions wake no worker here: the queue is looked at
// this often anyway.
constexpr auto kPollEvery = std::chrono::milliseconds(250);
// A database that fails, or a verifier that cannot start, is tried again after this.
constexpr auto kBackOff = std::chrono::seconds(2);
// Runs leased to a server that never came back are looked for this often.
constexpr int64_t kRequeueEveryMs = 5000;

void Log(const std::string& line) {
    std::fprintf(stderr, "molfo-server: %s\n", line.c_str());
}

}  // namespace

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

Workers::Workers(Store& store, const Verifier& verifier, Metrics& metrics, std::string owner, int count, int64_t leaseMs)
    : store_(store), verifier_(verifier), metrics_(metrics), owner_(std::move(owner)), count_(count), leaseMs_(leaseMs) {}

Workers::~Workers() { Stop(); }

void Workers::Start() {
    try {
        const int64_t n = store_.Requeue(owner_, NowMs());
        if (n > 0) Log("put back on the queue " + std::to_string(n) + " runs left verifying");
    } catch (const StoreError& e) {
        Log(e.what());
    }
    running_ = true;
    for (int i = 0; i < count_; ++i) threads_.emplace_back([this, i] { Loop(i); });
}

void Workers::Stop() {
    stopping_ = true;
    if (!running_.exchange(false)) return;
    Wake();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
}

void Workers::Wake() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++wakes_;
    }
    wake_.notify_all();
}

void Workers::Sleep(std::chrono::milliseconds d) {
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t seen = wakes_;
    wake_.wait_for(lock, d, [&] { return !running_ || wakes_ != seen; });
}

void Workers::Loop(int index) {
    int64_t nextRequeue = NowMs() + kRequeueEveryMs;
    while (running_) {
        bool worked = false;
        try {
            if (index == 0 && NowMs() >= nextRequeue) {
                nextRequeue = NowMs() + kRequeueEveryMs;
                const int64_t n = store_.Requeue("", NowMs());
                if (n > 0) Log("put back on the queue " + std::to_string(n) + " runs whose lease ran out");
            }
            worked = Once();
        } catch (const StoreError& e) {
            Log(e.what());
            Sleep(kBackOff);
            continue;
        }
        if (!worked) Sleep(kPollEvery);
    }
}

bool Workers::Once() {
    const std::optional<Claim> claim = store_.Take(owner_, NowMs(), NowMs() + leaseMs_);
    if (!claim) return false;
    const auto start = std::chrono::steady_clock::now();
    Verdict v = verifier_.Verify(claim->recording, &stopping_);
    while (v.retry && running_) {
        Log("run " + claim->id + ": " + v.reason + "; trying again");
        Sleep(kBackOff);
        v = verifier_.Verify(claim->recording, &stopping_);
    }
    if (v.retry) return true;  // stopping: the run goes back on the queue at the next start
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!store_.Finish(claim->id, claim->token, v, NowMs())) {
        Log("run " + claim->id + ": the lease ran out before the verdict; another server has it");
        return true;
    }
    metrics_.Verdict(v.verified, seconds);
    if (v.verified)
        Log("run " + claim->id + " verified: " + std::to_string(v.score) + " points, " + v.ended + " at stage " +
            std::to_string(v.stage) + ", " + std::to_string(v.frames) + " frames");
    else
        Log("run " + claim->id + " rejected: " + Printable(v.reason, 300));
    return true;
}

}  // namespace molfo::server
