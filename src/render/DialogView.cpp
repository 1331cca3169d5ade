// The input and message boxes, drawn the classic way: a raised grey frame
// without a title, the prompt, a sunken white text field, push buttons.
#include "render/DialogView.h"

#include <algorithm>
#include <vector>

#include "render/Palette.h"
#include "render/Text.h"

namespace molfo {

namespace {

constexpr uint32_t kFieldBack = Rgb(255, 255, 255);

constexpr int kPx = 12;
constexpr int kPad = 12;
constexpr int kButtonW = 72, kButtonH = 22;
constexpr int kFieldH = 22;
constexpr int kInputBoxW = 360;
constexpr int kMessageMinW = 200;

// Two-pixel 3D edge: raised puts the light on the top and left.
void Edge(Surface& s, int x, int y, int w, int h, bool raised) {
    const uint32_t outerTL = raised ? kFormGrey : kEdgeShadow, innerTL = raised ? kEdgeLight : kEdgeDarkShadow;
    const uint32_t outerBR = raised ? kEdgeDarkShadow : kEdgeLight, innerBR = raised ? kEdgeShadow : kFormGrey;
    s.Fill(x, y, w, 1, outerTL);
    s.Fill(x, y, 1, h, outerTL);
    s.Fill(x, y + h - 1, w, 1, outerBR);
    s.Fill(x + w - 1, y, 1, h, outerBR);
    s.Fill(x + 1, y + 1, w - 2, 1, innerTL);
    s.Fill(x + 1, y + 1, 1, h - 2, innerTL);
    s.Fill(x + 1, y + h - 2, w - 2, 1, innerBR);
    s.Fill(x + w - 2, y + 1, 1, h - 2, innerBR);
}

void Frame(Surface& s, int x, int y, int w, int h, uint32_t c) {
    s.Fill(x, y, w, 1, c);
    s.Fill(x, y + h - 1, w, 1, c);
    s.Fill(x, y, 1, h, c);
    s.Fill(x + w - 1, y, 1, h, c);
}

// A push button; the default one (OK) has the extra dark frame.
void Button(Surface& s, TextRenderer& text, int x, int y, const std::string& label, bool isDefault) {
    s.Fill(x, y, kButtonW, kButtonH, kFormGrey);
    if (isDefault) {
        Frame(s, x, y, kButtonW, kButtonH, kInk);
        Edge(s, x + 1, y + 1, kButtonW - 2, kButtonH - 2, true);
    } else {
        Edge(s, x, y, kButtonW, kButtonH, true);
    }
    const int tw = text.Measure(label, kPx);
    const int th = text.LineHeight(kPx);
    text.Draw(s, x + (kButtonW - tw) / 2, y + (kButtonH - th) / 2, label, kInk, kPx, {x, y, kButtonW, kButtonH});
}

// The box itself, centred over the window.
Rect Box(Surface& window, int w, int h) {
    const Rect r{(window.Width() - w) / 2, (window.Height() - h) / 2, w, h};
    window.Fill(r.x, r.y, r.w, r.h, kFormGrey);
    Edge(window, r.x, r.y, r.w, r.h, true);
    return r;
}

void Lines(Surface& s, TextRenderer& text, int x, int y, const std::vector<std::string>& lines, Rect clip) {
    const int lh = text.LineHeight(kPx);
    for (size_t i = 0; i < lines.size(); ++i)
        text.Draw(s, x, y + static_cast<int>(i) * lh, lines[i], kInk, kPx, clip);
}

}  // namespace

void DrawInputBox(Surface& window, TextRenderer& text, const i18n::Catalog& words, const std::string& prompt,
                  const std::string& typed, const std::string& composing, bool caretOn) {
    const int lh = text.LineHeight(kPx);
    const int promptW = kInputBoxW - 3 * kPad - kButtonW;
    const std::vector<std::string> lines = text.Wrap(words.Translate(prompt), kPx, promptW);
    const int top = std::max(static_cast<int>(lines.size()) * lh, 2 * kButtonH + 6);
    const int h = kPad + top + kPad + kFieldH + kPad;
    const Rect box = Box(window, kInputBoxW, h);

    Lines(window, text, box.x + kPad, box.y + kPad, lines, {box.x + kPad, box.y + kPad, promptW, top});
    const int bx = box.x + box.w - kPad - kButtonW;
    Button(window, text, bx, box.y + kPad, words.Translate("OK"), true);
    Button(window, text, bx, box.y + kPad + kButtonH + 6, words.Translate(i18n::N_("キャンセル")), false);

    const Rect field{box.x + kPad, box.y + h - kPad - kFieldH, box.w - 2 * kPad, kFieldH};
    window.Fill(field.x, field.y, field.w, field.h, kFieldBack);
    Edge(window, field.x, field.y, field.w, field.h, false);
    const Rect inside{field.x + 2, field.y + 2, field.w - 4, field.h - 4};
    const int tx = inside.x + 2, ty = field.y + (kFieldH - lh) / 2;
    int x = tx + text.Draw(window, tx, ty, typed, kInk, kPx, inside);
    if (!composing.empty()) {
        const int cw = text.Draw(window, x, ty, composing, kInk, kPx, inside);
        // The IME's unconfirmed text is underlined, as the system shows it.
        const int uy = std::min(ty + lh, inside.y + inside.h - 1);
        const int ux0 = std::max(x, inside.x), ux1 = std::min(x + cw, inside.x + inside.w);
        if (ux1 > ux0) window.Fill(ux0, uy, ux1 - ux0, 1, kInk);
        x += cw;
    }
    if (caretOn && x < inside.x + inside.w) window.Fill(x, inside.y + 1, 1, inside.h - 2, kInk);
}

void DrawMessageBox(Surface& window, TextRenderer& text, const i18n::Catalog& words, const std::string& message) {
    const int lh = text.LineHeight(kPx);
    const int maxText = window.Width() - 4 * kPad;
    const std::vector<std::string> lines = text.Wrap(words.Translate(message), kPx, maxText);
    int textW = 0;
    for (const std::string& l : lines) textW = std::max(textW, text.Measure(l, kPx));
    const int w = std::max(kMessageMinW, textW + 4 * kPad);
    const int textH = static_cast<int>(lines.size()) * lh;
    const int h = kPad + textH + kPad + kButtonH + kPad;
    const Rect box = Box(window, w, h);
    Lines(window, text, box.x + 2 * kPad, box.y + kPad, lines, {box.x + 2, box.y + 2, box.w - 4, box.h - 4});
    Button(window, text, box.x + (w - kButtonW) / 2, box.y + h - kPad - kButtonH, words.Translate("OK"), true);
}

}  // namespace molfo
