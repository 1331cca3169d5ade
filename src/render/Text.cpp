// The label font: one font file read whole, rasterised by stb_truetype per
// pixel size into cached glyphs, laid out on whole pixels and blended onto
// our surfaces. The same code runs on the desktop and in the browser.
#include "render/Text.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string_view>
#include <utility>

#include "core/ReadFile.h"

namespace molfo {

namespace {

// No font file of any script comes near this; a larger file is not a font.
constexpr size_t kLargestFont = 64 * 1024 * 1024;

// Where the fonts lie. The window's labels use a proportional Japanese
// gothic, the printed ranking one whose full-width characters are exactly two
// half-width ones, so its byte-padded columns line up. Debian's IPA P Gothic
// and IPA Gothic are the ones we ship against; the browser build packs those
// very files at the same paths in its own file system, so every platform
// draws the same glyphs. The rest are stand-ins of other systems, the last
// ones only good for digits and Latin letters.
constexpr const char* kLabelFontFiles[] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
    "/usr/share/fonts/ipa-pgothic/ipagp.ttf",
    "/usr/share/fonts/OTF/ipagp.ttf",
    "/usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf",
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};
constexpr const char* kFixedFontFiles[] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/ipa-gothic/ipag.ttf",
    "/usr/share/fonts/OTF/ipag.ttf",
    "/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf",
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
};

// The first listed font of the face that exists; empty when none does.
std::string FindFont(TextRenderer::Face face) {
    const auto& files = face == TextRenderer::Face::Fixed ? kFixedFontFiles : kLabelFontFiles;
    for (const char* f : files) {
        std::ifstream probe(f, std::ios::binary);
        if (probe) return f;
    }
    return {};
}

// Decodes one UTF-8 character at s[i] and moves i past it; a broken sequence
// reads as U+FFFD and costs one byte.
uint32_t NextCodepoint(const std::string& s, size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    size_t n = 1;
    uint32_t cp = lead;
    if (lead >= 0xF0 && lead < 0xF8) {
        n = 4;
        cp = lead & 0x07u;
    } else if (lead >= 0xE0) {
        n = lead < 0xF0 ? 3 : 1;
        cp = lead & 0x0Fu;
    } else if (lead >= 0xC0) {
        n = 2;
        cp = lead & 0x1Fu;
    } else if (lead >= 0x80) {
        n = 0;
    }
    if (n == 0 || (n == 1 && lead >= 0x80) || i + n > s.size()) {
        ++i;
        return 0xFFFD;
    }
    for (size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3Fu);
    }
    i += n;
    return cp;
}

uint8_t Blend(uint32_t d, uint32_t c, int shift, uint32_t a) {
    const uint32_t dc = (d >> shift) & 0xFF, cc = (c >> shift) & 0xFF;
    return static_cast<uint8_t>((cc * a + dc * (255 - a) + 127) / 255);
}

// Byte length of the UTF-8 sequence that starts with `lead`.
size_t Utf8Len(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) return 2;
    if ((lead >> 4) == 0xE) return 3;
    if ((lead >> 3) == 0x1E) return 4;
    return 1;
}

// Whether the character starting at `at` is one of the characters of `set`.
bool CharIn(const std::string& s, size_t at, std::string_view set) {
    const size_t n = Utf8Len(static_cast<unsigned char>(s[at]));
    for (size_t i = 0; i < set.size(); i += Utf8Len(static_cast<unsigned char>(set[i])))
        if (set.compare(i, Utf8Len(static_cast<unsigned char>(set[i])), s, at, n) == 0) return true;
    return false;
}

// Japanese line breaking: what may not begin a line, and what may not end one.
constexpr std::string_view kNoLineStart =
    "ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶー、。，．・：；？！）」』】〕〉》’”ゝゞヽヾ々!),.:;?]}";
constexpr std::string_view kNoLineEnd = "（「『【〔〈《‘“([{";

}  // namespace

