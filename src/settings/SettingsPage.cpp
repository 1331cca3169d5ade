#include "settings/SettingsPage.h"

#include <algorithm>

#include "i18n/Catalog.h"
#include "i18n/Language.h"

namespace molfo::settings {

using i18n::N_;

Page::Page(Settings start, std::vector<std::string> languages, Online online) : s_(std::move(start)) {
    rows_ = {Kind::Music, Kind::Effect, Kind::Scale, Kind::Fullscreen, Kind::Language};
    if (online == Online::SendAndServer) rows_.insert(rows_.end(), {Kind::Send, Kind::Server});
    firstAction_ = Rows();
    rows_.insert(rows_.end(), kActions, Kind::Action);
    rows_.insert(rows_.end(), {Kind::Defaults, Kind::Done});
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
    switch (KindOf(row_)) {
        case Kind::Music:
        case Kind::Effect: {
            int& v = KindOf(row_) == Kind::Music ? s_.musicVolume : s_.effectVolume;
            v = std::clamp(v + step * kVolumeStep, 0, kMaxVolume);
            break;
        }
        case Kind::Scale: s_.scaleMode = s_.scaleMode == "fit" ? "integer" : "fit"; break;
        case Kind::Fullscreen: s_.fullscreen = !s_.fullscreen; break;
        case Kind::Send: s_.sendRuns = !s_.sendRuns; break;
        case Kind::Language: {
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

void Page::TextEntered(const std::string& typed) {
    if (!wantsText_) return;
    wantsText_ = false;
    const size_t first = typed.find_first_not_of(" \t"), last = typed.find_last_not_of(" \t");
    const std::string address = first == std::string::npos ? "" : typed.substr(first, last - first + 1);
    badText_ = !address.empty() && !IsServerAddress(address);
    if (badText_ || address == s_.server) return;
    s_.server = address;
    changed_ = true;
}

void Page::Press(Nav n) {
    if (capturing_ || wantsText_ || done_) return;
    badText_ = false;
    const int rows = Rows();
    switch (n) {
        case Nav::Up: row_ = (row_ + rows - 1) % rows; break;
        case Nav::Down: row_ = (row_ + 1) % rows; break;
        case Nav::Left:
        case Nav::Right: {
            const int step = n == Nav::Left ? -1 : 1;
            if (IsAction(row_))
                column_ = std::clamp(column_ + step, 0, kColumns - 1);
            else if (KindOf(row_) != Kind::Server)
                Change(step);
            break;
        }
        case Nav::Activate:
            if (IsAction(row_))
                capturing_ = true;
            else if (KindOf(row_) == Kind::Server)
                wantsText_ = true;
            else if (KindOf(row_) == Kind::Defaults) {
                // The language and the online table are the player's, not
                // bindings: they stay.
                Settings d = Settings::Defaults();
                d.language = s_.language;
                d.server = s_.server;
                d.sendRuns = s_.sendRuns;
                s_ = std::move(d);
                changed_ = true;
            } else if (KindOf(row_) == Kind::Done)
                done_ = true;
            else
                Change(1);
            break;
        case Nav::Clear:
            if (KindOf(row_) == Kind::Server && !s_.server.empty()) {
                s_.server.clear();
                changed_ = true;
            }
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
    for (const Kind k : rows_) {
        switch (k) {
            case Kind::Music: out.push_back({N_("音楽の音量"), {std::to_string(s_.musicVolume)}, false, s_.musicVolume}); break;
            case Kind::Effect:
                out.push_back({N_("効果音の音量"), {std::to_string(s_.effectVolume)}, false, s_.effectVolume});
                break;
            case Kind::Scale:
                out.push_back({N_("拡大のしかた"), {s_.scaleMode == "fit" ? N_("ウィンドウいっぱい") : N_("整数倍")}});
                break;
            case Kind::Fullscreen: out.push_back({N_("全画面で始める"), {s_.fullscreen ? N_("はい") : N_("いいえ")}}); break;
            case Kind::Language:
                out.push_back({N_("ことば"), {s_.language == i18n::kAuto ? N_("自動 (システムの設定)")
                                                                        : i18n::LanguageName(s_.language)}});
                break;
            case Kind::Send: out.push_back({N_("オンラインの表に送る"), {s_.sendRuns ? N_("はい") : N_("いいえ")}}); break;
            case Kind::Server:
                out.push_back({N_("オンラインの表のアドレス"), {s_.server.empty() ? N_("なし") : s_.server}});
                out.back().text = true;
                break;
            case Kind::Action: {
                const size_t a = static_cast<size_t>(out.size()) - static_cast<size_t>(firstAction_);
                Line l{kActionTable[a].label, {}, true};
                for (const std::string& key : s_.keys[a]) l.cells.push_back(key);
                for (const std::string& p : s_.pad[a]) l.cells.push_back(p);
                out.push_back(std::move(l));
                break;
            }
            case Kind::Defaults: out.push_back({N_("はじめの設定にもどす"), {}}); break;
            case Kind::Done: out.push_back({N_("もどる"), {}}); break;
        }
    }
    return out;
}

std::string Page::Hint() const {
    if (capturing_)
        return CapturingPad() ? N_("パッドのボタンを押してください (Escでやめる)")
                              : N_("キーを押してください (Escでやめる)");
    if (badText_) return N_("アドレスは http:// か https:// で始めてください");
    if (IsAction(row_)) return N_("←→で選び、Enterで変える。Deleteで消す");
    if (KindOf(row_) == Kind::Server) return N_("Enterでアドレスを入れる。Deleteで消す");
    if (KindOf(row_) == Kind::Send && s_.sendRuns && s_.server.empty())
        return N_("送るには、下の行にオンラインの表のアドレスを入れてください");
    if (KindOf(row_) == Kind::Defaults || KindOf(row_) == Kind::Done) return N_("Enterで決定。Escで保存してもどる");
    return N_("←→で変える。Escで保存してもどる");
}

}  // namespace molfo::settings
