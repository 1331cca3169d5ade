// The picture writers: 24-bit BMP, 8-bit BMP on a palette fitted to the
// sheet, and JPEG.

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>

#include "Assetgen.h"

namespace assetgen {

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) { b.push_back(v & 255); b.push_back((v >> 8) & 255); }
void Put32(std::vector<uint8_t>& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) Fail("cannot write " + path);
}

std::vector<uint8_t> BmpHeader(const Image& img, int bpp, uint32_t paletteSize, uint32_t imageSize) {
    std::vector<uint8_t> b;
    const uint32_t offset = 14 + 40 + paletteSize * 4;
    b.push_back('B'); b.push_back('M');
    Put32(b, offset + imageSize); Put32(b, 0); Put32(b, offset);
    Put32(b, 40); Put32(b, uint32_t(img.w)); Put32(b, uint32_t(img.h));
    Put16(b, 1); Put16(b, uint32_t(bpp)); Put32(b, 0); Put32(b, imageSize);
    Put32(b, 3780); Put32(b, 3780); Put32(b, paletteSize); Put32(b, 0);
    return b;
}

void WriteBmp24(const std::string& path, const Image& img) {
    const int stride = (img.w * 3 + 3) & ~3;
    std::vector<uint8_t> b = BmpHeader(img, 24, 0, uint32_t(stride) * img.h);
    for (int y = img.h - 1; y >= 0; --y) {
        for (int x = 0; x < img.w; ++x) {
            const uint32_t c = img.at(x, y);
            b.push_back(c & 255); b.push_back((c >> 8) & 255); b.push_back((c >> 16) & 255);
        }
        for (int pad = img.w * 3; pad < stride; ++pad) b.push_back(0);
    }
    WriteFile(path, b);
}

// An 8-bit palette fitted to the sheet: black and white for the masks, then
// up to 254 colours cut from the sprites' own colours (median cut, weighted
// by how many pixels use each), so soft shading keeps its steps instead of
// snapping to a fixed cube. No entry is white, so a sprite never loses a
// pixel to the mask.
std::vector<uint32_t> Palette(const Image& img) {
    std::map<uint32_t, uint32_t> counts;
    for (uint32_t c : img.px)
        if (c != kWhite && c != kBlack) ++counts[c];
    struct Entry {
        uint32_t c, n;
    };
    std::vector<Entry> colours;
    for (const auto& [c, n] : counts) colours.push_back({c, n});
    auto channel = [](uint32_t c, int ch) { return int((c >> (16 - 8 * ch)) & 255); };
    struct Box {
        size_t from, to;  // range of `colours`
    };
    // The widest channel of a box, and how wide it is (weighted by its pixels
    // so a large flat area is split before a rare speck).
    auto widest = [&](const Box& b, int& which) {
        int best = -1;
        which = 0;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (size_t i = b.from; i < b.to; ++i) {
                lo = std::min(lo, channel(colours[i].c, ch));
                hi = std::max(hi, channel(colours[i].c, ch));
            }
            if (hi - lo > best) { best = hi - lo; which = ch; }
        }
        return best;
    };
    std::vector<Box> boxes;
    if (!colours.empty()) boxes.push_back({0, colours.size()});
    while (boxes.size() < 254) {
        size_t pick = boxes.size();
        double pickScore = 0;
        int pickCh = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].to - boxes[i].from < 2) continue;
            int ch = 0;
            const int range = widest(boxes[i], ch);
            uint64_t weight = 0;
            for (size_t k = boxes[i].from; k < boxes[i].to; ++k) weight += colours[k].n;
            const double score = double(range) * std::sqrt(double(weight));
            if (range > 0 && score > pickScore) { pickScore = score; pick = i; pickCh = ch; }
        }
        if (pick == boxes.size()) break;
        Box b = boxes[pick];
        std::sort(colours.begin() + long(b.from), colours.begin() + long(b.to),
                  [&](const Entry& l, const Entry& r) { return channel(l.c, pickCh) < channel(r.c, pickCh); });
        uint64_t total = 0, run = 0;
        for (size_t k = b.from; k < b.to; ++k) total += colours[k].n;
        size_t cut = b.from + 1;
        for (size_t k = b.from; k + 1 < b.to; ++k) {
            run += colours[k].n;
            cut = k + 1;
            if (run * 2 >= total) break;
        }
        boxes[pick] = {b.from, cut};
        boxes.push_back({cut, b.to});
    }
    std::vector<uint32_t> pal = {kBlack, kWhite};
    for (const Box& b : boxes) {
        std::array<uint64_t, 3> sum{};
        uint64_t n = 0;
        for (size_t k = b.from; k < b.to; ++k) {
            for (int ch = 0; ch < 3; ++ch) sum[size_t(ch)] += uint64_t(channel(colours[k].c, ch)) * colours[k].n;
            n += colours[k].n;
        }
        uint32_t c = 0;
        for (int ch = 0; ch < 3; ++ch) c |= uint32_t((sum[size_t(ch)] + n / 2) / n) << (16 - 8 * ch);
        pal.push_back(c == kWhite ? 0xFEFEFE : c);
    }
    while (pal.size() < 256) pal.push_back(kBlack);
    return pal;
}

