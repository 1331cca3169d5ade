// A replay's private data folder is removed on every exit a program can
// catch: the overlay's destructor on a normal end or an exception, and this
// on SIGINT, SIGTERM, SIGHUP and SIGQUIT, after which the signal takes its
// usual course (the exit status still says which signal it was).
#pragma once

#include <string>

namespace molfo {

// Removes `folder` (two levels deep: the overlay holds sys/ and its links)
// if a fatal signal arrives while the guard lives. One guard at a time.
class SignalCleanup {
public:
    explicit SignalCleanup(const std::string& folder);
    ~SignalCleanup();
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;
};

}  // namespace molfo
