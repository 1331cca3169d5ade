#include "core/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/Printable.h"

namespace molfo::files {

namespace {

namespace fs = std::filesystem;

// mkstemp's six random characters.
constexpr size_t kRandomChars = 6;
// As the kernel's own limit on links followed in one lookup.
constexpr int kMostLinks = 40;
constexpr size_t kMostKept = 100;  // ".bad" .. ".bad.99"

std::string Reason(int err) { return std::strerror(err); }

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    const uint8_t* p = bytes.data();
    size_t n = bytes.size();
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// The new name must survive a power cut too, not only the new bytes.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

bool FinalPath(const std::string& path, std::string& out, std::string& error) {
    std::string p = path;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) {
            // Not there yet: the write makes it.
            if (errno == ENOENT) {
                out = p;
                return true;
            }
            error = "cannot look at " + Printable(p, 200) + ": " + Reason(errno);
            return false;
        }
        if (!S_ISLNK(st.st_mode)) {
            out = p;
            return true;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size()) {
            error = "cannot read the link " + Printable(p, 200) + (n < 0 ? ": " + Reason(errno) : std::string());
            return false;
        }
        target.resize(static_cast<size_t>(n));
        p = target.front() == '/' ? target : FolderOf(p) + "/" + target;
    }
    error = Printable(path, 200) + " is a loop of symbolic links";
    return false;
}

StagedFile::~StagedFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

bool StagedFile::Write(const std::string& folder, const std::string& prefix, std::span<const uint8_t> bytes,
                       mode_t mode, std::string& error) {
    std::string tmp = (folder.empty() ? std::string(".") : folder) + "/" + prefix + std::string(kRandomChars, 'X');
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot make a file in " + Printable(folder, 200) + ": " + Reason(errno);
        return false;
    }
    path_ = tmp;
    ::fchmod(fd, mode);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) error = "cannot write in " + Printable(folder, 200) + ": " + Reason(err);
    return ok;
}

bool StagedFile::Replace(const std::string& path, std::string& error) {
    if (::rename(path_.c_str(), path.c_str()) != 0) {
        error = Reason(errno);
        return false;
    }
    path_.clear();
    SyncFolder(FolderOf(path));
    return true;
}

StagedFile::Named StagedFile::NameAs(const std::string& path, std::string& error) {
    // link() refuses a name that exists, where rename() would replace it.
    if (::link(path_.c_str(), path.c_str()) == 0) {
        SyncFolder(FolderOf(path));
        return Named::Done;
    }
    if (errno == EEXIST) return Named::Taken;
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
    // Folders that allow no hard links (FAT, some network shares) may
    // still rename without replacing.
    if (errno == EPERM || errno == EOPNOTSUPP) {
        if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
            path_.clear();
            SyncFolder(FolderOf(path));
            return Named::Done;
        }
        if (errno == EEXIST) return Named::Taken;
    }
#endif
#ifdef __EMSCRIPTEN__
    // The page's file system in memory has no hard links; only this
    // program, on its one thread, writes there, so a name free now is
    // still free for the rename.
    if (errno == EMLINK || errno == EPERM) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) return Named::Taken;
        if (::rename(path_.c_str(), path.c_str()) == 0) {
            path_.clear();
            return Named::Done;
        }
    }
#endif
    error = Reason(errno);
    return Named::Failed;
}

std::string TempPrefix(const std::string& name) { return name + ".tmp-"; }

std::string ReplaceFile(const std::string& path, std::span<const uint8_t> bytes) {
    std::string target, error;
    if (!FinalPath(path, target, error)) return error;
    const std::string folder = FolderOf(target);
    const std::string prefix = TempPrefix(fs::path(target).filename().string());
    SweepStale(folder, prefix);
    mode_t mode = kNewFileMode;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode = st.st_mode & 0777;
    StagedFile f;
    if (!f.Write(folder, prefix, bytes, mode, error)) return "cannot write " + Printable(path, 200) + ": " + error;
    if (!f.Replace(target, error)) return "cannot write " + Printable(path, 200) + ": " + error;
    return {};
}

std::string KeepBeside(const std::string& path) {
    // The file's bytes, not a second link to a name about to be replaced.
    std::string file, error;
    if (!FinalPath(path, file, error)) return {};
    for (size_t n = 1; n < kMostKept; ++n) {
        const std::string bad = path + ".bad" + (n == 1 ? std::string() : "." + std::to_string(n));
        // A hard link costs nothing and keeps every byte; a copy is the
        // fallback where links are not allowed.
        if (::link(file.c_str(), bad.c_str()) == 0) return bad;
        if (errno == EEXIST) continue;
        std::error_code ec;
        if (fs::copy_file(file, bad, fs::copy_options::none, ec)) return bad;
        if (fs::exists(bad, ec)) continue;
        return {};
    }
    return {};
}

FolderLock::FolderLock(const std::string& path) {
    fd_ = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0)
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
}

size_t SweepStale(const std::string& folder, const std::string& prefix, std::chrono::seconds age) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (d == nullptr) return 0;
    const time_t now = std::time(nullptr);
    const uid_t me = ::geteuid();
    size_t removed = 0;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name.size() != prefix.size() + kRandomChars || name.substr(0, prefix.size()) != prefix) continue;
        bool ours = true;
        for (char c : name.substr(prefix.size())) ours = ours && std::isalnum(static_cast<unsigned char>(c)) != 0;
        struct stat st {};
        if (!ours || ::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != me || now - st.st_mtime < age.count()) continue;
        if (::unlinkat(::dirfd(d), e->d_name, 0) == 0) ++removed;
    }
    ::closedir(d);
    return removed;
}

}  // namespace molfo::files