void DrawTextMask(Surface& dst, int x, int y, const TextMask& mask, uint32_t colour, Rect clip) {
    if (clip.w <= 0) clip = {0, 0, dst.Width(), dst.Height()};
    const int x0 = std::max({x, clip.x, 0}), y0 = std::max({y, clip.y, 0});
    const int x1 = std::min({x + mask.w, clip.x + clip.w, dst.Width()});
    const int y1 = std::min({y + mask.h, clip.y + clip.h, dst.Height()});
    for (int yy = y0; yy < y1; ++yy) {
        const uint8_t* a = mask.alpha.data() + static_cast<size_t>(yy - y) * mask.w - x;
        uint32_t* d = dst.Row(yy);
        for (int xx = x0; xx < x1; ++xx) {
            const uint32_t al = a[xx];
            if (al == 0) continue;
            if (al == 255) {
                d[xx] = colour & 0xFFFFFFu;
                continue;
            }
            d[xx] = (uint32_t{Blend(d[xx], colour, 16, al)} << 16) | (uint32_t{Blend(d[xx], colour, 8, al)} << 8) |
                    Blend(d[xx], colour, 0, al);
        }
    }
}

namespace {

// One glyph at one size, rasterised once: its coverage and where it sits
// against the pen position and the baseline.
struct Glyph {
    uint32_t codepoint = 0;
    int advance = 0;  // whole pixels, so a glyph looks the same wherever it falls
    int x0 = 0, y0 = 0, w = 0, h = 0;
    std::vector<uint8_t> alpha;
};

struct SizedFont {
    int px = 0;
    float scale = 0;
    int ascent = 0, height = 0, lineSkip = 0;
    std::vector<Glyph> glyphs;  // few enough that a linear search is fine
};

}  // namespace

struct TextRenderer::Impl {
    TextRenderer::Face face = TextRenderer::Face::Label;
    std::string path;
    bool looked = false;  // the font file has been chosen and read
    bool usable = false;
    std::string data;
    stbtt_fontinfo info{};
    std::vector<SizedFont> faces;  // by pixel size
    TextMask scratch;

    void Look() {
        if (looked) return;
        looked = true;
        if (path.empty()) path = FindFont(face);
        if (path.empty()) return;
        // Read in large pieces: a CJK face is several megabytes, which
        // a stream iterator took tens of milliseconds to gather byte by byte.
        std::string error;
        if (!ReadFileLimited(path, kLargestFont, data, error)) return;
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
        const int offset = stbtt_GetFontOffsetForIndex(bytes, 0);
        usable = offset >= 0 && stbtt_InitFont(&info, bytes, offset) != 0;
    }

    SizedFont* FaceOf(int px) {
        Look();
        if (!usable || px <= 0) return nullptr;
        for (SizedFont& f : faces)
            if (f.px == px) return &f;
        SizedFont f;
        f.px = px;
        // The size names the em square in pixels, as the window's font sizes do.
        f.scale = stbtt_ScaleForMappingEmToPixels(&info, static_cast<float>(px));
        int asc = 0, desc = 0, gap = 0;
        stbtt_GetFontVMetrics(&info, &asc, &desc, &gap);
        f.ascent = static_cast<int>(std::ceil(asc * f.scale));
        const int descent = static_cast<int>(std::floor(desc * f.scale));
        f.height = f.ascent - descent;
        f.lineSkip = static_cast<int>(std::ceil((asc - desc + gap) * f.scale));
        faces.push_back(std::move(f));
        return &faces.back();
    }

    const Glyph& GlyphOf(SizedFont& f, uint32_t cp) {
        for (const Glyph& g : f.glyphs)
            if (g.codepoint == cp) return g;
        Glyph g;
        g.codepoint = cp;
        const int index = stbtt_FindGlyphIndex(&info, static_cast<int>(cp));
        int adv = 0, lsb = 0;
        stbtt_GetGlyphHMetrics(&info, index, &adv, &lsb);
        g.advance = static_cast<int>(std::lround(adv * f.scale));
        int x1 = 0, y1 = 0;
        stbtt_GetGlyphBitmapBox(&info, index, f.scale, f.scale, &g.x0, &g.y0, &x1, &y1);
        g.w = std::max(0, x1 - g.x0);
        g.h = std::max(0, y1 - g.y0);
        if (g.w > 0 && g.h > 0) {
            g.alpha.resize(static_cast<size_t>(g.w) * g.h);
            stbtt_MakeGlyphBitmap(&info, g.alpha.data(), g.w, g.h, g.w, f.scale, f.scale, index);
        }
        f.glyphs.push_back(std::move(g));
        return f.glyphs.back();
    }

    int Width(SizedFont& f, const std::string& utf8) {
        int w = 0;
        for (size_t i = 0; i < utf8.size();) w += GlyphOf(f, NextCodepoint(utf8, i)).advance;
        return w;
    }
};

