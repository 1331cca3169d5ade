#include "replay/FileWorker.h"

namespace molfo {

FileWorker::~FileWorker() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void FileWorker::Post(std::function<void()> job) {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    // The browser build has no threads; its files live in memory, so a job
    // done at once costs a copy, never a wait on a disk.
    job();
    return;
#endif
    {
        std::lock_guard<std::mutex> lock(m_);
        jobs_.push_back(std::move(job));
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
}

void FileWorker::Drain() {
    std::unique_lock<std::mutex> lock(m_);
    done_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void FileWorker::Run() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping, and nothing is left to do
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        job();
        lock.lock();
        busy_ = false;
        if (jobs_.empty()) done_.notify_all();
    }
}

}  // namespace molfo
