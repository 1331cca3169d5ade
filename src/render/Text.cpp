// The label font: found through fontconfig, opened with SDL2_ttf per pixel
// size, rendered as coverage masks that are blended onto our surfaces.
#include "render/Text.h"

#include <SDL2/SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace molfo {

namespace {

// A hiragana the label captions use; a font without it would draw boxes.
constexpr FcChar32 kProbeKana = 0x305F;  // た

struct FontFile {
    std::string path;
    int index = 0;
};

bool HasFamily(FcPattern* p, const char* family) {
    FcChar8* f = nullptr;
    for (int i = 0; FcPatternGetString(p, FC_FAMILY, i, &f) == FcResultMatch; ++i)
        if (FcStrCmpIgnoreCase(f, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
    return false;
}

bool HasKana(FcPattern* p) {
    FcCharSet* cs = nullptr;
    return FcPatternGetCharSet(p, FC_CHARSET, 0, &cs) == FcResultMatch && FcCharSetHasChar(cs, kProbeKana);
}

FontFile FileOf(FcPattern* p) {
    FontFile ff;
    FcChar8* file = nullptr;
    if (FcPatternGetString(p, FC_FILE, 0, &file) == FcResultMatch) ff.path = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(p, FC_INDEX, 0, &index) == FcResultMatch) ff.index = index;
    return ff;
}

// Asks fontconfig for one family (nullptr: any Japanese sans-serif). A named
// family only counts when fontconfig really has it, since its substitute for
// an unknown name is usually a Latin font.
FontFile Match(const char* family, bool needKana, int spacing = FC_PROPORTIONAL) {
    FontFile found;
    FcPattern* pat = FcPatternCreate();
    if (!pat) return found;
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family ? family : "sans-serif"));
    FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddInteger(pat, FC_SPACING, spacing);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res = FcResultNoMatch;
    FcPattern* m = FcFontMatch(nullptr, pat, &res);
    if (m) {
        const bool familyOk = !family || HasFamily(m, family);
        if (familyOk && (!needKana || HasKana(m))) found = FileOf(m);
        FcPatternDestroy(m);
    }
    FcPatternDestroy(pat);
    return found;
}

FontFile FindFixedFont() {
    if (!FcInit()) return {};
    for (const char* family : {"IPAGothic", "VL Gothic", "Noto Sans Mono CJK JP", "TakaoGothic"}) {
        FontFile f = Match(family, true, FC_DUAL);
        if (!f.path.empty()) return f;
    }
    return Match("monospace", false, FC_MONO);
}

FontFile FindLabelFont() {
    if (!FcInit()) return {};
    // The window's own font first, then proportional Japanese gothics that
    // look like it, then any Japanese font, then anything that has digits.
    for (const char* family : {kLabelFontFamily, "IPAPGothic", "VL PGothic", "Noto Sans CJK JP", "IPAGothic"}) {
        FontFile f = Match(family, true);
        if (!f.path.empty()) return f;
    }
    FontFile f = Match(nullptr, true);
    if (f.path.empty()) f = Match(nullptr, false);
    return f;
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

struct TextRenderer::Impl {
    TextRenderer::Face face = TextRenderer::Face::Label;
    std::string path;
    int index = 0;
    bool looked = false;   // the font file has been chosen
    bool ttf = false;      // TTF_Init succeeded and needs its TTF_Quit
    bool usable = false;
    std::vector<std::pair<int, TTF_Font*>> fonts;  // by pixel size
    TextMask scratch;

    ~Impl() {
        for (auto& f : fonts)
            if (f.second) TTF_CloseFont(f.second);
        if (ttf) TTF_Quit();
    }

    void Look() {
        if (looked) return;
        looked = true;
        if (path.empty()) {
            FontFile f = face == TextRenderer::Face::Fixed ? FindFixedFont() : FindLabelFont();
            path = std::move(f.path);
            index = f.index;
        }
        if (path.empty()) return;
        ttf = TTF_Init() == 0;
        usable = ttf && Font(12) != nullptr;
    }

    TTF_Font* Font(int px) {
        if (!ttf || px <= 0) return nullptr;
        for (auto& f : fonts)
            if (f.first == px) return f.second;
        TTF_Font* font = TTF_OpenFontIndex(path.c_str(), px, index);
        if (font) TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
        fonts.emplace_back(px, font);  // a failure is remembered too
        return font;
    }

    TTF_Font* Usable(int px) {
        Look();
        return usable ? Font(px) : nullptr;
    }
};

TextRenderer::TextRenderer(Face face) : impl_(new Impl) { impl_->face = face; }

TextRenderer::TextRenderer(std::string fontFile) : impl_(new Impl) {
    impl_->path = std::move(fontFile);
    // An explicitly named file that is not there must not fall back to
    // fontconfig: the caller asked for that file.
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
    TTF_Font* font = impl_->Usable(px);
    if (!font || utf8.empty()) return false;
    SDL_Surface* s = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (!s) return false;
    const bool locked = SDL_MUSTLOCK(s) && SDL_LockSurface(s) == 0;
    const SDL_PixelFormat* f = s->format;
    if (f->BytesPerPixel == 4) {
        out.w = s->w;
        out.h = s->h;
        out.alpha.resize(static_cast<size_t>(out.w) * out.h);
        for (int y = 0; y < s->h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch);
            for (int x = 0; x < s->w; ++x)
                out.alpha[static_cast<size_t>(y) * out.w + x] = static_cast<uint8_t>((row[x] & f->Amask) >> f->Ashift);
        }
    }
    if (locked) SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    return out.w > 0;
}

int TextRenderer::Draw(Surface& dst, int x, int y, const std::string& utf8, uint32_t colour, int px, Rect clip) {
    if (!RenderMask(impl_->scratch, utf8, px)) return 0;
    DrawTextMask(dst, x, y, impl_->scratch, colour, clip);
    return impl_->scratch.w;
}

int TextRenderer::Measure(const std::string& utf8, int px) {
    TTF_Font* font = impl_->Usable(px);
    int w = 0, h = 0;
    if (!font || utf8.empty() || TTF_SizeUTF8(font, utf8.c_str(), &w, &h) != 0) return 0;
    return w;
}

int TextRenderer::LineHeight(int px) {
    TTF_Font* font = impl_->Usable(px);
    // Without a font, lines still advance as if a font of that size were there.
    if (!font) return px + px / 6;
    return std::max(TTF_FontLineSkip(font), TTF_FontHeight(font));
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
