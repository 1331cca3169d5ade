// What the windowed game does before it opens its window: find its own
// folder, and make sure only one copy of it runs at a time.
#pragma once

#include <string>

namespace molfo {

// The folder that holds the running program, from /proc/self/exe; empty
// when it cannot be found.
std::string ProgramFolder();

// The single-instance check: an exclusive flock on a lock file named per
// user. The kernel drops the lock when the process ends, however it ends, so
// a crash never leaves a stale lock behind.
class InstanceLock {
public:
    enum class Result {
        Acquired,    // this is the only copy
        Busy,        // another copy holds the lock
        Unavailable  // the lock file cannot be made; run anyway
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result Acquire();
    // Where the lock file lives: $XDG_RUNTIME_DIR when it is a folder,
    // otherwise /tmp with the user id in the name.
    static std::string Path();
    // Why Acquire gave Unavailable.
    const std::string& Problem() const { return problem_; }

private:
    int fd_ = -1;
    std::string problem_;
};

}  // namespace molfo
