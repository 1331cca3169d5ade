// The actions and their defaults; the file itself is SettingsFile.cpp.
#include "settings/Settings.h"

#include <cstdlib>
#include <filesystem>

#include "core/UserFolders.h"
#include "i18n/Catalog.h"
#include "platform/Platform.h"

namespace molfo::settings {

namespace fs = std::filesystem;
using i18n::N_;

const std::array<ActionRow, kActions> kActionTable{{
    {"left", N_("左へ動く"), vk::Left, {"Left", ""}, {"dpleft", ""}},
    {"right", N_("右へ動く"), vk::Right, {"Right", ""}, {"dpright", ""}},
    {"up", N_("上へ動く"), vk::Up, {"Up", ""}, {"dpup", ""}},
    {"down", N_("下へ動く"), vk::Down, {"Down", ""}, {"dpdown", ""}},
    // Z also restarts after the ranking, and a pad's Start stands for it there.
    {"fire", N_("ハルモス光線・再スタート"), vk::Z, {"Z", ""}, {"a", "start"}},
    {"fire_alt", N_("ハルモス光線"), vk::Space, {"Space", ""}, {"", ""}},
    {"item", N_("アイテムをつかう"), vk::X, {"X", ""}, {"b", ""}},
    {"item_every_frame", N_("アイテムを毎フレームつかう"), vk::Control, {"Left Ctrl", "Right Ctrl"}, {"", ""}},
    {"next_item", N_("アイテムをチェンジ"), vk::C, {"C", ""}, {"x", ""}},
    {"start", N_("スタート・毎フレームチェンジ"), vk::Shift, {"Left Shift", "Right Shift"}, {"start", ""}},
    {"quit", N_("終了"), vk::Escape, {"Escape", ""}, {"", ""}},
}};


int PadButton(std::string_view name) {
    for (size_t i = 0; i < kPadButtons.size(); ++i)
        if (name == kPadButtons[i]) return static_cast<int>(i);
    return -1;
}

bool Reserved(std::string_view keyName) {
    // F1 opens the settings, F11 and Alt+Enter switch full screen, F12 takes
    // a screenshot.
    return keyName == "F1" || keyName == "F11" || keyName == "F12";
}

bool IsServerAddress(std::string_view a) {
    constexpr std::string_view kSchemes[] = {"http://", "https://"};
    size_t host = 0;
    for (std::string_view scheme : kSchemes)
        if (a.substr(0, scheme.size()) == scheme) host = scheme.size();
    if (host == 0 || a.size() > kMaxServerBytes || a.size() == host || a[host] == '/') return false;
    for (char c : a)
        if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F) return false;
    return true;
}

Settings Settings::Defaults() {
    Settings s;
    for (size_t a = 0; a < kActions; ++a)
        for (int i = 0; i < kSlots; ++i) {
            s.keys[a][i] = kActionTable[a].keys[i];
            s.pad[a][i] = kActionTable[a].pad[i];
        }
    return s;
}

std::string DefaultPath() {
    const std::string base = XdgFolder("XDG_CONFIG_HOME", ".config");
    if (base.empty()) return {};
    return (fs::path(base) / "molfo" / "settings.toml").string();
}

}  // namespace molfo::settings
