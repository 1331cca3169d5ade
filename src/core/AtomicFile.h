// Files the game writes whole (the ranking, the settings, the kept replays):
// each is written to a temporary file in the folder it ends up in, synced,
// and only then given its name, so a crash, a kill or a full disk leaves
// either the old file or the new one, never half of one. A temporary file
// orphaned by a kill is swept away later by the next writer.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace molfo::files {

// A temporary file untouched this long belongs to no writer still running:
// writing one takes well under a second.
inline constexpr std::chrono::minutes kStaleAfter{10};
// The mode of a new file, as an ordinary file would have (mkstemp's 0600
// would hide a ranking from the other players of a shared install).
inline constexpr mode_t kNewFileMode = 0644;

std::span<const uint8_t> Bytes(std::string_view text);

// Where writing to `path` really lands: symbolic links followed to the name
// they end at, which need not exist yet (a link into a dotfiles folder whose
// file is still to be made). False, with one line in `error`, for a loop of
// links or a link that cannot be read.
bool FinalPath(const std::string& path, std::string& out, std::string& error);

// A temporary file, written whole and synced, waiting for its name; removed
// when dropped unless it was given one.
class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates "<folder>/<prefix>XXXXXX" and writes `bytes` into it.
    bool Write(const std::string& folder, const std::string& prefix, std::span<const uint8_t> bytes, mode_t mode,
               std::string& error);
    // Renames it over `path`: whatever was there is replaced in one step.
    bool Replace(const std::string& path, std::string& error);
    // Gives it the name `path` only when no file has that name yet.
    enum class Named { Done, Taken, Failed };
    Named NameAs(const std::string& path, std::string& error);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Replaces the file at `path` with `bytes`. A symbolic link is followed and
// the file it names replaced, so the link stays a link; the new file keeps
// the old one's permissions (kNewFileMode when there was none). The
// temporary file is "<name>.tmp-XXXXXX" beside the file replaced, and stale
// ones of that name are swept first. Returns an empty text, or one line
// saying what went wrong, the old file then left as it was.
std::string ReplaceFile(const std::string& path, std::span<const uint8_t> bytes);

// The temporary name ReplaceFile uses for a file called `name`, without its
// six random characters.
std::string TempPrefix(const std::string& name);

// A second name for the file as it is, beside it: "<path>.bad", or
// ".bad.2" and on when that is taken, so a file about to be repaired is
// never lost. Returns the name, or empty when no copy could be made.
std::string KeepBeside(const std::string& path);

// An exclusive lock on the folder of `path`, held while a file is read,
// changed and replaced, so writers meeting there each keep their change.
// Without a lock (a folder that cannot be opened) the write goes on and
// fails or succeeds on its own.
class FolderLock {
public:
    explicit FolderLock(const std::string& path);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// Removes the temporary files a killed writer left in `folder`: regular
// files named `prefix` and six letters or digits, owned by this user and
// unchanged for `age`. Returns how many went.
size_t SweepStale(const std::string& folder, const std::string& prefix,
                  std::chrono::seconds age = kStaleAfter);

}  // namespace molfo::files
