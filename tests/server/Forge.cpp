#include "Forge.h"

#include <stdexcept>

namespace molfo::servertest {

namespace {

// Walks one chunk's fields as the reader does.
class Walk {
public:
    Walk(const Bytes& b, size_t pos) : b_(b), pos_(pos) {}
    uint64_t Varint() {
        uint64_t v = 0;
        for (int shift = 0;; shift += 7) {
            const uint8_t byte = b_.at(pos_++);
            v |= uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80) == 0) return v;
        }
    }
    void Skip(size_t n) { pos_ += n; }
    size_t Pos() const { return pos_; }

private:
    const Bytes& b_;
    size_t pos_;
};

struct ChunkAt {
    size_t start = 0;
    size_t hashAt = 0;
    size_t sumAt = 0;  // the checksum's first byte
    std::vector<std::pair<int, size_t>> firstKeyRun;  // key code, offset of its first run
};

std::vector<ChunkAt> Chunks(const Bytes& rec) {
    std::vector<ChunkAt> out;
    size_t pos = HeaderLength(rec);
    while (pos < rec.size()) {
        ChunkAt c;
        c.start = pos;
        Walk w(rec, pos + 1);
        w.Varint();
        c.hashAt = w.Pos();
        w.Skip(8);
        for (uint64_t n = w.Varint(), i = 0; i < n; ++i)
            if (w.Varint() & 1) w.Varint();
        for (uint64_t n = w.Varint(), i = 0; i < n; ++i) w.Varint();
        for (uint64_t keys = w.Varint(), k = 0; k < keys; ++k) {
            const int code = static_cast<int>(w.Varint());
            const uint64_t runs = w.Varint();
            if (runs > 0) c.firstKeyRun.emplace_back(code, w.Pos());
            for (uint64_t i = 0; i < runs; ++i) w.Varint();
        }
        for (uint64_t n = w.Varint(), i = 0; i < n; ++i) w.Skip(w.Varint());
        c.sumAt = w.Pos();
        pos = c.sumAt + 4;
        out.push_back(c);
    }
    return out;
}

void Reseal(Bytes& rec, const ChunkAt& c) {
    const uint32_t sum = replay::Fnv32(std::span<const uint8_t>(rec.data() + c.start, c.sumAt - c.start));
    for (int i = 0; i < 4; ++i) rec[c.sumAt + i] = static_cast<uint8_t>(sum >> (8 * i));
}

}  // namespace

replay::Header HeaderOf(const Bytes& rec) {
    replay::Recording r;
    std::string error;
    if (!replay::ParseRecording(rec, r, error)) throw std::runtime_error("not a recording: " + error);
    return r.header;
}

size_t HeaderLength(const Bytes& rec) {
    const Bytes h = replay::Writer::EncodeHeader(HeaderOf(rec));
    if (!std::equal(h.begin(), h.end(), rec.begin())) throw std::runtime_error("the header does not encode again the same");
    return h.size();
}

Bytes ReplaceHeader(const Bytes& rec, const replay::Header& h) {
    Bytes out = replay::Writer::EncodeHeader(h);
    out.insert(out.end(), rec.begin() + static_cast<std::ptrdiff_t>(HeaderLength(rec)), rec.end());
    return out;
}

size_t ChunkCount(const Bytes& rec) { return Chunks(rec).size(); }

Bytes AlterHash(const Bytes& rec, size_t chunk) {
    Bytes out = rec;
    const ChunkAt c = Chunks(rec).at(chunk);
    out[c.hashAt] ^= 0x5A;
    Reseal(out, c);
    return out;
}

Bytes AlterKey(const Bytes& rec, size_t chunk, int vk) {
    Bytes out = rec;
    const std::vector<ChunkAt> all = Chunks(rec);
    for (size_t i = chunk; i < all.size(); ++i)
        for (const auto& [code, at] : all[i].firstKeyRun)
            if (code == vk) {
                out[at] ^= 1;  // the answer is the run's lowest bit
                Reseal(out, all[i]);
                return out;
            }
    throw std::runtime_error("no answers of that key to alter");
}

Bytes Splice(const Bytes& headerFrom, const Bytes& chunksFrom) { return ReplaceHeader(chunksFrom, HeaderOf(headerFrom)); }

}  // namespace molfo::servertest
