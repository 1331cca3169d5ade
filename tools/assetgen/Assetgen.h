// The pieces of assetgen (see assetgen.cpp for its command line): SVG
// drawing, the picture writers, the readers the contact sheet uses, and the
// contact sheet itself.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace molfo::i18n {
class Catalog;
}

namespace assetgen {

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

[[noreturn]] void Fail(const std::string& what);
std::string ReadText(const std::string& path);

// --- SVG drawing (Svg.cpp) ---

// "${KEY}" replaced by VALUE, XML-escaped.
std::string Substitute(std::string text, const std::map<std::string, std::string>& defs);
bool PastAscii(const std::string& s);
// Calls `each` with every run of words inside a <text> or <tspan> (entities
// resolved) and puts back what it returns.
std::string EachText(const std::string& svg, const std::function<std::string(const std::string&)>& each);

// Rasterised ARGB (premultiplied, cairo's layout) of one SVG.
struct Raster {
    int w, h;
    std::vector<uint32_t> argb;
};

// frameW > 0 renders a film strip one frame at a time, each clipped to its own
// column, so a wing that reaches past its frame never shows in the next one.
Raster Rasterise(const std::string& path, int w, int h, const std::map<std::string, std::string>& defs,
                 bool wrapY, int frameW = 0, const std::string& base = "", const molfo::i18n::Catalog* words = nullptr);
// Plain alpha compositing (cairo's colours are premultiplied) over a
// background colour, for whole pictures.
uint32_t OverColour(uint32_t argb, uint32_t background);
// Frame k of the strip at (x + 2wk, y) on white, its mask right after it.
void PlaceCell(Image& sheet, const Raster& strip, int x, int y, int w, int h, int frames);

// --- writers (Writers.cpp) ---

// FORMAT bmp24, bmp8 or jpg.
void Write(const std::string& path, const std::string& format, const Image& img);

// --- readers (Readers.cpp), for the contact sheet: it shows the files as the game gets them ---

// A BMP (8 or 24 bits) or a JPEG, by the file's extension.
Image ReadPicture(const std::string& path);

// --- the contact sheet (Contact.cpp) ---

// Every frame of every sprite at 2x over a checkerboard, masked the way the
// game masks it (the OR then AND passes), with the sprite's name above: a
// stray mask pixel or a frame cut at its cell's edge shows at a glance.
struct ContactRow {
    std::string name;
    const Image* sheet;  // owned by the caller's map of loaded sheets
    int x, y, w, h, frames;
};

void WriteContactSheet(const std::string& out, const std::vector<ContactRow>& rows);

}  // namespace assetgen
