#include "render/Surface.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace molfo {

Surface::Surface(const Surface& other) : background_(other.background_), version_(other.version_) { CopyFrom(other); }

Surface::Surface(Surface&& other) noexcept : background_(other.background_), version_(other.version_) {
    if (other.view_ || other.lodged_) {
        CopyFrom(other);
        return;
    }
    w_ = other.w_;
    h_ = other.h_;
    px_ = std::move(other.px_);
    Own();
    other.Release();
}

void Surface::CopyFrom(const Surface& other) {
    const int w = other.w_, h = other.h_;
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) std::copy_n(other.Row(y), w, px.data() + static_cast<size_t>(y) * w);
    w_ = w;
    h_ = h;
    px_ = std::move(px);
    Own();
}

Surface& Surface::operator=(const Surface& other) {
    if (this == &other) return *this;
    const uint64_t after = std::max(version_, other.version_) + 1;
    if ((view_ || lodged_) && w_ == other.w_ && h_ == other.h_) {
        // Rows one by one: the other may lie in the same host, above or
        // below.
        for (int y = 0; y < h_; ++y) std::memmove(Row(y), other.Row(y), sizeof(uint32_t) * w_);
    } else {
        CopyFrom(other);
    }
    background_ = other.background_;
    version_ = after;
    return *this;
}

Surface& Surface::operator=(Surface&& other) noexcept {
    if (this == &other) return *this;
    if (view_ || lodged_ || other.view_ || other.lodged_) return *this = static_cast<const Surface&>(other);
    const uint64_t after = std::max(version_, other.version_) + 1;
    w_ = other.w_;
    h_ = other.h_;
    background_ = other.background_;
    px_ = std::move(other.px_);
    Own();
    version_ = after;
    other.Release();
    return *this;
}

void Surface::ViewInto(Surface& host, const Rect& area) {
    const int x0 = std::clamp(area.x, 0, host.w_), y0 = std::clamp(area.y, 0, host.h_);
    const int x1 = std::clamp(area.x + area.w, x0, host.w_), y1 = std::clamp(area.y + area.h, y0, host.h_);
    ++version_;
    ++host.version_;  // its pixels may now change through the view
    px_.clear();
    px_.shrink_to_fit();
    w_ = x1 - x0;
    h_ = y1 - y0;
    data_ = host.data_ + static_cast<size_t>(y0) * host.stride_ + x0;
    stride_ = host.stride_;
    turn_ = 0;
    view_ = true;
}

void Surface::MoveDown(int rows, bool mayTurn) {
    if (rows <= 0 || h_ == 0) return;
    ++version_;
    if (rows >= h_) return;  // every row is to be drawn again
    if (view_ && mayTurn) {
        turn_ = ((turn_ - rows) % h_ + h_) % h_;
        return;
    }
    for (int row = h_ - 1; row >= rows; --row) std::copy_n(std::as_const(*this).Row(row - rows), w_, Row(row));
}

void Surface::Straighten() const {
    if (turn_ == 0) return;
    // Row y lies at (y + t) % h: the rows round the end, the fewer of the
    // two runs, wait aside while the others slide to their places.
    const int t = turn_, h = h_;
    const size_t w = static_cast<size_t>(w_);
    auto at = [this](int lying) { return data_ + static_cast<size_t>(lying) * stride_; };
    if (t <= h - t) {
        // Rows h - t .. h - 1 lie at the top: set aside, the rest up.
        aside_.resize(w * t);
        for (int i = 0; i < t; ++i) std::copy_n(at(i), w, aside_.data() + i * w);
        for (int y = 0; y < h - t; ++y) std::copy_n(at(y + t), w, at(y));
        for (int i = 0; i < t; ++i) std::copy_n(aside_.data() + i * w, w, at(h - t + i));
    } else {
        // Rows 0 .. k - 1 lie at the bottom: set aside, the rest down.
        const int k = h - t;
        aside_.resize(w * k);
        for (int i = 0; i < k; ++i) std::copy_n(at(t + i), w, aside_.data() + i * w);
        for (int y = h - 1; y >= k; --y) std::copy_n(at(y - k), w, at(y));
        for (int i = 0; i < k; ++i) std::copy_n(aside_.data() + i * w, w, at(i));
    }
    turn_ = 0;
}

bool Surface::Overlaps(const Surface& other) const {
    if (Empty() || other.Empty()) return false;
    auto end = [](const Surface& s) { return s.data_ + static_cast<size_t>(s.h_ - 1) * s.stride_ + s.w_; };
    return std::less<const uint32_t*>{}(data_, end(other)) && std::less<const uint32_t*>{}(other.data_, end(*this));
}

void Surface::LodgeIn(uint32_t* pixels, int stride) {
    if (view_ || pixels == nullptr || stride < w_) return;
    if (pixels == data_) return;
    for (int y = 0; y < h_; ++y) std::memmove(pixels + static_cast<size_t>(y) * stride, Row(y), sizeof(uint32_t) * w_);
    px_.clear();
    px_.shrink_to_fit();
    data_ = pixels;
    stride_ = stride;
    lodged_ = true;
    ++version_;
}

