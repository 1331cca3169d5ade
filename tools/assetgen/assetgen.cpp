// assetgen: builds the pictures of the sys/ folder from SVG sources.
//
//   assetgen sheet   OUT FORMAT W H [-D KEY=VALUE]... CELL...
//   assetgen picture OUT FORMAT W H SVG [--wrap-y] [--background RRGGBB] [--base PATH] [-D KEY=VALUE]...
//   assetgen words   SVG [--words MO] [-D KEY=VALUE]...
//   assetgen contact OUT.png NAME=PICTURE@X,Y,W,H,FRAMES...
//   assetgen icon    OUT.png SIZE SVG
//
// FORMAT is bmp24, bmp8 or jpg. A CELL is SVG@X,Y,W,H,FRAMES: the SVG is a
// film strip of FRAMES frames of W x H side by side, and frame k lands at
// (X + 2Wk, Y) as the picture on white, with its mask (white silhouette on
// black) right after it. The mask is taken from the rasterised alpha, so the
// two halves always agree. A picture is the SVG drawn over white; --wrap-y
// draws it a second time above and below so the top and bottom edges meet
// without a seam when the picture scrolls. "${KEY}" in an SVG is replaced by
// VALUE (XML-escaped), which lets one template make a series of pictures.
// An <image> of another of our SVGs is drawn from that SVG inlined in its
// place, so it stays sharp at any scale (librsvg would draw it as a bitmap
// of its own size); its path is relative to the folder of --base PATH, or
// of the SVG itself.
// A contact sheet reads built sheets back and lays every frame out at 2x.
// An icon is the SVG at SIZE x SIZE on transparency, for the desktop's theme.
// --words MO (sheet and picture) draws the words of every <text> and <tspan>
// in the catalog's language, for the pictures of another language; `words`
// lists the texts with letters past ASCII (the game's Japanese) that the
// catalog lacks, or all of them without one, one a line.

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <cairo.h>
#include <jpeglib.h>
#include <librsvg/rsvg.h>

#include "i18n/Catalog.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
// No channel of a sprite pixel may be near white in all three: a near-white
// pixel would vanish into the picture's background, the more so after JPEG.
constexpr int kSpriteMaxLight = 224;
// A sprite pixel is either drawn in full or not at all (the mask has no
// grey), so a pixel the drawing barely touches must be left out: its colour,
// un-premultiplied from a few levels of alpha, is noise, and drawn opaque it
// shows as a stray dark or odd-coloured speck along the edge.
constexpr int kCoverAlpha = 96;

struct Image {
    int w = 0, h = 0;
    std::vector<uint32_t> px;  // 0xRRGGBB
    Image(int width, int height, uint32_t fill) : w(width), h(height), px(size_t(width) * height, fill) {}
    uint32_t& at(int x, int y) { return px[size_t(y) * w + x]; }
    uint32_t at(int x, int y) const { return px[size_t(y) * w + x]; }
};

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string XmlEscape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Substitute(std::string text, const std::map<std::string, std::string>& defs) {
    for (const auto& [key, value] : defs) {
        const std::string token = "${" + key + "}";
        const std::string v = XmlEscape(value);
        for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + v.size()))
            text.replace(at, token.size(), v);
    }
    return text;
}

