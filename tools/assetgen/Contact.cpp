// The contact sheet: every sprite frame of the built sheets laid out at 2x.
#include <cairo.h>

#include <algorithm>

#include "Assetgen.h"

namespace assetgen {

void WriteContactSheet(const std::string& out, const std::vector<ContactRow>& rows) {
    constexpr int kScale = 2, kGap = 10, kLabel = 18, kMargin = 12;
    int width = 400, height = kMargin;
    for (const ContactRow& r : rows) {
        width = std::max(width, kMargin * 2 + r.frames * (r.w * kScale + kGap));
        height += kLabel + r.h * kScale + kGap;
    }
    cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surf);
    cairo_set_source_rgb(cr, 0.18, 0.19, 0.22);
    cairo_paint(cr);
    cairo_surface_flush(surf);
    unsigned char* data = cairo_image_surface_get_data(surf);
    const int stride = cairo_image_surface_get_stride(surf);
    auto put = [&](int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            *reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride) + size_t(x) * 4) = c;
    };
    int top = kMargin;
    std::vector<std::pair<int, std::string>> labels;
    for (const ContactRow& r : rows) {
        labels.emplace_back(top, r.name + "  " + std::to_string(r.w) + " x " + std::to_string(r.h));
        const int y0 = top + kLabel;
        for (int k = 0; k < r.frames; ++k) {
            const int x0 = kMargin + k * (r.w * kScale + kGap);
            const int px = r.x + 2 * r.w * k, mx = px + r.w;
            for (int y = 0; y < r.h * kScale; ++y) {
                for (int x = 0; x < r.w * kScale; ++x) {
                    const int sx = x / kScale, sy = r.y + y / kScale;
                    const bool light = ((x / 8) + (y / 8)) % 2 == 0;
                    uint32_t c = light ? 0xC8C8C8 : 0x989898;
                    if (mx + sx < r.sheet->w && sy < r.sheet->h) {
                        const uint32_t mask = r.sheet->at(mx + sx, sy), pic = r.sheet->at(px + sx, sy);
                        c = (c | mask) & pic;
                    }
                    put(x0 + x, y0 + y, c);
                }
            }
        }
        top += kLabel + r.h * kScale + kGap;
    }
    cairo_surface_mark_dirty(surf);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 13.0);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.85);
    for (const auto& [y, text] : labels) {
        cairo_move_to(cr, kMargin, y + 13);
        cairo_show_text(cr, text.c_str());
    }
    cairo_surface_flush(surf);
    if (cairo_surface_write_to_png(surf, out.c_str()) != CAIRO_STATUS_SUCCESS) Fail("cannot write " + out);
    cairo_destroy(cr);
    cairo_surface_destroy(surf);
}

}  // namespace assetgen