void Surface::Leave() {
    if (!lodged_) return;
    std::vector<uint32_t> px(static_cast<size_t>(w_) * h_);
    for (int y = 0; y < h_; ++y) std::copy_n(Row(y), w_, px.data() + static_cast<size_t>(y) * w_);
    px_ = std::move(px);
    Own();
    ++version_;
}

void Surface::Resize(int w, int h, uint32_t background) {
    ++version_;
    w_ = std::max(0, w);
    h_ = std::max(0, h);
    background_ = background;
    px_.assign(static_cast<size_t>(w_) * h_, background_);
    Own();
}

void Surface::Clear() {
    for (int y = 0; y < h_; ++y) std::fill_n(Row(y), w_, background_);
    ++version_;
}

void Surface::Fill(int x, int y, int w, int h, uint32_t colour) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(w_, x + w), y1 = std::min(h_, y + h);
    for (int yy = y0; yy < y1; ++yy) std::fill(Row(yy) + x0, Row(yy) + x1, colour);
}

void Surface::Release() {
    ++version_;
    w_ = h_ = 0;
    px_.clear();
    px_.shrink_to_fit();
    Own();
}

namespace {

template <typename Op>
void BlitRows(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy, Op op) {
    for (int row = 0; row < h; ++row) {
        uint32_t* d = dst.Row(dy + row) + dx;
        const uint32_t* s = src.Row(sy + row) + sx;
        for (int i = 0; i < w; ++i) d[i] = op(d[i], s[i]);
    }
}

// A copy's rectangle clipped against the source, then the destination,
// both origins moving together so the copied pixels stay aligned.
struct Clipped {
    int dx, dy, w, h, sx, sy;
    bool Empty() const { return w <= 0 || h <= 0; }
};

Clipped Clip(const Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy) {
    if (sx < 0) { w += sx; dx -= sx; sx = 0; }
    if (sy < 0) { h += sy; dy -= sy; sy = 0; }
    if (dx < 0) { w += dx; sx -= dx; dx = 0; }
    if (dy < 0) { h += dy; sy -= dy; dy = 0; }
    w = std::min({w, src.Width() - sx, dst.Width() - dx});
    h = std::min({h, src.Height() - sy, dst.Height() - dy});
    return Clipped{dx, dy, w, h, sx, sy};
}

}  // namespace

void BitBlt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy, Rop op) {
    const Clipped c = Clip(dst, dx, dy, w, h, src, sx, sy);
    if (c.Empty()) return;
    switch (op) {
        case Rop::Copy: {
            // The two may share pixels (one surface, or a view and its
            // host): rows in the order that reads each before it is
            // written over, each row moved as a whole. That order holds
            // for rows in order.
            if ((dst.Turn() != 0 || src.Turn() != 0) && dst.Overlaps(src)) {
                dst.Straighten();
                src.Straighten();
            }
            const bool upward = std::greater<const uint32_t*>{}(dst.Row(c.dy) + c.dx, src.Row(c.sy) + c.sx);
            for (int i = 0; i < c.h; ++i) {
                const int row = upward ? c.h - 1 - i : i;
                std::memmove(dst.Row(c.dy + row) + c.dx, src.Row(c.sy + row) + c.sx, sizeof(uint32_t) * c.w);
            }
            break;
        }
        case Rop::Or:
            BlitRows(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy, [](uint32_t d, uint32_t s) { return d | s; });
            break;
        case Rop::And:
            BlitRows(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy, [](uint32_t d, uint32_t s) { return d & s; });
            break;
        case Rop::Xor:
            BlitRows(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy, [](uint32_t d, uint32_t s) { return d ^ s; });
            break;
    }
}

void MaskBlt(Surface& dst, int dx, int dy, int w, int h, const Surface& sheet, int maskX, int picX, int sy) {
    const Clipped mask = Clip(dst, dx, dy, w, h, sheet, maskX, sy);
    const Clipped pic = Clip(dst, dx, dy, w, h, sheet, picX, sy);
    const bool same = mask.dx == pic.dx && mask.dy == pic.dy && mask.w == pic.w && mask.h == pic.h;
    if (!same || &dst == &sheet) {
        // The two copies cover different pixels: one after the other.
        BitBlt(dst, dx, dy, w, h, sheet, maskX, sy, Rop::Or);
        BitBlt(dst, dx, dy, w, h, sheet, picX, sy, Rop::And);
        return;
    }
    if (mask.Empty()) return;
    for (int row = 0; row < mask.h; ++row) {
        uint32_t* d = dst.Row(mask.dy + row) + mask.dx;
        const uint32_t* m = sheet.Row(mask.sy + row) + mask.sx;
        const uint32_t* p = sheet.Row(pic.sy + row) + pic.sx;
        for (int i = 0; i < mask.w; ++i) d[i] = (d[i] | m[i]) & p[i];
    }
}

}  // namespace molfo
