// CPU pixel buffers and rectangle copies by raster operation. Pixels are
// 0x00RRGGBB; the top byte stays 0 through every operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace molfo {

enum class Rop { Copy, Or, And, Xor };

inline constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | uint32_t{b};
}

class Surface {
public:
    Surface() = default;
    Surface(int w, int h, uint32_t background = 0) { Resize(w, h, background); }
    Surface(const Surface&) = default;
    Surface(Surface&&) = default;
    Surface& operator=(const Surface& other);
    Surface& operator=(Surface&& other) noexcept;

    void Resize(int w, int h, uint32_t background);
    void Resize(int w, int h) { Resize(w, h, background_); }
    // Fills the whole surface with its background colour.
    void Clear();
    void Fill(int x, int y, int w, int h, uint32_t colour);
    // Releases the pixels; the surface becomes 0 x 0.
    void Release();
    // Trades pixels (and sizes) with another surface; each keeps its
    // background colour. A copy of a whole surface at no cost.
    void SwapPixels(Surface& other);

    int Width() const { return w_; }
    int Height() const { return h_; }
    bool Empty() const { return w_ == 0 || h_ == 0; }
    uint32_t Background() const { return background_; }
    void SetBackground(uint32_t c) {
        ++version_;
        background_ = c;
    }

    // Every way in to the pixels that could change them moves the version
    // on, so a reader can tell the pixels are as it last saw them.
    uint32_t* Row(int y) {
        ++version_;
        return px_.data() + static_cast<size_t>(y) * w_;
    }
    const uint32_t* Row(int y) const { return px_.data() + static_cast<size_t>(y) * w_; }
    uint32_t At(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
    uint32_t& At(int x, int y) {
        ++version_;
        return px_[static_cast<size_t>(y) * w_ + x];
    }
    std::vector<uint32_t>& Pixels() {
        ++version_;
        return px_;
    }
    const std::vector<uint32_t>& Pixels() const { return px_; }
    // Moves on whenever the pixels, size or background may have changed;
    // never comes back to an earlier value.
    uint64_t Version() const { return version_; }

private:
    int w_ = 0;
    int h_ = 0;
    uint32_t background_ = 0;
    std::vector<uint32_t> px_;
    uint64_t version_ = 0;
};

// Copies the w x h rectangle at (sx, sy) of src onto (dx, dy) of dst,
// combining source and destination by op. The rectangle is clipped to both
// surfaces; the parts outside either are left out.
void BitBlt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy, Rop op);

// A sprite: ORs the mask at (maskX, sy) of the sheet onto dst, then ANDs the
// picture at (picX, sy), both w x h at (dx, dy): what BitBlt by Or and then
// by And does, in one pass.
void MaskBlt(Surface& dst, int dx, int dy, int w, int h, const Surface& sheet, int maskX, int picX, int sy);

// Decodes a BMP, JPEG or PNG file into the surface, which takes the picture's
// size. Returns false (and leaves the surface as it was) when the file cannot
// be read or decoded.
bool LoadPicture(Surface& dst, const std::string& path);

// A BMP's, JPEG's or PNG's width and height, from its header alone. Returns
// false when the file is none of these, or is one the decoder cannot read.
bool ReadPictureSize(const std::string& path, int& w, int& h);

// Writes the surface as a PNG file. Returns false on failure.
bool SavePng(const Surface& src, const std::string& path);

}  // namespace molfo
