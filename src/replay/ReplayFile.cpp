#include "replay/ReplayFile.h"

#include <algorithm>
#include <cstring>

namespace molfo::replay {

namespace {

constexpr uint8_t kChunkTag = 'C';
constexpr uint8_t kEndTag = 'E';
constexpr uint8_t kGameEndTag = 'G';

uint64_t ZigZag(int64_t v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
int64_t UnZigZag(uint64_t v) { return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1); }

void PutVarint(std::vector<uint8_t>& out, uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<uint8_t>(v | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<uint8_t>(v));
}

void PutFixed(std::vector<uint8_t>& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutBytes(std::vector<uint8_t>& out, const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    out.insert(out.end(), p, p + n);
}

// A true/false run in one varint: the count above the answer.
void PutBoolRuns(std::vector<uint8_t>& out, const std::vector<Run>& runs) {
    PutVarint(out, runs.size());
    for (const Run& r : runs) PutVarint(out, (r.count << 1) | r.value);
}

// Bounds-checked reading; the first failure is kept and every later read
// fails too, so a parse can check once per record.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> b) : b_(b) {}

    bool Varint(uint64_t& v) {
        v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (!Need(1, "a number")) return false;
            const uint8_t byte = b_[pos_++];
            v |= uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80) == 0) {
                // The tenth byte may only carry the top bit of 64.
                if (shift == 63 && byte > 1) return Fail("a number too large");
                return true;
            }
        }
        return Fail("a number too long");
    }
    bool Fixed(uint64_t& v, int bytes) {
        if (!Need(static_cast<size_t>(bytes), "a fixed field")) return false;
        v = 0;
        for (int i = 0; i < bytes; ++i) v |= uint64_t{b_[pos_++]} << (8 * i);
        return true;
    }
    bool Byte(uint8_t& v) {
        if (!Need(1, "a byte")) return false;
        v = b_[pos_++];
        return true;
    }
    bool Bytes(size_t n, const uint8_t*& p, const char* what) {
        if (!Need(n, what)) return false;
        p = b_.data() + pos_;
        pos_ += n;
        return true;
    }
    bool Fail(const std::string& why) {
        if (error_.empty()) error_ = "corrupt at byte " + std::to_string(pos_) + ": " + why;
        return false;
    }
    bool AtEnd() const { return pos_ >= b_.size(); }
    size_t Pos() const { return pos_; }
    const std::string& Error() const { return error_; }

private:
    bool Need(size_t n, const char* what) {
        if (!error_.empty()) return false;
        if (b_.size() - pos_ < n) {
            error_ = std::string("truncated at byte ") + std::to_string(pos_) + " (in " + what + ")";
            return false;
        }
        return true;
    }

    std::span<const uint8_t> b_;
    size_t pos_ = 0;
    std::string error_;
};

bool ReadBoolRuns(Reader& r, std::vector<Run>& runs) {
    uint64_t n = 0;
    if (!r.Varint(n)) return false;
    for (uint64_t i = 0; i < n; ++i) {
        uint64_t v = 0;
        if (!r.Varint(v)) return false;
        if ((v >> 1) == 0) return r.Fail("an empty run of answers");
        runs.push_back({static_cast<uint32_t>(v & 1), v >> 1});
    }
    return true;
}

bool ReadTickRuns(Reader& r, std::vector<Run>& runs) {
    uint64_t n = 0;
    if (!r.Varint(n)) return false;
    for (uint64_t i = 0; i < n; ++i) {
        uint64_t v = 0, count = 1;
        if (!r.Varint(v)) return false;
        if ((v >> 1) > UINT32_MAX) return r.Fail("a clock step beyond 32 bits");
        if ((v & 1) != 0) {
            if (!r.Varint(count)) return false;
            if (count < 2) return r.Fail("a clock run shorter than 2");
        }
        runs.push_back({static_cast<uint32_t>(v >> 1), count});
    }
    return true;
}

bool CheckSum(Reader& r, std::span<const uint8_t> bytes, size_t from, const char* what) {
    const size_t to = r.Pos();
    uint64_t stored = 0;
    if (!r.Fixed(stored, 4)) return false;
    if (Fnv32(bytes.subspan(from, to - from)) != stored)
        return r.Fail(std::string("the checksum of the ") + what + " does not match");
    return true;
}

