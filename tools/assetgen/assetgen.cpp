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
//
// The pieces: Svg.cpp draws, Writers.cpp writes, Readers.cpp and Contact.cpp
// make the contact sheet; this file reads the command line.
#include <cairo.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Assetgen.h"
#include "i18n/Catalog.h"

namespace assetgen {

namespace {

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

}  // namespace assetgen

int main(int argc, char** argv) {
    try {
        return assetgen::Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "assetgen: " << e.what() << "\n";
        return 1;
    }
}
