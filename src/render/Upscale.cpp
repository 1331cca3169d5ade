#include "render/Upscale.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "render/Surface.h"

namespace molfo {

namespace {

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int CeilDiv(int a, int b) { return -FloorDiv(-a, b); }

// The source columns (or rows) [lo, hi) of [from, from + len) that the
// picture has and whose blocks lie wholly inside the output.
void Span(int from, int len, int srcLen, int origin, int outLen, int scale, int& lo, int& hi) {
    lo = std::max({from, 0, CeilDiv(-origin, scale)});
    hi = std::min({from + len, srcLen, FloorDiv(outLen - origin, scale)});
}

// One row widened: each pixel written `kScale` times. A fixed scale lets
// the compiler unroll and vectorise the inner loop.
template <int kScale>
void Widen(uint32_t* d, const uint32_t* s, int n) {
    for (int i = 0; i < n; ++i, d += kScale)
        for (int k = 0; k < kScale; ++k) d[k] = s[i];
}

void WidenBy(uint32_t* d, const uint32_t* s, int n, int scale) {
    switch (scale) {
        case 1: std::memcpy(d, s, sizeof(uint32_t) * n); return;
        case 2: Widen<2>(d, s, n); return;
        case 3: Widen<3>(d, s, n); return;
        case 4: Widen<4>(d, s, n); return;
        default:
            for (int i = 0; i < n; ++i, d += scale) std::fill_n(d, scale, s[i]);
    }
}

}  // namespace

Rect CopyScaled(const Surface& src, const Rect& r, int scale, const PixelBuffer& out, int ox, int oy) {
    if (scale < 1 || out.pixels == nullptr) return {};
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    Span(r.x, r.w, src.Width(), ox, out.w, scale, x0, x1);
    Span(r.y, r.h, src.Height(), oy, out.h, scale, y0, y1);
    if (x0 >= x1 || y0 >= y1) return {};
    const int n = x1 - x0, wide = n * scale;
    for (int y = y0; y < y1; ++y) {
        uint32_t* first = out.pixels + static_cast<ptrdiff_t>(oy + y * scale) * out.pitch + ox + x0 * scale;
        WidenBy(first, src.Row(y) + x0, n, scale);
        for (int k = 1; k < scale; ++k) std::memcpy(first + static_cast<ptrdiff_t>(k) * out.pitch, first, sizeof(uint32_t) * wide);
    }
    return Rect{ox + x0 * scale, oy + y0 * scale, wide, (y1 - y0) * scale};
}

}  // namespace molfo
