// SVG drawing: templates filled in, our own SVGs inlined where another
// draws them as an image, the words put into another language, rasterised
// by librsvg; and the rasters laid out as sprite cells or whole pictures.
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "Assetgen.h"
#include "i18n/Catalog.h"

namespace assetgen {

void Fail(const std::string& what) { throw std::runtime_error(what); }

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

namespace {

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

}  // namespace

std::string Substitute(std::string text, const std::map<std::string, std::string>& defs) {
    for (const auto& [key, value] : defs) {
        const std::string token = "${" + key + "}";
        const std::string v = XmlEscape(value);
        for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + v.size()))
            text.replace(at, token.size(), v);
    }
    return text;
}

bool PastAscii(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}


std::string EachText(const std::string& svg, const std::function<std::string(const std::string&)>& each) {
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

namespace {

std::string Translated(const std::string& svg, const molfo::i18n::Catalog* words) {
    if (words == nullptr) return svg;
    return EachText(svg, [words](const std::string& w) {
        const std::string* t = words->Find(w);
        return t != nullptr ? *t : w;
    });
}

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

}  // namespace

Raster Rasterise(const std::string& path, int w, int h, const std::map<std::string, std::string>& defs,
                 bool wrapY, int frameW, const std::string& base, const molfo::i18n::Catalog* words) {
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

namespace {

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

}  // namespace

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

}  // namespace assetgen
