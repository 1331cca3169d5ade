// Database connections lent to one call at a time, kept for the next: the
// SQLite and the PostgreSQL stores each hold a pool of their own.
#pragma once

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace molfo::server {

template <typename Conn>
class Pool {
public:
    // `open` makes a connection when none is free (it may throw);
    // `mend` looks at one taken from the pool, to mend what the other end
    // closed meanwhile; `close` ends each when the pool goes.
    Pool(std::function<Conn*()> open, std::function<void(Conn*)> close, std::function<void(Conn*)> mend = {})
        : open_(std::move(open)), close_(std::move(close)), mend_(std::move(mend)) {}
    ~Pool() {
        for (Conn* c : free_) close_(c);
    }
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    // One connection for the length of one call.
    class Lease {
    public:
        explicit Lease(Pool& p) : p_(p), c_(p.Take()) {}
        ~Lease() { p_.Give(c_); }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Conn* get() const { return c_; }
        Conn* operator->() const { return c_; }
        Conn& operator*() const { return *c_; }

    private:
        Pool& p_;
        Conn* c_;
    };

private:
    Conn* Take() {
        Conn* c = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                c = free_.back();
                free_.pop_back();
            }
        }
        if (c == nullptr) return open_();
        if (mend_) mend_(c);
        return c;
    }
    void Give(Conn* c) {
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(c);
    }

    std::function<Conn*()> open_;
    std::function<void(Conn*)> close_;
    std::function<void(Conn*)> mend_;
    std::mutex mutex_;
    std::vector<Conn*> free_;
};

}  // namespace molfo::server
