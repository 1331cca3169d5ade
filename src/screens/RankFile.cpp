#include "screens/RankFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/AtomicFile.h"

namespace molfo::rank {

namespace {

void PutRecord(uint8_t* rec, const NameField& name, int16_t score) {
    std::memcpy(rec, name.data(), kNameBytes);
    const auto u = static_cast<uint16_t>(score);
    rec[kNameBytes] = static_cast<uint8_t>(u & 0xFF);
    rec[kNameBytes + 1] = static_cast<uint8_t>(u >> 8);
}

}  // namespace

RankTable FreshTable() {
    RankTable t;
    for (auto& n : t.RankName) n.fill(' ');
    t.RankScore.fill(0);
    return t;
}

RankTable ParseRank(std::span<const uint8_t> bytes) {
    RankTable t = FreshTable();
    // A record cut short by the end of the file is not trusted at all.
    const size_t whole = std::min<size_t>(bytes.size() / kRecordBytes, kPlaces);
    for (size_t i = 0; i < whole; ++i) {
        const uint8_t* rec = bytes.data() + i * kRecordBytes;
        NameField& name = t.RankName[i + 1];
        std::memcpy(name.data(), rec, kNameBytes);
        t.RankScore[i + 1] = static_cast<int16_t>(static_cast<uint16_t>(rec[kNameBytes] | (rec[kNameBytes + 1] << 8)));
    }
    return t;
}

std::vector<uint8_t> SerializeRank(const RankTable& t) {
    std::vector<uint8_t> out(kFileBytes);
    for (int i = 1; i <= kPlaces; ++i) PutRecord(out.data() + (i - 1) * kRecordBytes, t.RankName[i], t.RankScore[i]);
    return out;
}

RankLoad LoadRankFile(const std::string& path) {
    RankLoad load;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A first game has no file yet; nor does a data folder not made yet.
        if (errno == ENOENT || errno == ENOTDIR) return load;
        load.status = RankLoad::Status::Unreadable;
        load.problem = "cannot read the ranking " + path + ": " + std::strerror(errno);
        return load;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const char* what = S_ISDIR(st.st_mode) ? "a folder" : S_ISFIFO(st.st_mode) ? "a named pipe"
                         : S_ISSOCK(st.st_mode) ? "a socket" : "a device or special file";
        ::close(fd);
        load.status = RankLoad::Status::Unreadable;
        load.problem = "cannot read the ranking " + path + ": it is " + what + ", not a file";
        return load;
    }
    // One byte more than a whole table tells a longer file from a right one.
    std::array<uint8_t, kFileBytes + 1> buf{};
    size_t got = 0;
    while (got < buf.size()) {
        const ssize_t r = ::read(fd, buf.data() + got, buf.size() - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            load.status = RankLoad::Status::Unreadable;
            load.problem = "cannot read the ranking " + path + ": " + std::strerror(errno);
            ::close(fd);
            return load;
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    ::close(fd);
    load.status = got == static_cast<size_t>(kFileBytes) ? RankLoad::Status::Ok : RankLoad::Status::WrongLength;
    load.table = ParseRank(std::span<const uint8_t>(buf.data(), std::min<size_t>(got, kFileBytes)));
    return load;
}

RankTable ReadRankFile(const std::string& path) { return LoadRankFile(path).table; }

std::string WriteRankFile(const std::string& path, const RankTable& t) {
    return files::ReplaceFile(path, SerializeRank(t));
}

std::string RecordScore(const std::string& path, int16_t score, const NameField& name, RankTable& now) {
    files::FolderLock lock(path);
    RankLoad load = LoadRankFile(path);
    if (load.status == RankLoad::Status::Unreadable) return load.problem;
    now = load.table;
    const int16_t place = FindPlace(now, score);
    if (place != 0) InsertRank(now, place, score, name);
    // A score below all 1000 leaves a sound file as it is.
    if (place == 0 && load.status == RankLoad::Status::Ok) return {};
    if (load.status == RankLoad::Status::WrongLength) {
        const std::string kept = files::KeepBeside(path);
        if (kept.empty()) return "cannot keep a copy of " + path + " before repairing it; the ranking is left as it was";
    }
    return WriteRankFile(path, now);
}

}  // namespace molfo::rank