uint8_t Nearest(const std::vector<uint32_t>& pal, uint32_t c) {
    if (c == kWhite) return 1;
    if (c == kBlack) return 0;
    int best = 0, bestD = 1 << 30;
    for (size_t i = 2; i < pal.size(); ++i) {
        const int dr = int((pal[i] >> 16) & 255) - int((c >> 16) & 255);
        const int dg = int((pal[i] >> 8) & 255) - int((c >> 8) & 255);
        const int db = int(pal[i] & 255) - int(c & 255);
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestD) { bestD = d; best = int(i); }
    }
    return uint8_t(best);
}

void WriteBmp8(const std::string& path, const Image& img) {
    const std::vector<uint32_t> pal = Palette(img);
    const int stride = (img.w + 3) & ~3;
    std::vector<uint8_t> b = BmpHeader(img, 8, 256, uint32_t(stride) * img.h);
    for (uint32_t c : pal) { b.push_back(c & 255); b.push_back((c >> 8) & 255); b.push_back((c >> 16) & 255); b.push_back(0); }
    std::map<uint32_t, uint8_t> cache;
    for (int y = img.h - 1; y >= 0; --y) {
        for (int x = 0; x < img.w; ++x) {
            const uint32_t c = img.at(x, y);
            auto it = cache.find(c);
            if (it == cache.end()) it = cache.emplace(c, Nearest(pal, c)).first;
            b.push_back(it->second);
        }
        for (int pad = img.w; pad < stride; ++pad) b.push_back(0);
    }
    WriteFile(path, b);
}

// Quality 100 with full-resolution colour: the white around a sprite and the
// pure black and white of its mask must survive the round trip.
void WriteJpeg(const std::string& path, const Image& img) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) Fail("cannot write " + path);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = JDIMENSION(img.w);
    cinfo.image_height = JDIMENSION(img.h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(img.w) * 3);
    for (int y = 0; y < img.h; ++y) {
        for (int x = 0; x < img.w; ++x) {
            const uint32_t c = img.at(x, y);
            row[size_t(x) * 3] = (c >> 16) & 255;
            row[size_t(x) * 3 + 1] = (c >> 8) & 255;
            row[size_t(x) * 3 + 2] = c & 255;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(f);
}

}  // namespace

void Write(const std::string& path, const std::string& format, const Image& img) {
    if (format == "bmp24") WriteBmp24(path, img);
    else if (format == "bmp8") WriteBmp8(path, img);
    else if (format == "jpg") WriteJpeg(path, img);
    else Fail("unknown format " + format);
}

}  // namespace assetgen