bool ParseCarried(Reader& r, Header& h) {
    uint8_t present = 0;
    if (!r.Byte(present)) return false;
    if (present > 1) return r.Fail("a bad mark for the inherited state");
    h.hasCarried = present == 1;
    if (!h.hasCarried) return true;
    Carried& c = h.carried;
    uint64_t v = 0, n = 0;
    if (!r.Fixed(c.ransuState, 8) || !r.Varint(v)) return false;
    if (v > (uint64_t{1} << 62)) return r.Fail("a pass number out of range");
    c.passes = static_cast<int64_t>(v);
    if (!r.Varint(n)) return false;
    if (n > kMaxCarriedLabels) return r.Fail("too many labels");
    for (uint64_t i = 0; i < n; ++i) {
        CarriedLabel l;
        const uint8_t* p = nullptr;
        uint8_t visible = 0;
        if (!r.Varint(v)) return false;
        if (v > kMaxAnswerBytes) return r.Fail("a caption too long");
        if (!r.Bytes(v, p, "a caption")) return false;
        l.caption.assign(reinterpret_cast<const char*>(p), v);
        if (!r.Varint(v) || !r.Byte(visible)) return false;
        const int64_t w = UnZigZag(v);
        if (w < INT32_MIN || w > INT32_MAX || visible > 1) return r.Fail("a label out of range");
        l.w = static_cast<int32_t>(w);
        l.visible = visible == 1;
        c.labels.push_back(std::move(l));
    }
    uint64_t icon = 0, y = 0, yd = 0;
    if (!r.Varint(icon) || !r.Varint(y) || !r.Fixed(yd, 8)) return false;
    const int64_t scroll = UnZigZag(y);
    if (icon > 255 || scroll < INT16_MIN || scroll > INT16_MAX) return r.Fail("the window's state out of range");
    c.icon = static_cast<int32_t>(icon);
    c.haikeiY = static_cast<int32_t>(scroll);
    std::memcpy(&c.haikeiYD, &yd, sizeof yd);
    return true;
}

bool ParseHeader(Reader& r, std::span<const uint8_t> bytes, Header& h) {
    const uint8_t* magic = nullptr;
    if (!r.Bytes(sizeof kMagic, magic, "the file's signature")) return false;
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0) return r.Fail("not a Molfo replay");
    uint64_t v = 0;
    if (!r.Varint(v)) return false;
    if (v < 1 || v > kFormatVersion)
        return r.Fail("format version " + std::to_string(v) + " (this program reads 1 to " +
                      std::to_string(kFormatVersion) + ")");
    h.formatVersion = static_cast<uint32_t>(v);
    const uint8_t* p = nullptr;
    if (!r.Varint(v)) return false;
    if (v > kMaxVersionBytes) return r.Fail("a program version too long");
    if (!r.Bytes(v, p, "the program version")) return false;
    h.programVersion.assign(reinterpret_cast<const char*>(p), v);
    uint8_t stage = 0, boss = 0;
    if (!r.Byte(stage) || !r.Byte(boss)) return false;
    if (stage < 1 || stage > 5 || boss > 1) return r.Fail("a practice start out of range");
    h.practiceStage = stage;
    h.practiceBoss = boss == 1;
    if (!r.Varint(v)) return false;
    if (v > (uint64_t{1} << 62)) return r.Fail("a frame limit out of range");
    h.frameLimit = static_cast<int64_t>(v) - 1;
    if (!r.Varint(v)) return false;
    if (v > kMaxRankBytes || v % kRankRecordBytes != 0) return r.Fail("a ranking table of a bad size");
    if (!r.Bytes(v, p, "the ranking table")) return false;
    h.rank.assign(p, p + v);
    if (h.formatVersion >= 2 && !ParseCarried(r, h)) return false;
    return CheckSum(r, bytes, 0, "header");
}

