// The game window: its own pictures, the text printed on the playfield, and
// the compositor, which draws the whole window into one buffer for the back
// end to show. Where each control sits is render/Layout.cpp's.
#include "render/Screen.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/AssetNames.h"

namespace molfo {

namespace {

constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kLight = Rgb(227, 227, 227);

void FillIn(Surface& dst, const Rect& area, const Rect& clip, uint32_t colour) {
    const Rect r = Intersect(area, clip);
    if (!IsEmpty(r)) dst.Fill(r.x, r.y, r.w, r.h, colour);
}

// The playfield inside its edge.
Rect PlayfieldInside() {
    const int b = kPlayfieldBorder;
    return Rect{kPlayfieldX + b, kPlayfieldY + b, kPlayfieldOuterW - 2 * b, kPlayfieldOuterH - 2 * b};
}

// The part of the window MainPic1 is a view of: as much of the playfield's
// picture as shows inside the edge.
Rect PictureArea() {
    const Rect inside = PlayfieldInside();
    return Rect{inside.x, inside.y, std::min(kPlayfield, inside.w), std::min(kPlayfield, inside.h)};
}

Rect Area(const Label& l) { return Rect{l.x, l.y, std::max(0, l.w), std::max(0, l.h)}; }
Rect Area(const ImageControl& c) { return Rect{c.x, c.y, c.w, c.h}; }

const i18n::Catalog kOwnWords;

}  // namespace

Screen::Screen()
    : text_(std::make_unique<TextRenderer>()),
      print_(std::make_unique<TextRenderer>(TextRenderer::Face::Fixed)),
      catalog_(&kOwnWords) {
    ListLabels();
    ResetLayout();
}

Screen::~Screen() = default;

TextRenderer& Screen::Text() { return *text_; }

void Screen::SetLanguage(const i18n::Catalog* catalog) {
    catalog_ = catalog != nullptr ? catalog : &kOwnWords;
    ++language_;
    // Every caption reads differently now, though no control changed.
    Invalidate();
}

std::string Screen::LoadOwnPictures(const std::string& dataDir) {
    std::string failed;
    auto load = [&](Surface& dst, const char* gamePath) {
        std::string host = gamePath;
        std::replace(host.begin(), host.end(), '\\', '/');
        if (LoadPicture(dst, dataDir + "/" + host)) return;
        if (!failed.empty()) failed += ", ";
        failed += gamePath;
    };
    for (size_t n = 0; n < assets::kKyaraPicFiles.size(); ++n)
        if (*assets::kKyaraPicFiles[n]) load(KyaraPic[n], assets::kKyaraPicFiles[n]);
    for (size_t n = 1; n < assets::kItemIconFiles.size(); ++n) load(ItemIcon[n], assets::kItemIconFiles[n]);
    Invalidate();  // new icons
    return failed;
}

void Screen::PrintLine(const std::string& text) {
    if (print_->RenderMask(printMask_, catalog_->Translate(text), kPrintPx)) {
        const int x = kPrintMargin, y = CurrentY;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx != 0 || dy != 0) DrawTextMask(MainPic1, x + dx, y + dy, printMask_, kPrintOutline);
        DrawTextMask(MainPic1, x, y, printMask_, kPrintColour);
    }
    // The outline needs a pixel above and below.
    CurrentY += print_->LineHeight(kPrintPx) + 2;
}

void Screen::SetKeyHelp(KeyHelp help) {
    if (help == keyHelp_) return;
    keyHelp_ = std::move(help);
    ++language_;  // the help's caption reads differently now
    Invalidate();
}

