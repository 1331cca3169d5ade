#include "render/SpriteBounds.h"

#include <algorithm>

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

Rect SpriteBounds::Of(int sheetNo, const Surface& sheet, int maskX, int picX, int sy, int w, int h) {
    size_t hash = static_cast<size_t>(sheetNo);
    for (const int v : {maskX, picX, sy, w, h}) hash = hash * 1000003u ^ static_cast<size_t>(static_cast<unsigned>(v));
    const uint64_t version = sheet.Version();
    for (size_t probe = 0; probe < kEntries; ++probe) {
        Entry& e = table_[(hash + probe) % kEntries];
        if (e.used && (e.sheetNo != sheetNo || e.maskX != maskX || e.picX != picX || e.sy != sy || e.w != w ||
                       e.h != h))
            continue;
        if (!e.used || e.version != version) {
            ++looks_;
            e = Entry{true, sheetNo, maskX, picX, sy, w, h, version, ChangingPart(sheet, maskX, picX, sy, w, h)};
        }
        return e.part;
    }
    ++looks_;
    return ChangingPart(sheet, maskX, picX, sy, w, h);
}

}  // namespace molfo