std::string XmlUnescape(const std::string& s) {
    static const std::array<std::pair<const char*, char>, 5> kEntities{
        {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        bool entity = false;
        for (const auto& [name, c] : kEntities)
            if (s.compare(i, std::strlen(name), name) == 0) {
                out += c;
                i += std::strlen(name) - 1;
                entity = true;
                break;
            }
        if (!entity) out += s[i];
    }
    return out;
}

bool PastAscii(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Calls `each` with every run of words inside a <text> or <tspan> (entities
// resolved) and puts back what it returns.
template <typename F>
std::string EachText(const std::string& svg, F each) {
    static const std::regex run("(<(?:text|tspan)\\b[^>]*>)([^<]+)");
    std::string out;
    auto from = svg.cbegin();
    for (std::sregex_iterator it(svg.cbegin(), svg.cend(), run), end; it != end; ++it) {
        const std::smatch& m = *it;
        out.append(from, m[2].first);
        from = m[2].second;
        const std::string words = XmlUnescape(m[2].str());
        const bool blank = words.find_first_not_of(" \t\r\n") == std::string::npos;
        out += blank ? m[2].str() : XmlEscape(each(words));
    }
    out.append(from, svg.cend());
    return out;
}

std::string Translated(const std::string& svg, const molfo::i18n::Catalog* words) {
    if (words == nullptr) return svg;
    return EachText(svg, [words](const std::string& w) {
        const std::string* t = words->Find(w);
        return t != nullptr ? *t : w;
    });
}

// Rasterised ARGB (premultiplied, cairo's layout) of one SVG.
struct Raster {
    int w, h;
    std::vector<uint32_t> argb;
};

// frameW > 0 renders a film strip one frame at a time, each clipped to its own
// column, so a wing that reaches past its frame never shows in the next one.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Attribute(const std::string& tag, const std::string& name, const std::string& fallback) {
    std::smatch m;
    if (std::regex_search(tag, m, std::regex("\\s" + name + "=\"([^\"]*)\""))) return m[1].str();
    return fallback;
}

// Every <image xlink:href="file.svg" .../> replaced by that file's drawing,
// as a nested <svg> at the image's place and size. Its ids get a prefix of
// their own so that two files' "body" or "shade" never meet.
std::string InlineSvgImages(const std::string& text, const std::string& folder) {
    static const std::regex image("<image\\b[^>]*xlink:href=\"([^\"#]+\\.svg)\"[^>]*/>");
    std::string out;
    auto from = text.cbegin();
    int n = 0;
    for (std::sregex_iterator it(text.cbegin(), text.cend(), image), end; it != end; ++it) {
        const std::smatch& m = *it;
        out.append(from, m[0].first);
        from = m[0].second;
        const std::string tag = m[0].str();
        std::string svg = ReadText(folder + "/" + m[1].str());
        const size_t root = svg.find("<svg");
        if (root == std::string::npos) Fail(m[1].str() + ": not an SVG");
        svg.erase(0, root);
        const std::string prefix = "i" + std::to_string(++n) + "-";
        svg = std::regex_replace(svg, std::regex("\\bid=\""), "id=\"" + prefix);
        svg = std::regex_replace(svg, std::regex("url\\(#"), "url(#" + prefix);
        svg = std::regex_replace(svg, std::regex("href=\"#"), "href=\"#" + prefix);
        // The root's own size gives way to the image's place and size.
        const size_t close = svg.find('>');
        std::string head = svg.substr(0, close);
        head = std::regex_replace(head, std::regex("\\s(x|y|width|height)=\"[^\"]*\""), "");
        head += " x=\"" + Attribute(tag, "x", "0") + "\" y=\"" + Attribute(tag, "y", "0") + "\" width=\"" +
                Attribute(tag, "width", "100%") + "\" height=\"" + Attribute(tag, "height", "100%") + "\"";
        out += head + svg.substr(close);
    }
    out.append(from, text.cend());
    return out;
}

Raster Rasterise(const std::string& path, int w, int h, const std::map<std::string, std::string>& defs,
                 bool wrapY, int frameW = 0, const std::string& base = "", const molfo::i18n::Catalog* words = nullptr) {
    const std::string text =
        Translated(InlineSvgImages(Substitute(ReadText(path), defs), FolderOf(base.empty() ? path : base)), words);
    GError* err = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(text.data()), text.size(), &err);
    if (!handle) Fail(path + ": " + (err ? err->message : "not an SVG"));
    rsvg_handle_set_dpi(handle, 96.0);

    cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surf);
    const std::array<double, 3> offsets = {0.0, -double(h), double(h)};
    const int columns = frameW > 0 ? w / frameW : 1;
    for (int col = 0; col < columns; ++col) {
        cairo_save(cr);
        if (frameW > 0) {
            cairo_rectangle(cr, double(col * frameW), 0.0, double(frameW), double(h));
            cairo_clip(cr);
        }
        for (size_t i = 0; i < (wrapY ? offsets.size() : 1); ++i) {
            RsvgRectangle viewport{0.0, offsets[i], double(w), double(h)};
            if (!rsvg_handle_render_document(handle, cr, &viewport, &err))
                Fail(path + ": " + (err ? err->message : "cannot render"));
        }
        cairo_restore(cr);
    }
    cairo_surface_flush(surf);

    Raster r{w, h, std::vector<uint32_t>(size_t(w) * h)};
    const unsigned char* data = cairo_image_surface_get_data(surf);
    const int stride = cairo_image_surface_get_stride(surf);
    for (int y = 0; y < h; ++y)
        std::copy_n(reinterpret_cast<const uint32_t*>(data + size_t(y) * stride), w, r.argb.begin() + size_t(y) * w);
    cairo_destroy(cr);
    cairo_surface_destroy(surf);
    g_object_unref(handle);
    return r;
}

