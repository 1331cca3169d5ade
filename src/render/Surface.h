// CPU pixel buffers and rectangle copies by raster operation. Pixels are
// 0x00RRGGBB; the top byte stays 0 through every operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Rect.h"

namespace molfo {

enum class Rop { Copy, Or, And, Xor };

inline constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | uint32_t{b};
}

class Surface {
public:
    Surface() = default;
    Surface(int w, int h, uint32_t background = 0) { Resize(w, h, background); }
    // A copy always has pixels of its own, even a copy of a view.
    Surface(const Surface& other);
    Surface(Surface&& other) noexcept;
    // A view given a picture of its own size takes its pixels and stays a
    // view; otherwise the surface becomes the other's copy.
    Surface& operator=(const Surface& other);
    Surface& operator=(Surface&& other) noexcept;

    // Makes this surface a view: a window onto the rectangle `area` of the
    // host's pixels (cut to the host), so that what is drawn on it is drawn
    // on the host, with no copy between them. The host must keep its pixels
    // (no Resize, Release or move) while the view lives; the view keeps its
    // background colour.
    void ViewInto(Surface& host, const Rect& area);
    bool IsView() const { return view_; }

    // Moves the pixels into memory lent by a display (its window's buffer:
    // room for the surface's size, `stride` words a row), copying them
    // there, so that what is drawn on the surface from then on is shown
    // with no copy. Views of it must be made again. Leave copies the pixels
    // back into memory of its own; Resize and Release end the lodging too.
    // A view does not lodge.
    void LodgeIn(uint32_t* pixels, int stride);
    void Leave();
    bool Lodged() const { return lodged_; }

    // Gives the surface pixels of its own at this size, each the background
    // colour; a view stops being one.
    void Resize(int w, int h, uint32_t background);
    void Resize(int w, int h) { Resize(w, h, background_); }
    // Fills the whole surface with its background colour.
    void Clear();
    void Fill(int x, int y, int w, int h, uint32_t colour);
    // Releases the pixels; the surface becomes 0 x 0.
    void Release();

    int Width() const { return w_; }
    int Height() const { return h_; }
    bool Empty() const { return w_ == 0 || h_ == 0; }
    uint32_t Background() const { return background_; }
    void SetBackground(uint32_t c) {
        ++version_;
        background_ = c;
    }

    // Every way in to the pixels that could change them moves the version
    // on, so a reader can tell the pixels are as it last saw them. A view's
    // version counts what is drawn through the view, not on its host.
    uint32_t* Row(int y) {
        ++version_;
        return data_ + static_cast<size_t>(Lying(y)) * stride_;
    }
    const uint32_t* Row(int y) const { return data_ + static_cast<size_t>(Lying(y)) * stride_; }

    // Moves the picture down `rows` rows, the bottom rows falling off and
    // the top rows left to be drawn again. A view may do it by turning
    // (`mayTurn`): its rows are read round its height from another first
    // row, so that no pixel moves; the host then holds the view's rows
    // turned until Straighten. Otherwise every row is copied down.
    void MoveDown(int rows, bool mayTurn);
    // The row of the view's own pixels that holds its row 0 (0: in order).
    int Turn() const { return turn_; }
    // Puts a turned view's rows back in order in the host's pixels. What
    // the view shows is the same, so it is a const reader's to call and
    // the version stands.
    void Straighten() const;
    // Whether the two surfaces' pixels may lie in the same memory (a view
    // and its host, two views of one host, a surface and itself).
    bool Overlaps(const Surface& other) const;
    uint32_t At(int x, int y) const { return Row(y)[x]; }
    uint32_t& At(int x, int y) { return Row(y)[x]; }
    // Pixels from the start of one row to the start of the next: the width,
    // but for a view, whose rows lie in its host's.
    int Stride() const { return stride_; }
    // The pixels of a surface that has its own, row after row (a view or a
    // lodged surface has none of its own: read it by rows).
    std::vector<uint32_t>& Pixels() {
        ++version_;
        return px_;
    }
    const std::vector<uint32_t>& Pixels() const { return px_; }
    // Moves on whenever the pixels, size or background may have changed;
    // never comes back to an earlier value.
    uint64_t Version() const { return version_; }

private:
    // Where row y lies among the pixels: y itself unless the view is turned.
    int Lying(int y) const {
        if (turn_ == 0) return y;
        const int r = y + turn_;
        return r >= h_ ? r - h_ : r;
    }
    // Pixels of its own, whole, from another surface's rows.
    void CopyFrom(const Surface& other);
    void Own() {
        view_ = false;
        lodged_ = false;
        data_ = px_.data();
        stride_ = w_;
        turn_ = 0;
    }

    int w_ = 0;
    int h_ = 0;
    uint32_t background_ = 0;
    std::vector<uint32_t> px_;
    // Where row 0 starts, in px_ or, for a view, in the host's pixels.
    uint32_t* data_ = nullptr;
    int stride_ = 0;
    // A turned view's row 0 lies at this row of its pixels (see MoveDown);
    // Straighten, a const reader's, sets it back with the pixels.
    mutable int turn_ = 0;
    // Rows set aside while straightening, kept for the next time.
    mutable std::vector<uint32_t> aside_;
    bool view_ = false;
    bool lodged_ = false;  // data_ lies in a display's buffer
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
