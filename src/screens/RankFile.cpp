#include "screens/RankFile.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/AtomicFile.h"
#include "i18n/Catalog.h"

namespace molfo::rank {

namespace {

// Code page 932 rather than plain Shift-JIS: names typed on the target system
// use its extra characters (circled digits, the wave dash as U+FF5E, ...), and
// plain Shift-JIS converters refuse them.
constexpr const char* kFileCharset = "CP932";

// Owns one conversion descriptor for the length of a call.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (Ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts exactly one character's bytes; false when the character has
    // no form in the target set. `out` receives at most `cap` bytes.
    bool One(const char* in, size_t inLen, char* out, size_t cap, size_t& outLen) {
        char* src = const_cast<char*>(in);  // iconv's signature, it does not write
        char* dst = out;
        size_t left = inLen;
        size_t room = cap;
        const size_t r = iconv(cd_, &src, &left, &dst, &room);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state after an error
        if (r == static_cast<size_t>(-1) || left != 0) return false;
        outLen = cap - room;
        return true;
    }

private:
    iconv_t cd_;
};

// Bytes of the UTF-8 character at `pos`; 1 for a stray or broken sequence,
// so that it costs one replacement, not the characters after it.
size_t Utf8Length(const std::string& s, size_t pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    size_t len = 1;
    if ((lead & 0xE0) == 0xC0) len = 2;
    else if ((lead & 0xF0) == 0xE0) len = 3;
    else if ((lead & 0xF8) == 0xF0) len = 4;
    if (pos + len > s.size()) return 1;
    for (size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[pos + k]) & 0xC0) != 0x80) return 1;
    return len;
}

bool IsCp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

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

int16_t FindPlace(const RankTable& t, int16_t score) {
    for (int16_t i = 1; i <= kPlaces; ++i)
        if (score >= t.RankScore[i]) return i;
    return 0;
}

void InsertRank(RankTable& t, int16_t place, int16_t score, const NameField& name) {
    if (place < 1 || place > kPlaces) return;
    for (int d = kPlaces; d > place; --d) {
        t.RankName[d] = t.RankName[d - 1];
        t.RankScore[d] = t.RankScore[d - 1];
    }
    t.RankName[place] = name;
    t.RankScore[place] = score;
}

NameField EncodeName(const std::string& utf8) {
    // The field holds 12 bytes. A name is cut before the first character that
    // would not fit whole, so six double-byte characters fill it exactly and a
    // seventh is dropped rather than split into a stray lead byte. Characters
    // the code page lacks (and control characters) become '?', so the player
    // still sees where they were.
    NameField f;
    f.fill(' ');
    Converter cv(kFileCharset, "UTF-8");
    size_t used = 0;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        const size_t len = Utf8Length(utf8, pos);
        char enc[4];
        size_t encLen = 0;
        if (lead < 0x80) {
            enc[0] = IsControl(lead) ? '?' : static_cast<char>(lead);
            encLen = 1;
        } else if (!cv.Ok() || !cv.One(utf8.data() + pos, len, enc, sizeof enc, encLen)) {
            enc[0] = '?';
            encLen = 1;
        }
        if (used + encLen > static_cast<size_t>(kNameBytes)) break;
        std::memcpy(f.data() + used, enc, encLen);
        used += encLen;
        pos += len;
    }
    return f;
}

std::string DecodeName(const NameField& name) {
    // Any bytes may come from a file written elsewhere: a byte pair with no
    // character becomes '?' and NUL padding shows as spaces, so the drawn
    // list keeps its columns.
    std::string out;
    out.reserve(kNameBytes * 3);
    Converter cv("UTF-8", kFileCharset);
    size_t i = 0;
    while (i < name.size()) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (b == 0) {
            out += ' ';
            ++i;
            continue;
        }
        if (b < 0x80) {
            out += IsControl(b) ? '?' : static_cast<char>(b);
            ++i;
            continue;
        }
        const size_t len = (IsCp932Lead(b) && i + 1 < name.size()) ? 2 : 1;
        char dec[8];
        size_t decLen = 0;
        if (cv.Ok() && cv.One(name.data() + i, len, dec, sizeof dec, decLen)) {
            out.append(dec, decLen);
            i += len;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

std::string RankLine(int place, const NameField& name, int16_t score) {
    return i18n::Format(i18n::N_("%d位     %s     %d"), {std::to_string(place), DecodeName(name), std::to_string(score)});
}

}  // namespace molfo::rank