bool ParseChunk(Reader& r, std::span<const uint8_t> bytes, Recording& rec, bool& last) {
    const size_t start = r.Pos();
    uint8_t tag = 0;
    if (!r.Byte(tag)) return false;
    const bool v2 = rec.header.formatVersion >= 2;
    if (tag != kChunkTag && tag != kEndTag && !(v2 && tag == kGameEndTag)) return r.Fail("not the start of a chunk");
    last = tag == kEndTag || tag == kGameEndTag;
    rec.endsWithGame = tag == kGameEndTag;
    uint64_t pass = 0, hash = 0;
    if (!r.Varint(pass) || !r.Fixed(hash, 8)) return false;
    if (pass > (uint64_t{1} << 62)) return r.Fail("a pass number out of range");
    const int64_t previous = rec.checks.empty() ? 0 : rec.checks.back().pass;
    if (static_cast<int64_t>(pass) < previous) return r.Fail("pass numbers out of order");
    rec.checks.push_back({static_cast<int64_t>(pass), hash});
    if (!ReadTickRuns(r, rec.ticks) || !ReadBoolRuns(r, rec.closes)) return false;
    uint64_t n = 0;
    if (!r.Varint(n)) return false;
    for (uint64_t i = 0; i < n; ++i) {
        uint64_t code = 0;
        if (!r.Varint(code)) return false;
        if (code >= kKeyCodes) return r.Fail("a key code beyond 255");
        if (!ReadBoolRuns(r, rec.keys[code])) return false;
    }
    if (!r.Varint(n)) return false;
    for (uint64_t i = 0; i < n; ++i) {
        uint64_t len = 0;
        const uint8_t* p = nullptr;
        if (!r.Varint(len)) return false;
        if (len > kMaxAnswerBytes) return r.Fail("a dialog answer too long");
        if (!r.Bytes(len, p, "a dialog answer")) return false;
        rec.answers.emplace_back(reinterpret_cast<const char*>(p), len);
    }
    return CheckSum(r, bytes, start, "chunk");
}

}  // namespace

uint32_t Fnv32(std::span<const uint8_t> bytes) {
    uint32_t h = 0x811c9dc5u;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 0x01000193u;
    }
    return h;
}

namespace {

// The prime to the powers of two, for runs of zero bytes.
constexpr std::array<uint64_t, 64> kPrimePowers = [] {
    std::array<uint64_t, 64> a{};
    uint64_t v = kFnv64Prime;
    for (uint64_t& e : a) {
        e = v;
        v *= v;
    }
    return a;
}();

}  // namespace

uint64_t Fnv64(uint64_t h, std::span<const uint8_t> bytes) {
    // A zero byte only multiplies the hash by the prime, so a run of them
    // multiplies it by the prime to the run's length, all at once: the
    // state hash reads the collision grid, a megabyte whose inside is
    // mostly empty, which a byte at a time took over a millisecond.
    const uint8_t* p = bytes.data();
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        if (p[i] != 0) {
            h ^= p[i++];
            h *= kFnv64Prime;
            continue;
        }
        size_t end = i + 1;
        for (uint64_t word = 0; end + sizeof word <= n; end += sizeof word) {
            std::memcpy(&word, p + end, sizeof word);
            if (word != 0) break;
        }
        while (end < n && p[end] == 0) ++end;
        for (size_t run = end - i, bit = 0; run != 0; run >>= 1, ++bit)
            if ((run & 1) != 0) h *= kPrimePowers[bit];
        i = end;
    }
    return h;
}

bool ParseRecording(std::span<const uint8_t> bytes, Recording& out, std::string& error) {
    out = Recording{};
    Reader r(bytes);
    bool ok = ParseHeader(r, bytes, out.header);
    bool last = false;
    while (ok && !last) {
        if (r.AtEnd()) {
            error = "truncated: the recording stops after " + std::to_string(out.checks.size()) +
                    " chunks, before the end of the session";
            return false;
        }
        ok = ParseChunk(r, bytes, out, last);
    }
    if (ok && !r.AtEnd()) ok = r.Fail("bytes after the end of the session");
    if (!ok) {
        error = r.Error();
        return false;
    }
    return true;
}

Writer::Writer(const Header& header) : out_(EncodeHeader(header)) {}

