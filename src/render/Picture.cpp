// Picture files in and out of our surfaces. SDL2_image decodes and encodes;
// SDL's surface conversion turns any format, palettes included, into the
// 0x00RRGGBB pixels the raster operations work on. Neither needs a window.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <cstdio>
#include <cstring>

#include "render/Surface.h"

namespace molfo {

bool LoadPicture(Surface& dst, const std::string& path) {
    SDL_Surface* raw = IMG_Load(path.c_str());
    if (!raw) return false;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(raw);
    if (!rgb) return false;
    const bool locked = SDL_MUSTLOCK(rgb) && SDL_LockSurface(rgb) == 0;
    dst.Resize(rgb->w, rgb->h);
    for (int y = 0; y < rgb->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch);
        uint32_t* out = dst.Row(y);
        // The unused top byte may hold anything; ours must be 0.
        for (int x = 0; x < rgb->w; ++x) out[x] = row[x] & 0xFFFFFFu;
    }
    if (locked) SDL_UnlockSurface(rgb);
    SDL_FreeSurface(rgb);
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
    SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, src.Width(), src.Height(), 24, SDL_PIXELFORMAT_RGB24);
    if (!rgb) return false;
    auto* base = static_cast<uint8_t*>(rgb->pixels);
    for (int y = 0; y < src.Height(); ++y) {
        uint8_t* out = base + y * rgb->pitch;
        const uint32_t* in = src.Row(y);
        for (int x = 0; x < src.Width(); ++x) {
            out[3 * x] = static_cast<uint8_t>(in[x] >> 16);
            out[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
            out[3 * x + 2] = static_cast<uint8_t>(in[x]);
        }
    }
    const bool ok = IMG_SavePNG(rgb, path.c_str()) == 0;
    SDL_FreeSurface(rgb);
    return ok && PngWrittenWhole(path);
}

}  // namespace molfo
