// The verifier workers: each takes the oldest queued run from the database,
// has the game verify it and records the verdict. The queue is the database,
// so workers of several servers share it; a lease, renewed by nothing, bounds
// how long a run can stay with a server that died.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/Metrics.h"
#include "server/Store.h"
#include "server/Verifier.h"

namespace molfo::server {

int64_t NowMs();

class Workers {
public:
    // `owner` names this server in the database; `leaseMs` how long a run it
    // took stays its own.
    Workers(Store& store, const Verifier& verifier, Metrics& metrics, std::string owner, int count, int64_t leaseMs);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Takes back what this server was verifying when it last stopped, then
    // starts the workers.
    void Start();
    void Stop();
    // A run was queued here: a sleeping worker looks at once.
    void Wake();

private:
    void Loop(int index);
    bool Once();
    void Sleep(std::chrono::milliseconds d);

    Store& store_;
    const Verifier& verifier_;
    Metrics& metrics_;
    std::string owner_;
    int count_;
    int64_t leaseMs_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    uint64_t wakes_ = 0;
    std::vector<std::thread> threads_;
};

}  // namespace molfo::server