std::vector<uint8_t> Writer::EncodeHeader(const Header& header) {
    std::vector<uint8_t> out;
    for (char c : kMagic) out.push_back(static_cast<uint8_t>(c));
    PutVarint(out, kFormatVersion);
    const size_t vlen = std::min(header.programVersion.size(), kMaxVersionBytes);
    PutVarint(out, vlen);
    PutBytes(out, header.programVersion.data(), vlen);
    out.push_back(static_cast<uint8_t>(header.practiceStage));
    out.push_back(header.practiceBoss ? 1 : 0);
    PutVarint(out, static_cast<uint64_t>(header.frameLimit + 1));
    const size_t rlen = std::min(header.rank.size() / kRankRecordBytes * kRankRecordBytes, kMaxRankBytes);
    PutVarint(out, rlen);
    PutBytes(out, header.rank.data(), rlen);
    out.push_back(header.hasCarried ? 1 : 0);
    if (header.hasCarried) {
        const Carried& c = header.carried;
        PutFixed(out, c.ransuState, 8);
        PutVarint(out, static_cast<uint64_t>(std::max<int64_t>(c.passes, 0)));
        const size_t n = std::min(c.labels.size(), kMaxCarriedLabels);
        PutVarint(out, n);
        for (size_t i = 0; i < n; ++i) {
            const CarriedLabel& l = c.labels[i];
            const size_t len = std::min(l.caption.size(), kMaxAnswerBytes);
            PutVarint(out, len);
            PutBytes(out, l.caption.data(), len);
            PutVarint(out, ZigZag(l.w));
            out.push_back(l.visible ? 1 : 0);
        }
        PutVarint(out, static_cast<uint64_t>(std::clamp(c.icon, 0, 255)));
        PutVarint(out, ZigZag(std::clamp<int32_t>(c.haikeiY, INT16_MIN, INT16_MAX)));
        uint64_t yd = 0;
        std::memcpy(&yd, &c.haikeiYD, sizeof yd);
        PutFixed(out, yd, 8);
    }
    PutFixed(out, Fnv32(out), 4);
    return out;
}

void Writer::Extend(std::vector<Run>& runs, uint32_t value) {
    if (!runs.empty() && runs.back().value == value)
        ++runs.back().count;
    else
        runs.push_back({value, 1});
}

void Writer::Tick(uint32_t reading) {
    Extend(ticks_, reading - lastTick_);  // modulo 2^32, like every tick difference
    lastTick_ = reading;
}

void Writer::Close(bool answer) { Extend(closes_, answer ? 1 : 0); }

void Writer::Key(int vkCode, bool answer) {
    if (vkCode < 0 || vkCode >= kKeyCodes) return;
    auto& runs = keys_[static_cast<size_t>(vkCode)];
    if (runs.empty()) keysUsed_.push_back(vkCode);
    Extend(runs, answer ? 1 : 0);
}

void Writer::Answer(const std::string& text) {
    answers_.push_back(text.substr(0, kMaxAnswerBytes));
}

void Writer::EndChunk(int64_t pass, uint64_t hash, bool last) { End(pass, hash, last ? kEndTag : kChunkTag); }

void Writer::EndGame(int64_t pass, uint64_t hash) { End(pass, hash, kGameEndTag); }

void Writer::End(int64_t pass, uint64_t hash, uint8_t tag) {
    chunk_.clear();
    chunk_.push_back(tag);
    PutVarint(chunk_, static_cast<uint64_t>(pass));
    PutFixed(chunk_, hash, 8);
    PutVarint(chunk_, ticks_.size());
    for (const Run& t : ticks_) {
        PutVarint(chunk_, (uint64_t{t.value} << 1) | (t.count > 1 ? 1 : 0));
        if (t.count > 1) PutVarint(chunk_, t.count);
    }
    PutBoolRuns(chunk_, closes_);
    PutVarint(chunk_, keysUsed_.size());
    for (int code : keysUsed_) {
        PutVarint(chunk_, static_cast<uint64_t>(code));
        PutBoolRuns(chunk_, keys_[static_cast<size_t>(code)]);
        keys_[static_cast<size_t>(code)].clear();
    }
    PutVarint(chunk_, answers_.size());
    for (const std::string& a : answers_) {
        PutVarint(chunk_, a.size());
        PutBytes(chunk_, a.data(), a.size());
    }
    PutFixed(chunk_, Fnv32(chunk_), 4);
    out_.insert(out_.end(), chunk_.begin(), chunk_.end());
    ticks_.clear();
    closes_.clear();
    keysUsed_.clear();
    answers_.clear();
}

}  // namespace molfo::replay