void Screen::DrawLabel(const Label& l, CaptionCache& c, const Rect& clip) {
    // The key help's label reaches past the window's right edge; its text
    // wraps to the part that shows.
    const int w = std::max(0, std::min(l.w, kWindowWidth - l.x)), h = std::max(0, l.h);
    if (!l.visible || w == 0 || h == 0) return;
    const Rect area = Intersect(Area(l), clip);
    if (IsEmpty(area)) return;
    if (l.opaque) window.Fill(area.x, area.y, area.w, area.h, l.back);
    const std::string& caption = Shown(l);
    if (caption.empty()) return;
    if (c.caption != caption || c.language != language_ || c.width != w || c.px != l.fontPx) {
        c.caption = caption;
        c.language = language_;
        c.width = w;
        c.px = l.fontPx;
        c.lineHeight = text_->LineHeight(l.fontPx);
        const std::vector<std::string> lines = text_->Wrap(catalog_->Translate(caption), l.fontPx, w);
        c.lines.resize(lines.size());
        for (size_t i = 0; i < lines.size(); ++i) text_->RenderMask(c.lines[i], lines[i], l.fontPx);
        ++captionRenders_;
    }
    for (size_t i = 0; i < c.lines.size(); ++i)
        DrawTextMask(window, l.x, l.y + static_cast<int>(i) * c.lineHeight, c.lines[i], l.fore, area);
}

void Screen::DrawImage(const ImageControl& c, const Rect& clip) {
    if (c.icon < 1 || c.icon >= static_cast<int>(ItemIcon.size())) return;
    const Rect area = Intersect(Area(c), clip);
    if (IsEmpty(area)) return;
    BitBlt(window, area.x, area.y, area.w, area.h, ItemIcon[c.icon], area.x - c.x, area.y - c.y, Rop::Copy);
}

void Screen::DrawPlayfieldEdge(const Rect& clip) {
    const int x = kPlayfieldX, y = kPlayfieldY, w = kPlayfieldOuterW, h = kPlayfieldOuterH;
    // A sunken client edge: shadow and dark shadow above and left, white and
    // light below and right.
    FillIn(window, {x, y, w, 1}, clip, kEdgeShadow);
    FillIn(window, {x, y, 1, h}, clip, kEdgeShadow);
    FillIn(window, {x, y + h - 1, w, 1}, clip, kWhite);
    FillIn(window, {x + w - 1, y, 1, h}, clip, kWhite);
    FillIn(window, {x + 1, y + 1, w - 2, 1}, clip, kEdgeDarkShadow);
    FillIn(window, {x + 1, y + 1, 1, h - 2}, clip, kEdgeDarkShadow);
    FillIn(window, {x + 1, y + h - 2, w - 2, 1}, clip, kLight);
    FillIn(window, {x + w - 2, y + 1, 1, h - 2}, clip, kLight);
}

void Screen::PlayfieldChangedOnly(std::span<const Rect> areas, uint64_t since, int movedRows) {
    hintLo_.fill(kPlayfield);
    hintHi_.fill(0);
    for (const Rect& a : areas) {
        const Rect r = Intersect(a, Rect{0, 0, kPlayfield, kPlayfield});
        if (IsEmpty(r)) continue;
        for (int band = r.y / kBandRows; band <= (r.y + r.h - 1) / kBandRows; ++band) {
            hintLo_[band] = std::min(hintLo_[band], r.x);
            hintHi_[band] = std::max(hintHi_[band], r.x + r.w);
        }
    }
    hintCount_ = 0;
    hintExact_ = true;
    for (const Rect& a : areas) {
        const Rect r = Intersect(a, Rect{0, 0, kPlayfield, kPlayfield});
        if (IsEmpty(r)) continue;
        // A word too long to keep is no exact word.
        hintExact_ = hintExact_ && hintCount_ < hintRects_.size();
        if (hintExact_) hintRects_[hintCount_++] = r;
    }
    hinted_ = true;
    hintMoved_ = movedRows;
    hintSince_ = since;
    hintUntil_ = MainPic1.Version();
}

void Screen::Lodge(const PixelBuffer& place) {
    if (place.pixels == nullptr || place.w != window.Width() || place.h != window.Height() || window.IsView()) {
        LeaveLodging();
        return;
    }
    if (window.Lodged() && std::as_const(window).Row(0) == place.pixels) return;
    // The playfield's view is made again on the moved pixels, in order.
    Straighten();
    window.LodgeIn(place.pixels, place.pitch);
    ReviewPlayfield();
    Invalidate();
}

void Screen::LeaveLodging() {
    if (!window.Lodged()) return;
    Straighten();
    window.Leave();
    ReviewPlayfield();
    Invalidate();
}

void Screen::ReviewPlayfield() {
    if (MainPic1.IsView()) MainPic1.ViewInto(window, PictureArea());
}

