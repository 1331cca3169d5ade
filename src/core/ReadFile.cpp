#include "core/ReadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Printable.h"

namespace molfo {

bool ReadFileLimited(const std::string& path, size_t maxBytes, std::string& out, std::string& error) {
    out.clear();
    const std::string name = Printable(path, 200);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = "cannot read " + name + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        error = "cannot read " + name + ": it is a folder";
        return false;
    }
    // A file's own size, when it has one, is room enough for all of it at
    // once (a font is megabytes); pipes and the like grow piece by piece.
    if (S_ISREG(st.st_mode) && st.st_size > 0)
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
            error = "cannot read " + name + ": " + std::strerror(errno);
            ::close(fd);
            out.clear();
            return false;
        }
        out.resize(old + static_cast<size_t>(r));
        if (r == 0) break;
        if (out.size() > maxBytes) {
            ::close(fd);
            out.clear();
            error = name + " is larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MB, more than any file of its kind";
            return false;
        }
    }
    ::close(fd);
    return true;
}

}  // namespace molfo
