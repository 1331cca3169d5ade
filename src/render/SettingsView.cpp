// The page is a raised grey panel like the boxes: a title, one row per
// setting with its value, the actions with their keys and pad buttons in
// four columns, and a line of help at the bottom.
#include "render/SettingsView.h"

#include <algorithm>
#include <array>

#include "render/Palette.h"
#include "render/Screen.h"
#include "render/Text.h"

namespace molfo {

namespace {

using i18n::N_;

constexpr uint32_t kChosen = Rgb(0, 0, 128);  // the chosen row, as a selected list item
constexpr uint32_t kBar = Rgb(0, 128, 0);
constexpr uint32_t kWarning = Rgb(160, 0, 0);

constexpr int kPx = 12;
constexpr int kTitlePx = 16;
constexpr int kPanelW = 600, kPanelH = 500;
constexpr int kPad = 12;
constexpr int kRowH = 19;
constexpr int kValueX = 210;  // where the values start, from the panel's left
constexpr int kCellW = 92;

void Edge(Surface& s, int x, int y, int w, int h, bool raised) {
    const uint32_t tl = raised ? kEdgeLight : kEdgeShadow, br = raised ? kEdgeDarkShadow : kEdgeLight;
    s.Fill(x, y, w, 1, tl);
    s.Fill(x, y, 1, h, tl);
    s.Fill(x, y + h - 1, w, 1, br);
    s.Fill(x + w - 1, y, 1, h, br);
}

void Dim(Surface& s) {
    for (int y = 0; y < s.Height(); ++y) {
        uint32_t* row = s.Row(y);
        for (int x = 0; x < s.Width(); ++x) row[x] = (row[x] >> 1) & 0x7F7F7Fu;
    }
}

}  // namespace

std::string PadButtonLabel(const std::string& name) {
    static constexpr std::array<std::array<const char*, 2>, 15> kLabels{{
        {"a", "A"}, {"b", "B"}, {"x", "X"}, {"y", "Y"}, {"back", "Back"}, {"guide", "Guide"}, {"start", "Start"},
        {"leftstick", "L stick"}, {"rightstick", "R stick"}, {"leftshoulder", "LB"}, {"rightshoulder", "RB"},
        {"dpup", "D-pad up"}, {"dpdown", "D-pad down"}, {"dpleft", "D-pad left"}, {"dpright", "D-pad right"},
    }};
    for (const auto& l : kLabels)
        if (name == l[0]) return l[1];
    return name;
}

void DrawSettingsPage(Surface& window, TextRenderer& text, const i18n::Catalog& words, const settings::Page& page,
                      bool caretOn) {
    Dim(window);
    const int px = (window.Width() - kPanelW) / 2, py = (window.Height() - kPanelH) / 2;
    window.Fill(px, py, kPanelW, kPanelH, kFormGrey);
    Edge(window, px, py, kPanelW, kPanelH, true);
    const int lh = text.LineHeight(kPx);
    text.Draw(window, px + kPad, py + kPad, words.Translate(N_("設定")), kInk, kTitlePx);

    const std::vector<settings::Page::Line> lines = page.Lines();
    int y = py + kPad + text.LineHeight(kTitlePx) + 8;
    bool headed = false;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const settings::Page::Line& l = lines[static_cast<size_t>(i)];
        if (l.isAction && !headed) {
            // The columns' heads, once above the first action.
            headed = true;
            y += 4;
            const char* heads[] = {N_("キー1"), N_("キー2"), N_("パッド1"), N_("パッド2")};
            for (int c = 0; c < 4; ++c)
                text.Draw(window, px + kValueX + c * kCellW + 4, y, words.Translate(heads[c]), kEdgeShadow, kPx);
            y += kRowH;
        }
        if (!l.isAction && headed && l.cells.empty()) y += i == static_cast<int>(lines.size()) - 2 ? 6 : 0;
        const bool chosen = i == page.Row();
        const int ty = y + (kRowH - lh) / 2;
        const int labelW = kValueX - 2 * kPad + 4;
        if (chosen) window.Fill(px + kPad - 4, y, (l.isAction || l.cells.empty()) ? labelW : kPanelW - 2 * kPad + 8, kRowH, kChosen);
        const Rect clip{px + kPad, y, labelW - 4, kRowH};
        text.Draw(window, px + kPad, ty, words.Translate(l.label), chosen ? kEdgeLight : kInk, kPx,
                  l.isAction ? clip : Rect{});
        if (l.isAction) {
            for (int c = 0; c < static_cast<int>(l.cells.size()); ++c) {
                const int cx = px + kValueX + c * kCellW;
                const bool cell = chosen && c == page.Col();
                window.Fill(cx, y + 1, kCellW - 4, kRowH - 2, cell ? kEdgeLight : kFormGrey);
                if (cell) Edge(window, cx, y + 1, kCellW - 4, kRowH - 2, false);
                std::string name = l.cells[static_cast<size_t>(c)];
                if (c >= settings::Page::Pad1 && !name.empty()) name = PadButtonLabel(name);
                if (cell && page.Capturing()) name = caretOn ? "..." : "";
                text.Draw(window, cx + 4, ty, name, kInk, kPx, {cx + 2, y, kCellW - 8, kRowH});
            }
        } else if (!l.cells.empty()) {
            const uint32_t ink = chosen ? kEdgeLight : kInk;
            int vx = px + kValueX;
            if (l.volume >= 0) {
                // Ten steps, filled up to the volume.
                for (int b = 0; b < 10; ++b) {
                    const bool on = (b + 1) * settings::Page::kVolumeStep <= l.volume;
                    window.Fill(vx + b * 12, y + 4, 10, kRowH - 8, on ? (chosen ? kEdgeLight : kBar) : kEdgeShadow);
                }
                vx += 10 * 12 + 8;
            }
            const std::string value = words.Translate(l.cells[0]);
            text.Draw(window, vx, ty, l.text ? value : "< " + value + " >", ink, kPx,
                      {vx, y, px + kPanelW - kPad - vx, kRowH});
        }
        y += kRowH;
    }
    const std::vector<std::string> hint = text.Wrap(words.Translate(page.Hint()), kPx, kPanelW - 2 * kPad);
    // The note on the file above the help, in the colour of a warning.
    const std::vector<std::string> note =
        page.Note().empty() ? std::vector<std::string>{} : text.Wrap(words.Translate(page.Note()), kPx, kPanelW - 2 * kPad);
    int hy = py + kPanelH - kPad - static_cast<int>(hint.size() + note.size()) * lh;
    window.Fill(px + kPad, hy - 6, kPanelW - 2 * kPad, 1, kEdgeShadow);
    for (const std::string& n : note) {
        text.Draw(window, px + kPad, hy, n, kWarning, kPx);
        hy += lh;
    }
    for (const std::string& h : hint) {
        text.Draw(window, px + kPad, hy, h, kInk, kPx);
        hy += lh;
    }
}

}  // namespace molfo