int Alpha(uint32_t argb) { return int(argb >> 24); }

// The sprite colour of a covered pixel, un-premultiplied so that soft edges
// keep the sprite's own colour instead of fading towards the white they
// would otherwise carry onto a dark playfield.
uint32_t SpriteColour(uint32_t argb) {
    const int a = Alpha(argb);
    std::array<int, 3> c = {int((argb >> 16) & 255), int((argb >> 8) & 255), int(argb & 255)};
    for (int& v : c) v = std::min(255, (v * 255 + a / 2) / a);
    if (std::min({c[0], c[1], c[2]}) > kSpriteMaxLight)
        for (int& v : c) v = v * kSpriteMaxLight / 255;
    return (uint32_t(c[0]) << 16) | (uint32_t(c[1]) << 8) | uint32_t(c[2]);
}

// Plain alpha compositing (cairo's colours are premultiplied) over a
// background colour, for whole pictures.
uint32_t OverColour(uint32_t argb, uint32_t background) {
    const int a = Alpha(argb);
    uint32_t out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int b = int((background >> shift) & 255);
        const int c = int((argb >> shift) & 255) + (b * (255 - a) + 127) / 255;
        out |= uint32_t(std::min(255, c)) << shift;
    }
    return out;
}

void PlaceCell(Image& sheet, const Raster& strip, int x, int y, int w, int h, int frames) {
    for (int k = 0; k < frames; ++k) {
        const int px = x + 2 * w * k;
        if (px + 2 * w > sheet.w || y + h > sheet.h) Fail("cell outside the sheet");
        for (int row = 0; row < h; ++row) {
            for (int col = 0; col < w; ++col) {
                const uint32_t argb = strip.argb[size_t(row) * strip.w + size_t(k) * w + col];
                const bool covered = Alpha(argb) >= kCoverAlpha;
                sheet.at(px + col, y + row) = covered ? SpriteColour(argb) : kWhite;
                sheet.at(px + w + col, y + row) = covered ? kWhite : kBlack;
            }
        }
    }
}

// --- writers ---

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

void Write(const std::string& path, const std::string& format, const Image& img) {
    if (format == "bmp24") WriteBmp24(path, img);
    else if (format == "bmp8") WriteBmp8(path, img);
    else if (format == "jpg") WriteJpeg(path, img);
    else Fail("unknown format " + format);
}

// --- readers, for the contact sheet: it shows the files as the game gets them ---

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