void Screen::PlacePlayfield() {
    MainPic1.ViewInto(window, PictureArea());
    MainPic1.SetBackground(kNavy);
    MainPic1.Clear();
}

void Screen::AdoptPlayfield() {
    const Surface own = std::move(MainPic1);
    MainPic1.ViewInto(window, PictureArea());
    MainPic1.SetBackground(own.Background());
    MainPic1.Clear();
    BitBlt(MainPic1, 0, 0, own.Width(), own.Height(), own, 0, 0, Rop::Copy);
}

void Screen::DrawPlayfield(bool whole, bool hintHolds, bool chromeThere) {
    // Read through a const view: a reader must not move its version.
    const Surface& pic = MainPic1;
    const Surface& shown = window;
    const Rect inside = PlayfieldInside();
    const int x = inside.x, y = inside.y, cw = inside.w, ch = inside.h;
    // The picture's own colour shows only where the picture does not reach.
    // Only a compose paints there, so the ground stays right until the
    // chrome is painted over it or the colour or the picture's size change:
    // reading it every frame would cost a cache miss a row.
    const int pw = std::clamp(pic.Width(), 0, cw), ph = std::clamp(pic.Height(), 0, ch);
    const uint32_t ground = pic.Background();
    const bool mayBeWrong = whole || chromeThere || ground != groundColour_ || pw != groundPicW_ || ph != groundPicH_;
    for (const Rect& strip : {Rect{x + pw, y, cw - pw, ch}, Rect{x, y + ph, pw, ch - ph}}) {
        if (IsEmpty(strip) || !mayBeWrong) continue;
        bool same = !whole;
        for (int yy = strip.y; same && yy < strip.y + strip.h; ++yy)
            same = std::all_of(shown.Row(yy) + strip.x, shown.Row(yy) + strip.x + strip.w,
                               [ground](uint32_t p) { return p == ground; });
        if (same) continue;
        window.Fill(strip.x, strip.y, strip.w, strip.h, ground);
        if (!whole) drawn_[drawnCount_++] = strip;
    }
    groundColour_ = ground;
    groundPicW_ = pw;
    groundPicH_ = ph;
    const bool changed = pic.Version() != composedVersion_;
    composedVersion_ = pic.Version();
    // The picture is drawn in place; what is left is to say where it
    // changed, for the display to copy.
    if (whole || !changed) return;
    // The exact word: the controls and strips so far, and each rectangle
    // the drawing named.
    if (hintHolds && hintExact_) {
        exact_ = true;
        moved_ = Move{Rect{x, y, pw, ph}, hintMoved_, MainPic1.IsView() ? &pic : nullptr, this};
        std::copy_n(drawn_.begin(), drawnCount_, exactRects_.begin());
        exactCount_ = drawnCount_;
        for (size_t i = 0; i < hintCount_; ++i) {
            const Rect r = Intersect(Rect{x + hintRects_[i].x, y + hintRects_[i].y, hintRects_[i].w, hintRects_[i].h},
                                     moved_.area);
            if (!IsEmpty(r)) exactRects_[exactCount_++] = r;
        }
    }
    // A picture that moved changed everywhere.
    if (!hintHolds || hintMoved_ > 0) {
        drawn_[drawnCount_++] = Rect{x, y, pw, ph};
        return;
    }
    for (int top = 0, band = 0; top < ph; top += kBandRows, ++band) {
        const int rows = std::min(kBandRows, ph - top);
        const int lo = hintLo_[band], hi = std::min(pw, hintHi_[band]);
        if (lo >= hi) continue;
        // A band as wide as the one above it joins it: a moving background
        // goes to the screen in one piece.
        Rect& last = drawn_[drawnCount_ - (drawnCount_ > 0 ? 1 : 0)];
        if (drawnCount_ > 0 && last.x == x + lo && last.w == hi - lo && last.y + last.h == y + top)
            last.h += rows;
        else
            drawn_[drawnCount_++] = Rect{x + lo, y + top, hi - lo, rows};
    }
}

void Screen::DrawChrome(const Rect& clip) {
    // The playfield's picture lies in the window's own pixels, over
    // everything else there.
    std::array<Rect, 4> pieces;
    const int n = Subtract(clip, PictureArea(), pieces);
    for (int i = 0; i < n; ++i) DrawChromeIn(pieces[i]);
}

