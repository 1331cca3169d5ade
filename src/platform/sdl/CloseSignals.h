// Signals that ask the window to close. SDL turns SIGINT and SIGTERM into a
// close request; SIGHUP (the terminal the game was started from went away)
// becomes one too, so a game in play ends as with Escape and is kept as a
// replay. SIGQUIT does the same, and once the game has ended the program
// dies of it, as the convention wants (its exit status, and a core where
// the system keeps them); a game that has not ended a few seconds later is
// taken for hung, which is what QUIT is usually sent for, and the program
// dies at once, its core showing the hang, its replay lost. A signal the
// program was started ignoring (nohup) stays ignored.
#pragma once

#include <thread>

namespace molfo {

class CloseSignals {
public:
    // Before any other thread starts, so that none of them takes the signals.
    CloseSignals();
    ~CloseSignals();
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

    // Once SDL's events work: from now on each signal is a close request
    // (one that came before is taken now).
    void Start();
    // After the game has ended and everything is written: dies of SIGQUIT
    // if one came; returns otherwise.
    void Finish();

private:
    void Run();

    int signals_ = -1;  // a signalfd for SIGHUP and SIGQUIT
    int stop_ = -1;     // an eventfd: the game has ended
    std::thread thread_;
    bool quit_ = false;  // written by the thread, read after it is joined
};

}  // namespace molfo
