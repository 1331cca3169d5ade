#include "render/SpriteBounds.h"

#include <algorithm>
#include <cstddef>
#include <memory>

#include "render/Surface.h"

namespace molfo {

namespace {

constexpr uint32_t kColour = 0x00FFFFFF;

bool Inside(const Surface& s, int x, int y) { return x >= 0 && y >= 0 && x < s.Width() && y < s.Height(); }

}  // namespace

Rect ChangingPart(const Surface& sheet, int maskX, int picX, int sy, int w, int h) {
    int x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int j = 0; j < h; ++j) {
        const int y = sy + j;
        for (int i = 0; i < w; ++i) {
            // (d | m) & p is d for every d exactly when m is black and p white.
            const uint32_t m = Inside(sheet, maskX + i, y) ? sheet.At(maskX + i, y) & kColour : 0;
            const uint32_t p = Inside(sheet, picX + i, y) ? sheet.At(picX + i, y) & kColour : kColour;
            if (m == 0 && p == kColour) continue;
            x0 = std::min(x0, i);
            x1 = std::max(x1, i);
            y0 = std::min(y0, j);
            y1 = std::max(y1, j);
        }
    }
    if (x1 < 0) return Rect{};
    return Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

namespace {

// The part of the cell as one picture: kLeave where (d | m) & p is d for
// every playfield pixel d, p where it is p; false when some pixel is
// neither, or the cell is not wholly on the sheet.
bool MakeStamp(const Surface& sheet, int maskX, int picX, int sy, int w, int h, const Rect& part, uint32_t* out) {
    if (maskX < 0 || picX < 0 || sy < 0 || maskX + w > sheet.Width() || picX + w > sheet.Width() ||
        sy + h > sheet.Height())
        return false;
    for (int j = 0; j < part.h; ++j) {
        const uint32_t* m = sheet.Row(sy + part.y + j) + maskX + part.x;
        const uint32_t* p = sheet.Row(sy + part.y + j) + picX + part.x;
        for (int i = 0; i < part.w; ++i) {
            // Playfield pixels have no top byte.
            if (m[i] == 0 && (p[i] & kColour) == kColour)
                *out++ = kLeave;
            else if ((m[i] & kColour) == kColour && (p[i] >> 24) == 0)
                *out++ = p[i];
            else
                return false;
        }
    }
    return true;
}

}  // namespace

// Left unset, so that no page is touched before a stamp is made there.
SpriteBounds::SpriteBounds() : stamps_(new uint32_t[kStampPixels]) {}

void SpriteBounds::Fill(Entry& e, const Surface& sheet) {
    ++looks_;
    e.version = sheet.Version();
    e.part = ChangingPart(sheet, e.maskX, e.picX, e.sy, e.w, e.h);
    const size_t size = static_cast<size_t>(e.part.w) * static_cast<size_t>(e.part.h);
    if (e.stampAt != kNoStamp && size > e.stampRoom) e.stampAt = kNoStamp;
    if (e.stampAt == kNoStamp && size > 0 && kStampPixels - stampsUsed_ >= size) {
        e.stampAt = stampsUsed_;
        e.stampRoom = size;
        stampsUsed_ += size;
    }
    if (e.stampAt != kNoStamp &&
        !MakeStamp(sheet, e.maskX, e.picX, e.sy, e.w, e.h, e.part, stamps_.get() + e.stampAt))
        e.stampAt = kNoStamp;  // its room stays unused
}

SpriteCell SpriteBounds::Look(int sheetNo, const Surface& sheet, int maskX, int picX, int sy, int w, int h) {
    size_t hash = static_cast<size_t>(sheetNo);
    for (const int v : {maskX, picX, sy, w, h}) hash = hash * 1000003u ^ static_cast<size_t>(static_cast<unsigned>(v));
    const uint64_t version = sheet.Version();
    for (size_t probe = 0; probe < kEntries; ++probe) {
        Entry& e = table_[(hash + probe) % kEntries];
        if (e.used && (e.sheetNo != sheetNo || e.maskX != maskX || e.picX != picX || e.sy != sy || e.w != w ||
                       e.h != h))
            continue;
        if (!e.used || e.version != version) {
            if (!e.used) e = Entry{true, sheetNo, maskX, picX, sy, w, h};
            Fill(e, sheet);
        }
        return SpriteCell{e.part, e.stampAt == kNoStamp ? nullptr : stamps_.get() + e.stampAt};
    }
    ++looks_;
    return SpriteCell{ChangingPart(sheet, maskX, picX, sy, w, h), nullptr};
}

void StampBlt(Surface& dst, int dx, int dy, int w, int h, const uint32_t* stamp) {
    const int stride = w;
    int sx = 0, sy = 0;
    if (dx < 0) {
        sx = -dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy = -dy;
        h += dy;
        dy = 0;
    }
    w = std::min(w, dst.Width() - dx);
    h = std::min(h, dst.Height() - dy);
    for (int row = 0; row < h; ++row) {
        uint32_t* d = dst.Row(dy + row) + dx;
        const uint32_t* s = stamp + static_cast<size_t>(sy + row) * stride + sx;
        for (int i = 0; i < w; ++i) {
            // All ones where the stamp leaves the playfield: no branch, so
            // the row goes four or eight pixels at a time.
            const uint32_t v = s[i], keep = 0u - (v >> 31);
            d[i] = (d[i] & keep) | (v & ~keep);
        }
    }
}

}  // namespace molfo
