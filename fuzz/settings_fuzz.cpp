// Reads arbitrary bytes as a settings file, checks that whatever the reader
// takes stays within the game's rules, and that writing a change from the
// settings page into it gives a file that reads as the page left it.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "settings/Settings.h"

namespace {

using namespace molfo::settings;

void Check(bool ok) {
    if (!ok) std::abort();
}

// Short names and the defaults' names stand for the keyboard's.
bool AnyKey(const std::string& name) {
    static const std::set<std::string> named = {"Left", "Right", "Up", "Down", "Space", "Escape",
                                                "Left Shift", "Right Shift", "Left Ctrl", "Right Ctrl"};
    return (!name.empty() && name.size() <= 2) || named.count(name) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Loaded l = Parse(text, "settings.toml", AnyKey);
    const Settings& s = l.settings;
    Check(s.musicVolume >= 0 && s.musicVolume <= kMaxVolume);
    Check(s.effectVolume >= 0 && s.effectVolume <= kMaxVolume);
    Check(s.scaleMode == "integer" || s.scaleMode == "fit");
    for (size_t a = 0; a < kActions; ++a) {
        Check(!s.keys[a][0].empty() || !s.keys[a][1].empty());
        for (const std::string& k : s.keys[a]) Check(k.empty() || (AnyKey(k) && !Reserved(k)));
        for (const std::string& b : s.pad[a]) Check(b.empty() || PadButton(b) >= 0);
    }
    for (const std::string& p : l.problems) Check(p.find('\n') == std::string::npos);
    if (l.source != Loaded::Source::Read) return 0;

    // A change the page could make, chosen by the input's last byte.
    Settings after = s;
    const uint8_t pick = size > 0 ? data[size - 1] : 0;
    after.musicVolume = (s.musicVolume + 10) % (kMaxVolume + 1);
    after.keys[pick % kActions] = {"Q", ""};
    after.pad[(pick / kActions) % kActions] = {"y", ""};
    after.fullscreen = !s.fullscreen;
    const std::string edited = Edit(l.text, s, after, AnyKey);
    const Loaded back = Parse(edited, "settings.toml", AnyKey);
    Check(back.source == Loaded::Source::Read);
    Check(back.settings == after);
    return 0;
}
