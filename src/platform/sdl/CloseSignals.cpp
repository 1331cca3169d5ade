#include "platform/sdl/CloseSignals.h"

#include <SDL.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>

namespace molfo {

namespace {

// Time for the game to end after SIGQUIT before it counts as hung.
constexpr int kQuitGraceMs = 5000;

// The signals taken: those not ignored when the program started (nohup
// ignores SIGHUP, a shell's background job SIGQUIT), since a signal blocked
// is kept for us even when ignored.
sigset_t Taken() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : {SIGHUP, SIGQUIT}) {
        struct sigaction now {};
        if (sigaction(sig, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) sigaddset(&set, sig);
    }
    return set;
}

void AskToClose() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

// Dies of SIGQUIT the default way, from the calling thread.
[[noreturn]] void DieOfQuit() {
    std::signal(SIGQUIT, SIG_DFL);
    sigset_t quit;
    sigemptyset(&quit);
    sigaddset(&quit, SIGQUIT);
    pthread_sigmask(SIG_UNBLOCK, &quit, nullptr);
    raise(SIGQUIT);
    _exit(128 + SIGQUIT);  // only if a core could not be asked for
}

}  // namespace

CloseSignals::CloseSignals() {
    const sigset_t set = Taken();
    // Inherited by every thread made from now on.
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signals_ = signalfd(-1, &set, SFD_CLOEXEC);
    stop_ = eventfd(0, EFD_CLOEXEC);
}

CloseSignals::~CloseSignals() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t w = write(stop_, &one, sizeof one);
        thread_.join();
    }
    if (signals_ >= 0) close(signals_);
    if (stop_ >= 0) close(stop_);
}

void CloseSignals::Start() {
    if (signals_ < 0 || stop_ < 0 || thread_.joinable()) return;
    thread_ = std::thread([this] { Run(); });
}

void CloseSignals::Run() {
    for (;;) {
        pollfd fds[2] = {{signals_, POLLIN, 0}, {stop_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) return;
        signalfd_siginfo info{};
        if (read(signals_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
        AskToClose();
        if (info.ssi_signo != SIGQUIT) continue;
        quit_ = true;
        pollfd ended{stop_, POLLIN, 0};
        if (poll(&ended, 1, kQuitGraceMs) > 0) return;
        DieOfQuit();
    }
}

void CloseSignals::Finish() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t w = write(stop_, &one, sizeof one);
        thread_.join();
    }
    if (quit_) DieOfQuit();
}

}  // namespace molfo
