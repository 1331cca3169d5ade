#include "replay/Library.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <regex>
#include <system_error>

#include "core/AtomicFile.h"
#include "core/Printable.h"
#include "core/ReadFile.h"
#include "game/RankPlace.h"
#include "replay/ReplayFile.h"

namespace molfo::library {

namespace fs = std::filesystem;

namespace {

const std::regex& NamePattern() {
    static const std::regex re(
        R"(^(\d{4}-\d{2}-\d{2})_(\d{2})(\d{2})(\d{2})(?:-(\d{1,4}))?_(\d{1,5})pts_(?:stage([1-9])(-boss)?|(ending))(_practice)?(_best)?\.mrec$)");
    return re;
}

std::string Reached(const GameSummary& s) {
    if (s.ending) return "ending";
    return "stage " + std::to_string(s.stage) + (s.boss ? " boss" : "");
}

// Write order first: the names' dates follow the clock, which may have been
// wrong once, but each file written here is stamped after every other.
bool Older(const Kept& a, const Kept& b) {
    if (a.written != b.written) return a.written < b.written;
    return a.date != b.date ? a.date < b.date : a.serial < b.serial;
}

constexpr char kTempPrefix[] = ".molfo-replay-";
constexpr int64_t kNsPerSecond = 1000000000;
// The least step between two files' write stamps: coarser than any
// filesystem keeps them.
constexpr int64_t kStampStepNs = 1000000;
constexpr int kSecondsPerDay = 24 * 60 * 60;

int64_t StampNs(const timespec& t) { return int64_t{t.tv_sec} * kNsPerSecond + t.tv_nsec; }

// Stamps the new file after every other kept one, however the clock stands.
void StampAfter(const std::string& path, const std::vector<Kept>& others) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    int64_t stamp = StampNs(now);
    for (const Kept& k : others) stamp = std::max(stamp, k.written + kStampStepNs);
    const timespec t{static_cast<time_t>(stamp / kNsPerSecond), static_cast<long>(stamp % kNsPerSecond)};
    const timespec times[2] = {t, t};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// A file is removed only when the game wrote it: a recording of its own
// format, never a file of the player's that merely has such a name.
bool IsRecording(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    char magic[sizeof replay::kMagic] = {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    ::read(fd, magic, sizeof magic) == static_cast<ssize_t>(sizeof magic) &&
                    std::memcmp(magic, replay::kMagic, sizeof magic) == 0;
    ::close(fd);
    return ok;
}

// The date a name carries a day after `when`: names past it are from the
// future (a day's grace for a change of time zone).
std::string DayAfter(const std::tm& when) {
    std::tm t = when;
    t.tm_isdst = -1;
    const std::time_t later = std::mktime(&t) + kSecondsPerDay;
    std::tm next{};
    localtime_r(&later, &next);
    Kept k;
    ParseName(FileName(next, 1, GameSummary{}, false), k);
    return k.date;
}

}  // namespace

std::string DefaultFolder() {
    const std::string data = UserDataFolder();
    return data.empty() ? std::string() : data + "replays/";
}

std::string FileName(const std::tm& when, int serial, const GameSummary& s, bool best) {
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d_%02d%02d%02d", when.tm_year + 1900, when.tm_mon + 1,
                  when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    std::string name = stamp;
    if (serial > 1) name += "-" + std::to_string(serial);
    name += "_" + std::to_string(std::clamp(s.score, 0, 99999)) + "pts_";
    name += s.ending ? std::string("ending") : "stage" + std::to_string(std::clamp(s.stage, 1, 9)) + (s.boss ? "-boss" : "");
    if (s.practice) name += "_practice";
    if (best) name += "_best";
    return name + ".mrec";
}

bool ParseName(const std::string& file, Kept& out) {
    std::smatch m;
    if (!std::regex_match(file, m, NamePattern())) return false;
    out = Kept{};
    out.file = file;
    out.date = m[1].str() + " " + m[2].str() + ":" + m[3].str() + ":" + m[4].str();
    out.serial = m[5].matched ? std::stoi(m[5].str()) : 1;
    out.summary.score = std::stoi(m[6].str());
    out.summary.ending = m[9].matched;
    out.summary.stage = m[7].matched ? std::stoi(m[7].str()) : 5;
    out.summary.boss = m[8].matched || out.summary.ending;
    out.summary.practice = m[10].matched;
    out.best = m[11].matched;
    return true;
}

std::vector<Kept> List(const std::string& folder) {
    std::vector<Kept> out;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        Kept k;
        if (!e.is_regular_file(ec) || !ParseName(e.path().filename().string(), k)) continue;
        k.path = e.path().string();
        struct stat st {};
        if (::stat(k.path.c_str(), &st) == 0) k.written = StampNs(st.st_mtim);
        out.push_back(std::move(k));
    }
    std::sort(out.begin(), out.end(), Older);
    return out;
}

std::string Last(const std::string& folder) {
    const std::vector<Kept> all = List(folder);
    return all.empty() ? std::string() : all.back().path;
}

std::string Best(const std::string& folder) {
    const std::vector<Kept> all = List(folder);
    const Kept* best = nullptr;
    // A game from the start beats any practice run.
    auto better = [](const Kept& a, const Kept& b) {
        if (a.summary.practice != b.summary.practice) return !a.summary.practice;
        return a.summary.score >= b.summary.score;
    };
    for (const Kept& k : all)
        if (best == nullptr || better(k, *best)) best = &k;
    return best == nullptr ? std::string() : best->path;
}

std::string Save(const std::string& folder, const std::vector<uint8_t>& bytes, const GameSummary& summary,
                 const std::tm& when, std::string& error, std::string* future) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        error = "cannot make the replay folder " + folder + (ec ? ": " + ec.message() : "");
        return {};
    }
    // What a writer killed half way left behind.
    files::SweepStale(folder, kTempPrefix);
    int highest = 0, serial = 1;
    const std::string date = [&] {
        Kept k;
        ParseName(FileName(when, 1, summary, false), k);
        return k.date;
    }();
    const std::string tomorrow = DayAfter(when);
    size_t fromFuture = 0;
    const std::vector<Kept> before = List(folder);
    for (const Kept& k : before) {
        if (!k.summary.practice) highest = std::max(highest, k.summary.score);
        // Games ending in the same second are told apart, and ordered, by serial.
        if (k.date == date) serial = std::max(serial, k.serial + 1);
        if (k.date > tomorrow) ++fromFuture;
    }
    if (future != nullptr && fromFuture > 0)
        *future = std::to_string(fromFuture) + " kept replays in " + Printable(folder, 300) +
                  " are dated after today (the clock was wrong when they were written?); they count as older than "
                  "the games played now";
    const bool best = !summary.practice && summary.score > highest;

    files::StagedFile staged;
    if (!staged.Write(folder, kTempPrefix, bytes, files::kNewFileMode, error)) return {};
    // Two games ending in one second (or two copies of the program) each
    // keep theirs.
    std::string path;
    for (; serial < 10000; ++serial) {
        path = (fs::path(folder) / FileName(when, serial, summary, best)).string();
        const files::StagedFile::Named named = staged.NameAs(path, error);
        if (named == files::StagedFile::Named::Done) break;
        if (named == files::StagedFile::Named::Failed) error = "cannot name the replay " + path + ": " + error;
        path.clear();
        if (named == files::StagedFile::Named::Failed) break;
    }
    if (path.empty()) {
        if (error.empty()) error = "no free name for the replay in " + folder;
        return {};
    }
    StampAfter(path, before);
    Prune(folder, kKeepRecent, kKeepBests, path);
    return path;
}

