#include "render/KeyHelp.h"

#include <array>
#include <string_view>

#include "i18n/Catalog.h"

namespace molfo {

namespace {

using i18n::N_;

constexpr std::string_view kLineBreak = "\r\n";

// Columns: the line as the game writes it, the same line with its key left
// to fill in, the action whose keys it names.
struct HelpLine {
    const char* written;
    const char* pattern;
    settings::Action action;
};
constexpr std::array<HelpLine, 6> kHelpLines{{
    {N_("Escキーで終了"), N_("%sキーで終了"), settings::Quit},
    {N_("Zキーでハルモス光線"), N_("%sキーでハルモス光線"), settings::Fire},
    {N_("Xでアイテムをつかう。"), N_("%sでアイテムをつかう。"), settings::Item},
    {N_("Cキーで使うアイテムをチェンジ"), N_("%sキーで使うアイテムをチェンジ"), settings::NextItem},
    {N_("Escキーでゲーム終了"), N_("%sキーでゲーム終了"), settings::Quit},
    {N_("Zキーで再スタート"), N_("%sキーで再スタート"), settings::Fire},
}};

// The first lines are the help during play, the rest the end screens'.
constexpr size_t kPlayLines = 4;

// The key as the help has always named it.
std::string KeyWord(const std::string& name) { return name == "Escape" ? "Esc" : name; }

std::string Lines(size_t from, size_t to) {
    std::string help = kHelpLines[from].written;
    for (size_t i = from + 1; i < to; ++i) (help += kLineBreak) += kHelpLines[i].written;
    return help;
}

}  // namespace

std::string PlayHelp() { return Lines(0, kPlayLines); }

std::string EndHelp() { return Lines(kPlayLines, kHelpLines.size()); }

KeyHelp::KeyHelp(const settings::Settings& bound) {
    const settings::Settings defaults = settings::Settings::Defaults();
    for (const HelpLine& l : kHelpLines) {
        const settings::Slots& keys = bound.keys[l.action];
        if (keys == defaults.keys[l.action]) continue;
        std::string names;
        for (const std::string& k : keys) {
            if (k.empty()) continue;
            if (!names.empty()) names += "/";
            names += KeyWord(k);
        }
        if (!names.empty()) lines_.emplace_back(l.written, i18n::Format(l.pattern, {names}));
    }
}

std::string KeyHelp::Apply(const std::string& caption) const {
    if (lines_.empty()) return caption;
    std::string out;
    size_t start = 0;
    while (start <= caption.size()) {
        size_t end = caption.find(kLineBreak, start);
        if (end == std::string::npos) end = caption.size();
        std::string line = caption.substr(start, end - start);
        for (const auto& [written, drawn] : lines_)
            if (line == written) line = drawn;
        out += line;
        if (end == caption.size()) break;
        out += kLineBreak;
        start = end + kLineBreak.size();
    }
    return out;
}

}  // namespace molfo