Image ReadPicture(const std::string& path) {
    std::string ext = path.substr(path.rfind('.') + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == "bmp" ? ReadBmp(path) : ReadJpeg(path);
}

// --- the contact sheet ---

// Every frame of every sprite at 2x over a checkerboard, masked the way the
// game masks it (the OR then AND passes), with the sprite's name above: a
// stray mask pixel or a frame cut at its cell's edge shows at a glance.
struct ContactRow {
    std::string name;
    const Image* sheet;  // owned by the caller's map of loaded sheets
    int x, y, w, h, frames;
};

void WriteContactSheet(const std::string& out, const std::vector<ContactRow>& rows) {
    constexpr int kScale = 2, kGap = 10, kLabel = 18, kMargin = 12;
    int width = 400, height = kMargin;
    for (const ContactRow& r : rows) {
        width = std::max(width, kMargin * 2 + r.frames * (r.w * kScale + kGap));
        height += kLabel + r.h * kScale + kGap;
    }
    cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surf);
    cairo_set_source_rgb(cr, 0.18, 0.19, 0.22);
    cairo_paint(cr);
    cairo_surface_flush(surf);
    unsigned char* data = cairo_image_surface_get_data(surf);
    const int stride = cairo_image_surface_get_stride(surf);
    auto put = [&](int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            *reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride) + size_t(x) * 4) = c;
    };
    int top = kMargin;
    std::vector<std::pair<int, std::string>> labels;
    for (const ContactRow& r : rows) {
        labels.emplace_back(top, r.name + "  " + std::to_string(r.w) + " x " + std::to_string(r.h));
        const int y0 = top + kLabel;
        for (int k = 0; k < r.frames; ++k) {
            const int x0 = kMargin + k * (r.w * kScale + kGap);
            const int px = r.x + 2 * r.w * k, mx = px + r.w;
            for (int y = 0; y < r.h * kScale; ++y) {
                for (int x = 0; x < r.w * kScale; ++x) {
                    const int sx = x / kScale, sy = r.y + y / kScale;
                    const bool light = ((x / 8) + (y / 8)) % 2 == 0;
                    uint32_t c = light ? 0xC8C8C8 : 0x989898;
                    if (mx + sx < r.sheet->w && sy < r.sheet->h) {
                        const uint32_t mask = r.sheet->at(mx + sx, sy), pic = r.sheet->at(px + sx, sy);
                        c = (c | mask) & pic;
                    }
                    put(x0 + x, y0 + y, c);
                }
            }
        }
        top += kLabel + r.h * kScale + kGap;
    }
    cairo_surface_mark_dirty(surf);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 13.0);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.85);
    for (const auto& [y, text] : labels) {
        cairo_move_to(cr, kMargin, y + 13);
        cairo_show_text(cr, text.c_str());
    }
    cairo_surface_flush(surf);
    if (cairo_surface_write_to_png(surf, out.c_str()) != CAIRO_STATUS_SUCCESS) Fail("cannot write " + out);
    cairo_destroy(cr);
    cairo_surface_destroy(surf);
}

// --- command line ---

struct CellArg {
    std::string svg;
    int x, y, w, h, frames;
};

CellArg ParseCell(const std::string& arg) {
    const size_t at = arg.rfind('@');
    if (at == std::string::npos) Fail("cell needs SVG@X,Y,W,H,FRAMES: " + arg);
    CellArg c{arg.substr(0, at), 0, 0, 0, 0, 0};
    if (std::sscanf(arg.c_str() + at + 1, "%d,%d,%d,%d,%d", &c.x, &c.y, &c.w, &c.h, &c.frames) != 5 || c.w <= 0 ||
        c.h <= 0 || c.frames <= 0)
        Fail("bad cell " + arg);
    return c;
}

// assetgen contact OUT.png NAME=PICTURE@X,Y,W,H,FRAMES...
int RunContact(const std::vector<std::string>& args) {
    std::vector<ContactRow> rows;
    std::map<std::string, Image> sheets;
    for (size_t i = 2; i < args.size(); ++i) {
        const size_t eq = args[i].find('=');
        if (eq == std::string::npos) Fail("contact row needs NAME=PICTURE@X,Y,W,H,FRAMES: " + args[i]);
        const CellArg c = ParseCell(args[i].substr(eq + 1));
        auto it = sheets.find(c.svg);
        if (it == sheets.end()) it = sheets.emplace(c.svg, ReadPicture(c.svg)).first;
        rows.push_back({args[i].substr(0, eq), &it->second, c.x, c.y, c.w, c.h, c.frames});
    }
    WriteContactSheet(args[1], rows);
    return 0;
}

// assetgen icon OUT.png SIZE SVG
int RunIcon(const std::vector<std::string>& args) {
    if (args.size() != 4) Fail("usage: assetgen icon OUT.png SIZE SVG");
    const int size = std::stoi(args[2]);
    if (size <= 0 || size > 1024) Fail("bad icon size " + args[2]);
    Raster r = Rasterise(args[3], size, size, {}, false);
    // Raster keeps cairo's own premultiplied layout, so cairo can write it as it is.
    cairo_surface_t* surf =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(r.argb.data()), CAIRO_FORMAT_ARGB32,
                                            size, size, cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, size));
    const bool ok = cairo_surface_write_to_png(surf, args[1].c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surf);
    if (!ok) Fail("cannot write " + args[1]);
    return 0;
}

