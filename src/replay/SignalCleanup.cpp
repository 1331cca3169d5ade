#include "replay/SignalCleanup.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace molfo {

namespace {

constexpr std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Filled before the handlers go in, read only inside them: a signal handler
// may not allocate, so the path lives in a fixed buffer.
char gFolder[4096];
struct sigaction gOld[kSignals.size()];

struct Dirent64 {
    uint64_t ino;
    int64_t off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
};

// Empties the folder open as `fd`, `depth` levels down; async-signal-safe
// (open, getdents64, unlinkat, close).
void EmptyFolder(int fd, int depth) {
    alignas(8) char buf[4096];
    for (bool removed = true; removed;) {
        removed = false;
        const long n = syscall(SYS_getdents64, fd, buf, sizeof buf);
        if (n <= 0) return;
        for (long at = 0; at < n;) {
            const auto* d = reinterpret_cast<const Dirent64*>(buf + at);
            at += d->reclen;
            if (std::strcmp(d->name, ".") == 0 || std::strcmp(d->name, "..") == 0) continue;
            if (unlinkat(fd, d->name, 0) == 0) {
                removed = true;
                continue;
            }
            if (depth == 0) continue;
            const int sub = openat(fd, d->name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) continue;
            EmptyFolder(sub, depth - 1);
            close(sub);
            removed = unlinkat(fd, d->name, AT_REMOVEDIR) == 0 || removed;
        }
        // Entries removed shift the listing; read it again from the start
        // while that still removes something.
        lseek(fd, 0, SEEK_SET);
    }
}

void OnFatalSignal(int sig) {
    const int saved = errno;
    const int fd = open(gFolder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        EmptyFolder(fd, 1);
        close(fd);
        rmdir(gFolder);
    }
    errno = saved;
    signal(sig, SIG_DFL);
    raise(sig);
}

}  // namespace

SignalCleanup::SignalCleanup(const std::string& folder) {
    if (folder.empty() || folder.size() >= sizeof gFolder) return;
    std::memcpy(gFolder, folder.c_str(), folder.size() + 1);
    struct sigaction sa {};
    sa.sa_handler = OnFatalSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) sigaddset(&sa.sa_mask, s);
    for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &sa, &gOld[i]);
}

SignalCleanup::~SignalCleanup() {
    if (gFolder[0] == '\0') return;
    for (size_t i = 0; i < kSignals.size(); ++i) {
        // Put back what was there only while ours is still in place: the
        // program may have chosen otherwise since (ignoring them as it ends).
        struct sigaction now {};
        sigaction(kSignals[i], nullptr, &now);
        if (now.sa_handler == OnFatalSignal) sigaction(kSignals[i], &gOld[i], nullptr);
    }
    gFolder[0] = '\0';
}

}  // namespace molfo