TextRenderer::TextRenderer(Face face) : impl_(new Impl) { impl_->face = face; }

TextRenderer::TextRenderer(std::string fontFile) : impl_(new Impl) {
    impl_->path = std::move(fontFile);
    // An explicitly named file that is not there must not fall back to the
    // list: the caller asked for that file.
    if (impl_->path.empty()) impl_->looked = true;
}

TextRenderer::~TextRenderer() { delete impl_; }

bool TextRenderer::Ok() const {
    impl_->Look();
    return impl_->usable;
}

const std::string& TextRenderer::FontPath() const {
    impl_->Look();
    return impl_->path;
}

bool TextRenderer::RenderMask(TextMask& out, const std::string& utf8, int px) {
    out.w = out.h = 0;
    SizedFont* f = impl_->FaceOf(px);
    if (!f || utf8.empty()) return false;
    out.w = impl_->Width(*f, utf8);
    out.h = f->height;
    if (out.w <= 0 || out.h <= 0) {
        out.w = out.h = 0;
        return false;
    }
    out.alpha.assign(static_cast<size_t>(out.w) * out.h, 0);
    int pen = 0;
    for (size_t i = 0; i < utf8.size();) {
        const Glyph& g = impl_->GlyphOf(*f, NextCodepoint(utf8, i));
        for (int y = 0; y < g.h; ++y) {
            const int ty = f->ascent + g.y0 + y;
            if (ty < 0 || ty >= out.h) continue;
            for (int x = 0; x < g.w; ++x) {
                const int tx = pen + g.x0 + x;
                if (tx < 0 || tx >= out.w) continue;
                uint8_t& a = out.alpha[static_cast<size_t>(ty) * out.w + tx];
                // Neighbours may overlap by a pixel; the darker coverage wins.
                a = std::max(a, g.alpha[static_cast<size_t>(y) * g.w + x]);
            }
        }
        pen += g.advance;
    }
    return true;
}

int TextRenderer::Draw(Surface& dst, int x, int y, const std::string& utf8, uint32_t colour, int px, Rect clip) {
    if (!RenderMask(impl_->scratch, utf8, px)) return 0;
    DrawTextMask(dst, x, y, impl_->scratch, colour, clip);
    return impl_->scratch.w;
}

int TextRenderer::Measure(const std::string& utf8, int px) {
    SizedFont* f = impl_->FaceOf(px);
    if (!f || utf8.empty()) return 0;
    return impl_->Width(*f, utf8);
}

int TextRenderer::LineHeight(int px) {
    SizedFont* f = impl_->FaceOf(px);
    // Without a font, lines still advance as if a font of that size were there.
    if (!f) return px + px / 6;
    return std::max(f->lineSkip, f->height);
}

std::vector<std::string> TextRenderer::Wrap(const std::string& utf8, int px, int width) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t nl = utf8.find('\n', start);
        size_t end = nl == std::string::npos ? utf8.size() : nl;
        size_t cut = end;
        if (cut > start && utf8[cut - 1] == '\r') --cut;
        std::string line = utf8.substr(start, cut - start);
        while (width > 0 && !line.empty() && Measure(line, px) > width) {
            // The longest prefix that fits, at least one character.
            size_t fit = Utf8Len(static_cast<unsigned char>(line[0]));
            size_t lastSpace = std::string::npos;
            for (size_t i = fit; i < line.size();) {
                const size_t n = i + Utf8Len(static_cast<unsigned char>(line[i]));
                if (Measure(line.substr(0, n), px) > width) break;
                if (line[i] == ' ') lastSpace = i;
                fit = n;
                i = n;
            }
            if (fit >= line.size()) break;
            auto previous = [&](size_t at) {
                do --at;
                while (at > 0 && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80);
                return at;
            };
            for (size_t at = fit; at > 0 && line[at] != ' ';) {
                if (!CharIn(line, at, kNoLineStart) && !CharIn(line, previous(at), kNoLineEnd)) {
                    fit = at;
                    break;
                }
                at = previous(at);
            }
            size_t rest = fit;
            if (lastSpace != std::string::npos && line[fit] != ' ') {
                fit = lastSpace;
                rest = lastSpace + 1;
            } else if (line[fit] == ' ') {
                rest = fit + 1;
            }
            lines.push_back(line.substr(0, fit));
            line.erase(0, rest);
        }
        lines.push_back(std::move(line));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

}  // namespace molfo