molfo::i18n::Catalog LoadWords(const std::string& path) {
    molfo::i18n::Catalog c;
    std::string error;
    if (!molfo::i18n::Catalog::LoadMo(path, c, error)) Fail(error);
    return c;
}

// assetgen words SVG [--words MO] [-D KEY=VALUE]...
int RunWords(const std::vector<std::string>& args) {
    if (args.size() < 2) Fail("usage: assetgen words SVG [--words MO] [-D KEY=VALUE]...");
    std::map<std::string, std::string> defs;
    std::unique_ptr<molfo::i18n::Catalog> words;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "-D" && i + 1 < args.size()) {
            const std::string& d = args[++i];
            const size_t eq = d.find('=');
            if (eq == std::string::npos) Fail("-D needs KEY=VALUE");
            defs[d.substr(0, eq)] = d.substr(eq + 1);
        } else if (args[i] == "--words" && i + 1 < args.size()) {
            words = std::make_unique<molfo::i18n::Catalog>(LoadWords(args[++i]));
        } else {
            Fail("unknown argument " + args[i]);
        }
    }
    EachText(Substitute(ReadText(args[1]), defs), [&words](const std::string& w) {
        if (PastAscii(w) && (!words || words->Find(w) == nullptr)) std::cout << w << "\n";
        return w;
    });
    return 0;
}

int Run(const std::vector<std::string>& args) {
    if (args.size() >= 2 && args[0] == "contact") return RunContact(args);
    if (!args.empty() && args[0] == "icon") return RunIcon(args);
    if (!args.empty() && args[0] == "words") return RunWords(args);
    if (args.size() < 5) Fail("usage: assetgen sheet|picture OUT FORMAT W H ...");
    const std::string& mode = args[0];
    const std::string& out = args[1];
    const std::string& format = args[2];
    const int w = std::stoi(args[3]), h = std::stoi(args[4]);
    std::map<std::string, std::string> defs;
    std::vector<std::string> rest;
    bool wrapY = false;
    std::string base;
    uint32_t background = kWhite;
    std::unique_ptr<molfo::i18n::Catalog> words;
    for (size_t i = 5; i < args.size(); ++i) {
        if (args[i] == "--words" && i + 1 < args.size()) {
            words = std::make_unique<molfo::i18n::Catalog>(LoadWords(args[++i]));
        } else if (args[i] == "-D" && i + 1 < args.size()) {
            const std::string& d = args[++i];
            const size_t eq = d.find('=');
            if (eq == std::string::npos) Fail("-D needs KEY=VALUE");
            defs[d.substr(0, eq)] = d.substr(eq + 1);
        } else if (args[i] == "--base" && i + 1 < args.size()) {
            base = args[++i];
        } else if (args[i] == "--wrap-y") {
            wrapY = true;
        } else if (args[i] == "--background" && i + 1 < args.size()) {
            background = static_cast<uint32_t>(std::stoul(args[++i], nullptr, 16)) & 0xFFFFFF;
        } else {
            rest.push_back(args[i]);
        }
    }
    Image img(w, h, kWhite);
    if (mode == "sheet") {
        for (const std::string& arg : rest) {
            const CellArg c = ParseCell(arg);
            const Raster strip = Rasterise(c.svg, c.w * c.frames, c.h, defs, false, c.w, "", words.get());
            PlaceCell(img, strip, c.x, c.y, c.w, c.h, c.frames);
        }
    } else if (mode == "picture") {
        if (rest.size() != 1) Fail("picture takes one SVG");
        const Raster r = Rasterise(rest[0], w, h, defs, wrapY, 0, base, words.get());
        for (size_t i = 0; i < img.px.size(); ++i) img.px[i] = OverColour(r.argb[i], background);
    } else {
        Fail("unknown mode " + mode);
    }
    Write(out, format, img);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "assetgen: " << e.what() << "\n";
        return 1;
    }
}
