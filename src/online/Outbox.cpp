#include "online/Outbox.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/AtomicFile.h"
#include "core/ReadFile.h"
#include "game/RankPlace.h"
#include "online/Table.h"

namespace molfo::online {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRun = ".mrec";
constexpr std::string_view kName = ".name";
// A name is a dozen bytes; anything much longer is no name of ours.
constexpr size_t kMostNameBytes = 256;

bool EndsWith(const std::string& s, std::string_view end) {
    return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Only names the kept replays have: nothing of the folder's can be a path.
bool IsRunFile(const std::string& file) {
    if (!EndsWith(file, kRun) || file.front() == '.') return false;
    return std::all_of(file.begin(), file.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_' || c == '.';
    });
}

}  // namespace

std::string Outbox::DefaultFolder() {
    const std::string data = UserDataFolder();
    return data.empty() ? std::string() : data + "outbox/";
}

std::string Outbox::Put(const std::string& file, const std::vector<uint8_t>& bytes, const std::string& name,
                        std::vector<std::string>* dropped) {
    if (!IsRunFile(file)) return "not a kept replay's name: " + file;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (!fs::is_directory(folder_, ec)) return "cannot make the folder " + folder_;
    // The name first: a run is never sent under no name for want of it.
    const std::string namePath = folder_ + file + std::string(kName);
    std::string error = name.empty() ? "" : files::ReplaceFile(namePath, files::Bytes(name));
    if (name.empty()) fs::remove(namePath, ec);
    if (error.empty()) error = files::ReplaceFile(folder_ + file, bytes);
    if (!error.empty()) return error;
    std::vector<Entry> all = List();
    while (all.size() > kMost) {
        if (dropped != nullptr) dropped->push_back(all.front().file);
        Remove(all.front());
        all.erase(all.begin());
    }
    return {};
}

std::vector<Outbox::Entry> Outbox::List() const {
    struct Found {
        Entry e;
        fs::file_time_type when;
    };
    std::vector<Found> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (!IsRunFile(file) || !it->is_regular_file(ec)) continue;
        Found f{{file, {}}, it->last_write_time(ec)};
        std::string name, error;
        if (ReadFileLimited(folder_ + file + std::string(kName), kMostNameBytes, name, error)) f.e.name = name;
        found.push_back(std::move(f));
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.when != b.when ? a.when < b.when : a.e.file < b.e.file;
    });
    std::vector<Entry> out;
    for (Found& f : found) out.push_back(std::move(f.e));
    return out;
}

bool Outbox::Read(const Entry& e, std::vector<uint8_t>& bytes) const {
    std::string text, error;
    // One byte past the table's limit, so a run too large is seen as such.
    if (!ReadFileLimited(folder_ + e.file, kMaxRunBytes + 1, text, error)) return false;
    bytes.assign(text.begin(), text.end());
    return true;
}

void Outbox::Remove(const Entry& e) const {
    std::error_code ec;
    fs::remove(folder_ + e.file, ec);
    fs::remove(folder_ + e.file + std::string(kName), ec);
}

}  // namespace molfo::online
