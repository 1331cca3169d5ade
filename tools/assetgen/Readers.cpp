// Readers of the pictures the writers make, for the contact sheet: it shows
// the files as the game gets them.

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <cctype>

#include "Assetgen.h"

namespace assetgen {

namespace {

uint32_t Get32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(b[at + size_t(i)]);
    return v;
}

Image ReadBmp(const std::string& path) {
    const std::string b = ReadText(path);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') Fail(path + ": not a BMP");
    const uint32_t offset = Get32(b, 10);
    const int w = int(Get32(b, 18)), h = int(Get32(b, 22));
    const int bpp = uint8_t(b[28]) | (uint8_t(b[29]) << 8);
    if (bpp != 24 && bpp != 8) Fail(path + ": only 8 and 24-bit BMPs");
    const size_t stride = (size_t(w) * size_t(bpp / 8) + 3) & ~size_t(3);
    if (offset + stride * size_t(h) > b.size()) Fail(path + ": truncated");
    Image img(w, h, kWhite);
    for (int y = 0; y < h; ++y) {
        const size_t row = offset + size_t(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            if (bpp == 24) {
                const size_t at = row + size_t(x) * 3;
                img.at(x, y) = (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 1])) << 8) | uint8_t(b[at]);
            } else {
                const size_t entry = 54 + size_t(uint8_t(b[row + size_t(x)])) * 4;
                img.at(x, y) = Get32(b, entry) & 0xFFFFFF;
            }
        }
    }
    return img;
}

Image ReadJpeg(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) Fail("cannot read " + path);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    Image img(int(cinfo.output_width), int(cinfo.output_height), kWhite);
    std::vector<uint8_t> row(size_t(img.w) * 3);
    for (int y = 0; y < img.h; ++y) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        for (int x = 0; x < img.w; ++x)
            img.at(x, y) = (uint32_t(row[size_t(x) * 3]) << 16) | (uint32_t(row[size_t(x) * 3 + 1]) << 8) |
                           row[size_t(x) * 3 + 2];
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return img;
}

}  // namespace

Image ReadPicture(const std::string& path) {
    std::string ext = path.substr(path.rfind('.') + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == "bmp" ? ReadBmp(path) : ReadJpeg(path);
}

}  // namespace assetgen
