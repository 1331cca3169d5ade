#include "platform/sdl/Startup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace molfo {

std::string ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    return exe.parent_path().string();
}

InstanceLock::~InstanceLock() {
    // Closing the descriptor drops the lock; the file stays for the next run.
    if (fd_ >= 0) close(fd_);
}

std::string InstanceLock::Path() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return std::string(runtime) + "/molfo.lock";
    return "/tmp/molfo-" + std::to_string(getuid()) + ".lock";
}

InstanceLock::Result InstanceLock::Acquire() {
    if (fd_ >= 0) return Result::Acquired;
    const std::string path = Path();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        problem_ = "cannot open the lock file " + path + ": " + std::strerror(errno);
        return Result::Unavailable;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        close(fd);
        if (err == EWOULDBLOCK) return Result::Busy;
        problem_ = "cannot lock " + path + ": " + std::strerror(err);
        return Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

}  // namespace molfo
