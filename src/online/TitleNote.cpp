#include "online/TitleNote.h"

#include <vector>

#include "online/Table.h"
#include "render/Palette.h"
#include "render/Screen.h"
#include "render/Text.h"

namespace molfo::online {

namespace {

using i18n::N_;

constexpr int kTextPx = 14;
constexpr int kBandH = 24;
constexpr int kMargin = 8;
// Along the top of the playfield as the window shows it: the title's sky,
// clear of its name and of the start button at the bottom.
constexpr int kVisibleX = kPlayfieldX + kPlayfieldBorder;
constexpr int kVisibleW = kPlayfieldOuterW - 2 * kPlayfieldBorder;
constexpr int kVisibleTop = kPlayfieldY + kPlayfieldBorder;
constexpr Rect kBand{kVisibleX, kVisibleTop, kVisibleW, kBandH};
constexpr uint32_t kLineColour = Rgb(255, 255, 255);

}  // namespace

std::string VerdictLine(const Verdict& v, const i18n::Catalog& words) {
    switch (v.kind) {
        case Verdict::Kind::Verified: {
            // English places read as ordinals ("12th of 340"), which no
            // template of the catalog can write.
            const std::string place =
                words.Code() == "en" ? Ordinal(v.rank) : i18n::Fill(N_("%d位"), static_cast<long long>(v.rank));
            return words.Translate(i18n::Format(N_("送信: 認証済み、%s (%d件中)"), {place, std::to_string(v.total)}));
        }
        case Verdict::Kind::Rejected: return words.Translate(i18n::Format(N_("送信: 却下 — %s"), {v.reason}));
        case Verdict::Kind::Refused: return words.Translate(i18n::Format(N_("送信できませんでした — %s"), {v.reason}));
    }
    return {};
}

TitleNote::TitleNote(Display& display, Events& events, Taker take)
    : display_(display), events_(events), take_(std::move(take)) {}

TitleNote::~TitleNote() = default;

void TitleNote::TakeVerdict() {
    if (!take_) return;
    if (const std::optional<Verdict> v = take_()) {
        static const i18n::Catalog kOwnWords;
        line_ = VerdictLine(*v, words_ != nullptr ? *words_ : kOwnWords);
    }
}

void TitleNote::OnScene(bool title) {
    if (title && !onTitle_) TakeVerdict();
    if (!title && !line_.empty()) {
        line_.clear();
        erase_ = true;
    }
    onTitle_ = title;
}

void TitleNote::Present(const Surface& window, std::span<const Rect> changed) {
    last_ = &window;
    turned_ = nullptr;
    // Kept between frames, so that a frame allocates nothing once the list
    // has grown to its usual length.
    rects_.assign(changed.begin(), changed.end());
    // An empty list means the whole window: nothing to add to it.
    const bool whole = rects_.empty();
    if (line_.empty()) {
        if (erase_ && !whole) rects_.push_back(kBand);
        erase_ = false;
        display_.Present(window, rects_);
        return;
    }
    shown_ = window;
    // The band darkens the picture under it, so the line reads over any title.
    for (int y = kBand.y; y < kBand.y + kBand.h && y < shown_.Height(); ++y) {
        uint32_t* row = shown_.Row(y);
        for (int x = kBand.x; x < kBand.x + kBand.w && x < shown_.Width(); ++x) row[x] = (row[x] >> 2) & 0x3F3F3Fu;
    }
    if (!text_) text_ = std::make_unique<TextRenderer>();
    const int w = text_->Measure(line_, kTextPx);
    const int x = kBand.x + std::max(kMargin, (kBand.w - w) / 2);
    const int y = kBand.y + (kBand.h - text_->LineHeight(kTextPx)) / 2;
    text_->Draw(shown_, x, y, line_, kLineColour, kTextPx, {kBand.x + kMargin, kBand.y, kBand.w - 2 * kMargin, kBand.h});
    if (!whole) rects_.push_back(kBand);
    erase_ = true;
    display_.Present(shown_, rects_);
}

bool TitleNote::PresentMoved(const Surface& window, std::span<const Rect> changed, const Move& move) {
    if (!line_.empty() || erase_) return false;
    if (!display_.PresentMoved(window, changed, move)) return false;
    last_ = &window;
    turned_ = move.window;
    return true;
}

PixelBuffer TitleNote::Lodging(int w, int h, Lodger& lodger) {
    if (!line_.empty() || erase_) return {};
    return display_.Lodging(w, h, lodger);
}

bool TitleNote::Pump() {
    const bool closed = events_.Pump();
    // A verdict that comes while the title shows is shown at once.
    if (onTitle_ && line_.empty()) {
        TakeVerdict();
        if (!line_.empty() && last_ != nullptr) {
            // Read whole, with the playfield's rows in order.
            if (turned_ != nullptr) turned_->Straighten();
            Present(*last_, {});
        }
    }
    return closed;
}

}  // namespace molfo::online
