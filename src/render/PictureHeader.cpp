// A picture's size from the first bytes of its file, without decoding it:
// the start-up check reads this for every picture the game will show, and
// the pictures themselves are decoded when the game first shows them.
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "render/Surface.h"

namespace molfo {

namespace {

uint32_t Le16(const unsigned char* b) { return uint32_t{b[0]} | uint32_t{b[1]} << 8; }
uint32_t Le32(const unsigned char* b) { return Le16(b) | Le16(b + 2) << 16; }
uint32_t Be16(const unsigned char* b) { return uint32_t{b[0]} << 8 | b[1]; }
uint32_t Be32(const unsigned char* b) { return Be16(b) << 16 | Be16(b + 2); }

bool BmpSize(const unsigned char* b, size_t got, int& w, int& h) {
    if (got < 30) return false;
    const uint32_t dib = Le32(b + 14);
    if (dib == 12) {  // the old OS/2 header: 16-bit sizes
        w = static_cast<int>(Le16(b + 18));
        h = static_cast<int>(Le16(b + 20));
        return w > 0 && h > 0;
    }
    if (dib < 40 || got < 34) return false;
    const auto width = static_cast<int32_t>(Le32(b + 18));
    const auto height = static_cast<int32_t>(Le32(b + 22));
    // The decoder takes plain and bit-field pixels, not run-length ones.
    const uint32_t compression = Le32(b + 30);
    if (width <= 0 || height == 0 || height == INT32_MIN || (compression != 0 && compression != 3)) return false;
    w = width;
    h = height < 0 ? -height : height;
    return true;
}

bool PngSize(const unsigned char* b, size_t got, int& w, int& h) {
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (got < 24 || std::memcmp(b, kSignature, 8) != 0 || std::memcmp(b + 12, "IHDR", 4) != 0) return false;
    const uint32_t width = Be32(b + 16), height = Be32(b + 20);
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
    w = static_cast<int>(width);
    h = static_cast<int>(height);
    return true;
}

// Walks the segments up to the frame header, which holds the size.
bool JpegSize(std::ifstream& in, int& w, int& h) {
    in.seekg(2);
    for (;;) {
        int c = in.get();
        if (c != 0xFF) return false;
        while (c == 0xFF) c = in.get();  // fill bytes
        if (c == EOF) return false;
        if (c == 0x01 || (c >= 0xD0 && c <= 0xD7)) continue;  // markers without a length
        unsigned char len[2];
        if (!in.read(reinterpret_cast<char*>(len), 2) || Be16(len) < 2) return false;
        if (c == 0xDA || c == 0xD9) return false;  // the picture's data, and no frame header before it
        // Baseline, extended and progressive frames: the ones the decoder
        // reads. Lossless, hierarchical and arithmetic-coded ones it does not.
        if (c == 0xC0 || c == 0xC1 || c == 0xC2) {
            unsigned char f[5];
            if (!in.read(reinterpret_cast<char*>(f), 5) || f[0] != 8) return false;
            h = static_cast<int>(Be16(f + 1));
            w = static_cast<int>(Be16(f + 3));
            return w > 0 && h > 0;
        }
        if (c >= 0xC3 && c <= 0xCF && c != 0xC4 && c != 0xC8 && c != 0xCC) return false;
        in.seekg(Be16(len) - 2, std::ios::cur);
    }
}

}  // namespace

bool ReadPictureSize(const std::string& path, int& w, int& h) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 64> head{};
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto got = static_cast<size_t>(in.gcount());
    in.clear();
    if (got >= 2 && head[0] == 'B' && head[1] == 'M') return BmpSize(head.data(), got, w, h);
    if (got >= 2 && head[0] == 0xFF && head[1] == 0xD8) return JpegSize(in, w, h);
    return PngSize(head.data(), got, w, h);
}

}  // namespace molfo
