#include "settings/SettingsPage.h"

#include <algorithm>

#include "i18n/Catalog.h"
#include "i18n/Language.h"

namespace molfo::settings {

using i18n::N_;

Page::Page(Settings start, std::vector<std::string> languages) : s_(std::move(start)) {
    languages_.push_back(i18n::kAuto);
    for (std::string& l : languages)
        if (l != i18n::kAuto) languages_.push_back(std::move(l));
    // A language set in the file but without a catalog here stays choosable.
    if (std::find(languages_.begin(), languages_.end(), s_.language) == languages_.end())
        languages_.push_back(s_.language);
}

std::string& Page::Cell(int action, int column) {
    return column >= Pad1 ? s_.pad[action][column - Pad1] : s_.keys[action][column - Key1];
}

bool Page::TakeChanged() {
    const bool c = changed_;
    changed_ = false;
    return c;
}

void Page::Change(int step) {
    switch (row_) {
        case MusicRow:
        case EffectRow: {
            int& v = row_ == MusicRow ? s_.musicVolume : s_.effectVolume;
            v = std::clamp(v + step * kVolumeStep, 0, kMaxVolume);
            break;
        }
        case ScaleRow: s_.scaleMode = s_.scaleMode == "fit" ? "integer" : "fit"; break;
        case FullscreenRow: s_.fullscreen = !s_.fullscreen; break;
        case LanguageRow: {
            const auto n = static_cast<int>(languages_.size());
            int i = static_cast<int>(std::find(languages_.begin(), languages_.end(), s_.language) - languages_.begin());
            i = ((i + step) % n + n) % n;
            s_.language = languages_[static_cast<size_t>(i)];
            break;
        }
        default: return;
    }
    changed_ = true;
}

void Page::Press(Nav n) {
    if (capturing_ || done_) return;
    const int rows = Rows();
    switch (n) {
        case Nav::Up: row_ = (row_ + rows - 1) % rows; break;
        case Nav::Down: row_ = (row_ + 1) % rows; break;
        case Nav::Left:
        case Nav::Right: {
            const int step = n == Nav::Left ? -1 : 1;
            if (IsAction(row_))
                column_ = std::clamp(column_ + step, 0, kColumns - 1);
            else
                Change(step);
            break;
        }
        case Nav::Activate:
            if (IsAction(row_))
                capturing_ = true;
            else if (row_ == DefaultsRow()) {
                // The language is the player's, not a binding: it stays.
                const std::string language = s_.language;
                s_ = Settings::Defaults();
                s_.language = language;
                changed_ = true;
            } else if (row_ == DoneRow())
                done_ = true;
            else
                Change(1);
            break;
        case Nav::Clear:
            // Every action keeps a key on the keyboard.
            if (IsAction(row_) && column_ != Key1 && !Cell(ActionOf(row_), column_).empty()) {
                Cell(ActionOf(row_), column_).clear();
                changed_ = true;
            }
            break;
        case Nav::Leave: done_ = true; break;
    }
}

void Page::Captured(const std::string& name) {
    if (!capturing_ || name.empty()) return;
    if (CapturingPad() ? PadButton(name) < 0 : Reserved(name)) return;
    const int a = ActionOf(row_);
    Cell(a, column_) = name;
    // The same key twice in one action would hold it from one source only.
    const int other = column_ == Key1 ? Key2 : column_ == Key2 ? Key1 : column_ == Pad1 ? Pad2 : Pad1;
    if (Cell(a, other) == name) Cell(a, other).clear();
    capturing_ = false;
    changed_ = true;
}

std::vector<Page::Line> Page::Lines() const {
    std::vector<Line> out;
    out.push_back({N_("音楽の音量"), {std::to_string(s_.musicVolume)}, false, s_.musicVolume});
    out.push_back({N_("効果音の音量"), {std::to_string(s_.effectVolume)}, false, s_.effectVolume});
    out.push_back({N_("拡大のしかた"), {s_.scaleMode == "fit" ? N_("ウィンドウいっぱい") : N_("整数倍")}});
    out.push_back({N_("全画面で始める"), {s_.fullscreen ? N_("はい") : N_("いいえ")}});
    out.push_back({N_("ことば"), {s_.language == i18n::kAuto ? N_("自動 (システムの設定)") : i18n::LanguageName(s_.language)}});
    for (size_t a = 0; a < kActions; ++a) {
        Line l{kActionTable[a].label, {}, true};
        for (const std::string& k : s_.keys[a]) l.cells.push_back(k);
        for (const std::string& p : s_.pad[a]) l.cells.push_back(p);
        out.push_back(std::move(l));
    }
    out.push_back({N_("はじめの設定にもどす"), {}});
    out.push_back({N_("もどる"), {}});
    return out;
}

std::string Page::Hint() const {
    if (capturing_)
        return CapturingPad() ? N_("パッドのボタンを押してください (Escでやめる)")
                              : N_("キーを押してください (Escでやめる)");
    if (IsAction(row_)) return N_("←→で選び、Enterで変える。Deleteで消す");
    if (row_ == DefaultsRow() || row_ == DoneRow()) return N_("Enterで決定。Escで保存してもどる");
    return N_("←→で変える。Escで保存してもどる");
}

}  // namespace molfo::settings
