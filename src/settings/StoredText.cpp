// The page's stored settings, in the library so the desktop's tests check
// the same code the page runs.
#include "settings/StoredText.h"

#include <charconv>
#include <sstream>

#include "settings/Settings.h"

namespace molfo::settings {

namespace {

constexpr std::string_view kKeyPrefix = "key.";
constexpr std::string_view kPadPrefix = "pad.";

std::string Join(const settings::Slots& slots) { return slots[0] + "," + slots[1]; }

// Up to kSlots names split at commas; false when there are more, or a name
// fails `ok`.
template <typename Ok>
bool Split(std::string_view value, const Ok& ok, settings::Slots& out) {
    settings::Slots got{};
    size_t n = 0;
    for (size_t start = 0;;) {
        const size_t comma = value.find(',', start);
        const std::string_view name = value.substr(start, comma == std::string_view::npos ? value.npos : comma - start);
        if (n == got.size()) return false;
        if (!name.empty() && !ok(std::string(name))) return false;
        got[n++] = std::string(name);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    out = got;
    return true;
}

bool Volume(std::string_view v, int& out) {
    int n = -1;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc{} || end != v.data() + v.size() || n < 0 || n > settings::kMaxVolume) return false;
    out = n;
    return true;
}

bool LanguageCode(std::string_view v) {
    if (v == "auto") return true;
    if (v.size() < 2 || v.size() > 3) return false;
    for (char c : v)
        if (c < 'a' || c > 'z') return false;
    return true;
}

}  // namespace

std::string SettingsToText(const settings::Settings& s) {
    std::ostringstream os;
    os << "music_volume=" << s.musicVolume << "\neffect_volume=" << s.effectVolume << "\nscale_mode=" << s.scaleMode
       << "\nfullscreen=" << (s.fullscreen ? 1 : 0) << "\nlanguage=" << s.language << "\n";
    for (size_t a = 0; a < settings::kActions; ++a) {
        os << kKeyPrefix << kActionTable[a].key << "=" << Join(s.keys[a]) << "\n";
        os << kPadPrefix << kActionTable[a].key << "=" << Join(s.pad[a]) << "\n";
    }
    return os.str();
}

settings::Settings SettingsFromText(std::string_view text, const settings::KeyCheck& isKey) {
    settings::Settings s = settings::Settings::Defaults();
    const auto isBindable = [&isKey](const std::string& n) { return isKey(n) && !settings::Reserved(n); };
    const auto isButton = [](const std::string& n) { return settings::PadButton(n) >= 0; };
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view name = line.substr(0, eq), value = line.substr(eq + 1);
        if (name == "music_volume") Volume(value, s.musicVolume);
        else if (name == "effect_volume") Volume(value, s.effectVolume);
        else if (name == "scale_mode" && (value == "integer" || value == "fit")) s.scaleMode = std::string(value);
        else if (name == "fullscreen" && (value == "0" || value == "1")) s.fullscreen = value == "1";
        else if (name == "language" && LanguageCode(value)) s.language = std::string(value);
        const bool key = name.substr(0, kKeyPrefix.size()) == kKeyPrefix;
        const bool pad = name.substr(0, kPadPrefix.size()) == kPadPrefix;
        if (!key && !pad) continue;
        const std::string_view action = name.substr(kKeyPrefix.size());
        for (size_t a = 0; a < settings::kActions; ++a) {
            if (action != kActionTable[a].key) continue;
            if (key) Split(value, isBindable, s.keys[a]);
            else Split(value, isButton, s.pad[a]);
        }
    }
    return s;
}

}  // namespace molfo::settings
