#include "core/ReadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Printable.h"

namespace molfo {

namespace {

constexpr size_t kKilobyte = 1024;
constexpr size_t kMegabyte = kKilobyte * kKilobyte;

const char* WhatIsThere(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

}  // namespace

std::string SizeText(size_t bytes) {
    if (bytes >= kMegabyte && bytes % kMegabyte == 0) return std::to_string(bytes / kMegabyte) + " MB";
    if (bytes >= kKilobyte && bytes % kKilobyte == 0) return std::to_string(bytes / kKilobyte) + " KB";
    return std::to_string(bytes) + " bytes";
}

int OpenRegularFile(const std::string& path, std::string& error, bool* missing) {
    const std::string name = Printable(path, 200);
    if (missing != nullptr) *missing = false;
    // Non-blocking: opening a named pipe must not wait for a writer, nor a
    // device for its line.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        if (missing != nullptr) *missing = err == ENOENT;
        error = "cannot read " + name + ": " +
                (err == ELOOP ? std::string("it is a loop of symbolic links") : std::string(std::strerror(err)));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        ::close(fd);
        error = "cannot read " + name + ": " +
                (st.st_mode != 0 ? "it is " + std::string(WhatIsThere(st.st_mode)) + ", not a file"
                                 : std::string(std::strerror(err)));
        return -1;
    }
    return fd;
}

bool ReadFileLimited(const std::string& path, size_t maxBytes, std::string& out, std::string& error) {
    out.clear();
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) return false;
    struct stat st {};
    // A file's own size is room enough for all of it at once (a font is
    // megabytes).
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        out.reserve(std::min(static_cast<size_t>(st.st_size), maxBytes) + 1);
    constexpr size_t kPiece = 64 * 1024;
    for (;;) {
        const size_t room = maxBytes + 1 - out.size();  // one byte past the limit shows it was passed
        const size_t old = out.size();
        out.resize(old + std::max(std::min(kPiece, room), std::min(out.capacity() - old, room)));
        const ssize_t r = ::read(fd, out.data() + old, out.size() - old);
        if (r < 0 && errno == EINTR) {
            out.resize(old);
            continue;
        }
        if (r < 0) {
            error = "cannot read " + Printable(path, 200) + ": " + std::strerror(errno);
            ::close(fd);
            out.clear();
            return false;
        }
        out.resize(old + static_cast<size_t>(r));
        if (r == 0) break;
        if (out.size() > maxBytes) {
            ::close(fd);
            out.clear();
            error = Printable(path, 200) + " is larger than " + SizeText(maxBytes) + ", more than any file of its kind";
            return false;
        }
    }
    ::close(fd);
    return true;
}

}  // namespace molfo