size_t Prune(const std::string& folder, size_t recent, size_t bests, const std::string& justWritten) {
    const std::vector<Kept> all = List(folder);
    std::vector<bool> keep(all.size(), false);
    size_t bestsKept = 0;
    for (size_t i = all.size(); i-- > 0;) {
        const bool isRecent = all.size() - i <= recent;
        const bool isBest = all[i].best && bestsKept < bests;
        if (all[i].best && isBest) ++bestsKept;
        keep[i] = isRecent || isBest;
    }
    size_t removed = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        std::error_code ec;
        if (keep[i] || all[i].path == justWritten || !IsRecording(all[i].path)) continue;
        if (fs::remove(all[i].path, ec)) ++removed;
    }
    return removed;
}

int PrintList(std::ostream& out, const std::string& folder, const std::string& programVersion) {
    if (folder.empty()) {
        out << "There is no user data folder (set HOME or XDG_DATA_HOME), so no replays are kept.\n";
        return 0;
    }
    const std::vector<Kept> all = List(folder);
    if (all.empty()) {
        out << "No replays kept yet in " << Printable(folder, 300) << ": every game played in the window is.\n";
        return 0;
    }
    out << "Replays kept in " << Printable(folder, 300) << " (oldest first; * a personal best):\n";
    char line[256];
    std::snprintf(line, sizeof line, "   %-19s %6s  %-13s %7s  %-9s %-24s %s\n", "date", "score", "reached", "length",
                  "version", "verifies here", "file");
    out << line;
    for (const Kept& k : all) {
        std::string bytes, error, version = "?", verifies, length = "?";
        replay::Recording rec;
        if (!ReadFileLimited(k.path, replay::kMaxRecordingBytes, bytes, error)) {
            verifies = "no (cannot be read)";
        } else if (!replay::ParseRecording({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, rec,
                                           error)) {
            verifies = "no (damaged)";
        } else {
            version = Printable(rec.header.programVersion, 9);
            verifies = rec.header.programVersion == programVersion ? "yes" : "maybe (other version)";
            uint64_t ms = 0;
            for (const replay::Run& r : rec.ticks) ms += uint64_t{r.value} * r.count;
            if (!rec.ticks.empty()) ms -= rec.ticks.front().value;  // the first reading is the clock's, not a step
            const uint64_t s = ms / 1000;
            char len[32];
            std::snprintf(len, sizeof len, "%llu:%02llu", static_cast<unsigned long long>(s / 60),
                          static_cast<unsigned long long>(s % 60));
            length = len;
        }
        std::string reached = Reached(k.summary);
        if (k.summary.practice) reached += " (p)";
        std::snprintf(line, sizeof line, " %c %-19s %6d  %-13s %7s  %-9s %-24s ", k.best ? '*' : ' ', k.date.c_str(),
                      k.summary.score, reached.c_str(), length.c_str(), version.c_str(), verifies.c_str());
        out << line << k.file << "\n";
    }
    out << "Play one with --replay FILE, or --replay last / --replay best; add --headless --verify to check it.\n";
    return 0;
}

}  // namespace molfo::library
