#include "SoundFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

#include "TestSupport.h"

namespace molfo::test {

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

uint32_t Be(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | b[at + i];
    return v;
}

}  // namespace

std::string Built(const std::string& gamePath) {
    std::string rel = gamePath;
    std::replace(rel.begin(), rel.end(), '\\', '/');
    return std::string(test::DataDir()) + "/" + rel;
}

Wav ReadWav(const std::string& path) {
    Wav w;
    Bytes b = ReadAll(path);
    if (b.size() < 12 || Be(b, 0, 4) != 0x52494646 || Be(b, 8, 4) != 0x57415645) return w;  // "RIFF" "WAVE"
    for (size_t at = 12; at + 8 <= b.size();) {
        uint32_t id = Be(b, at, 4), size = Le(b, at + 4, 4);
        size_t body = at + 8;
        if (body + size > b.size()) break;
        if (id == 0x666d7420) {  // "fmt "
            w.channels = int(Le(b, body + 2, 2));
            w.rate = int(Le(b, body + 4, 4));
            w.bits = int(Le(b, body + 14, 2));
        } else if (id == 0x64617461 && w.bits == 16) {  // "data"
            for (size_t i = 0; i + 1 < size; i += 2) w.samples.push_back(int16_t(Le(b, body + i, 2)));
            w.ok = w.rate > 0 && w.channels > 0;
        }
        at = body + size + (size & 1);
    }
    return w;
}

Midi ReadMidi(const std::string& path) {
    Midi m;
    Bytes b = ReadAll(path);
    if (b.size() < 14 || Be(b, 0, 4) != 0x4d546864) return m;  // "MThd"
    int tracks = int(Be(b, 10, 2));
    int division = int(Be(b, 12, 2));
    if (division <= 0 || (division & 0x8000)) return m;
    std::map<uint32_t, uint32_t> tempos{{0, 500000}};  // tick -> microseconds per quarter
    uint32_t lastTick = 0;
    size_t at = 8 + Be(b, 4, 4);
    for (int t = 0; t < tracks; ++t) {
        if (at + 8 > b.size() || Be(b, at, 4) != 0x4d54726b) return m;  // "MTrk"
        size_t end = at + 8 + Be(b, at + 4, 4), p = at + 8;
        if (end > b.size()) return m;
        uint32_t tick = 0;
        uint8_t status = 0;
        auto varlen = [&]() {
            uint32_t v = 0;
            while (p < end) {
                uint8_t c = b[p++];
                v = (v << 7) | (c & 0x7f);
                if (!(c & 0x80)) break;
            }
            return v;
        };
        while (p < end) {
            tick += varlen();
            if (p >= end) break;
            if (b[p] & 0x80) status = b[p++];
            if (status == 0xff) {
                uint8_t type = b[p++];
                uint32_t len = varlen();
                if (type == 0x51 && len == 3) tempos[tick] = Be(b, p, 3);
                p += len;
            } else if (status == 0xf0 || status == 0xf7) {
                p += varlen();
            } else {
                int kind = status >> 4, channel = (status & 0x0f) + 1;
                if (kind == 0x9 && b[p + 1] > 0) m.noteChannels.insert(channel);
                if (kind == 0xc) m.programmedChannels.insert(channel);
                p += (kind == 0xc || kind == 0xd) ? 1 : 2;
            }
        }
        lastTick = std::max(lastTick, tick);
        at = end;
    }
    uint32_t from = 0, usPerQuarter = 500000;
    for (auto [tick, us] : tempos) {
        if (tick >= lastTick) break;
        m.seconds += double(tick - from) * usPerQuarter / division / 1e6;
        from = tick;
        usPerQuarter = us;
    }
    m.seconds += double(lastTick - from) * usPerQuarter / division / 1e6;
    m.ok = true;
    return m;
}

}  // namespace molfo::test
