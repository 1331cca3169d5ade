// Picture files in and out of our surfaces, through stb_image and
// stb_image_write: the same decoder on the desktop and in the browser, so
// the sheets and maps are the same pixels on both.
#include <stb_image.h>
#include <stb_image_write.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "render/Surface.h"

namespace molfo {

bool LoadPicture(Surface& dst, const std::string& path) {
    int w = 0, h = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> rgb(stbi_load(path.c_str(), &w, &h, &channels, 3), stbi_image_free);
    if (!rgb || w <= 0 || h <= 0) return false;
    dst.Resize(w, h);
    const stbi_uc* in = rgb.get();
    for (int y = 0; y < h; ++y) {
        uint32_t* out = dst.Row(y);
        for (int x = 0; x < w; ++x, in += 3) out[x] = Rgb(in[0], in[1], in[2]);
    }
    return true;
}

namespace {

// The encoder reports success even when the disk filled up under it; a file
// that does not end in the IEND chunk was cut short, and is removed rather
// than left as a broken picture.
bool PngWrittenWhole(const std::string& path) {
    static constexpr unsigned char kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    unsigned char tail[12] = {};
    FILE* f = std::fopen(path.c_str(), "rb");
    const bool whole = f != nullptr && std::fseek(f, -12, SEEK_END) == 0 && std::fread(tail, 1, 12, f) == 12 &&
                       std::memcmp(tail, kEnd, 12) == 0;
    if (f != nullptr) std::fclose(f);
    if (!whole) std::remove(path.c_str());
    return whole;
}

}  // namespace

bool SavePng(const Surface& src, const std::string& path) {
    if (src.Empty()) return false;
    std::vector<uint8_t> rgb(static_cast<size_t>(src.Width()) * src.Height() * 3);
    uint8_t* out = rgb.data();
    for (int y = 0; y < src.Height(); ++y) {
        const uint32_t* in = src.Row(y);
        for (int x = 0; x < src.Width(); ++x, out += 3) {
            out[0] = static_cast<uint8_t>(in[x] >> 16);
            out[1] = static_cast<uint8_t>(in[x] >> 8);
            out[2] = static_cast<uint8_t>(in[x]);
        }
    }
    // The fastest packing, and every row filtered by "sub" rather than by
    // trying all five filters: a screenshot taken every few frames of a
    // replay must not cost more than the frames do.
    stbi_write_png_compression_level = 1;
    stbi_write_force_png_filter = 1;
    const bool ok = stbi_write_png(path.c_str(), src.Width(), src.Height(), 3, rgb.data(), src.Width() * 3) != 0;
    return ok && PngWrittenWhole(path);
}

}  // namespace molfo
