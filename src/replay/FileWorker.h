// File work off the game's thread. Jobs run one after another, in the order
// they were posted, on a thread of their own, so writing a recording never
// holds up a frame however slow the disk. (In the browser, without threads,
// the jobs run at once, on files kept in memory.)
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace molfo {

class FileWorker {
public:
    FileWorker() = default;
    // Runs every job still waiting before it goes.
    ~FileWorker();
    FileWorker(const FileWorker&) = delete;
    FileWorker& operator=(const FileWorker&) = delete;

    void Post(std::function<void()> job);
    // Returns once every job posted so far has run.
    void Drain();

private:
    void Run();

    std::mutex m_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;  // started with the first job
};

}  // namespace molfo