void Screen::DrawChromeIn(const Rect& clip) {
    FillIn(window, clip, {0, 0, window.Width(), window.Height()}, window.Background());
    DrawImage(MainItemPic, clip);
    for (int k = 1; k <= 6; ++k) DrawImage(ItemPic[k], clip);
    for (int i = 0; i < kLabelCount; ++i) DrawLabel(*labels_[i], captions_[i], clip);
    DrawPlayfieldEdge(clip);
}

void Screen::Compose() {
    // Everything but the playfield's picture is drawn again only where a
    // control changed: most frames change the playfield alone, which is
    // drawn in place already.
    const bool resized = window.Width() != kWindowWidth || window.Height() != kWindowHeight;
    const bool whole = chromeStale_ || resized;
    // The playfield's word on what changed holds while nothing else drew
    // on the picture since the compose before.
    // A playfield given pixels of its own (a picture assigned or resized
    // into it) goes back into the window, and shows.
    if (!MainPic1.IsView()) AdoptPlayfield();
    const bool hintHolds = hinted_ && hintSince_ == composedVersion_ && hintUntil_ == MainPic1.Version();
    hinted_ = false;
    exact_ = false;
    moved_ = Move{};
    bool chromeThere = false;
    // The labels that differ from the window as last composed: all may,
    // when it is drawn whole.
    uint32_t labelsChanged = ~0u;
    static_assert(kLabelCount <= 32);
    if (whole) {
        if (resized) {
            // Only the layout sizes the window; a picture resized behind
            // its back loses the playfield, which starts anew.
            window.Resize(kWindowWidth, kWindowHeight, kFormGrey);
            PlacePlayfield();
        }
        DrawChrome({0, 0, window.Width(), window.Height()});
        chromeStale_ = false;
        drawn_[0] = Rect{0, 0, window.Width(), window.Height()};
        drawnCount_ = 1;
    } else {
        size_t n = 0;
        // A control that moved, shrank or hid leaves its old rectangle to
        // repaint as well as its new one.
        auto changed = [&](const Rect& before, const Rect& now) {
            if (!IsEmpty(before)) stale_[n++] = before;
            if (!IsEmpty(now)) stale_[n++] = now;
        };
        labelsChanged = 0;
        for (int i = 0; i < kLabelCount; ++i) {
            if (composedLabels_[i] == *labels_[i]) continue;
            labelsChanged |= 1u << i;
            changed(Area(composedLabels_[i]), Area(*labels_[i]));
            // The distance's lead-in shows with the distance (see Shown).
            if (labels_[i] == &BossKyoriL) changed(Rect{}, Area(BossL));
        }
        if (composedImages_[0] != MainItemPic) changed(Area(composedImages_[0]), Area(MainItemPic));
        for (int k = 1; k <= 6; ++k)
            if (composedImages_[k] != ItemPic[k]) changed(Area(composedImages_[k]), Area(ItemPic[k]));
        // Each rectangle is painted whole from the bottom layer up, so
        // rectangles that overlap paint the same pixels again.
        const Rect all{0, 0, window.Width(), window.Height()};
        drawnCount_ = 0;
        for (size_t i = 0; i < n; ++i) {
            DrawChrome(stale_[i]);
            const Rect r = Intersect(stale_[i], all);
            if (!IsEmpty(r)) drawn_[drawnCount_++] = r;
            chromeThere = chromeThere || !IsEmpty(Intersect(r, PlayfieldInside()));
        }
    }
    DrawPlayfield(whole, hintHolds, chromeThere);

    for (int i = 0; i < kLabelCount; ++i)
        if ((labelsChanged >> i & 1u) != 0 && composedLabels_[i] != *labels_[i]) composedLabels_[i] = *labels_[i];
    composedImages_[0] = MainItemPic;
    for (int k = 1; k <= 6; ++k) composedImages_[k] = ItemPic[k];
}

bool Screen::ControlsChanged() const {
    for (int i = 0; i < kLabelCount; ++i)
        if (composedLabels_[i] != *labels_[i]) return true;
    if (composedImages_[0] != MainItemPic) return true;
    for (int k = 1; k <= 6; ++k)
        if (composedImages_[k] != ItemPic[k]) return true;
    return false;
}

}  // namespace molfo
