// The settings page in the window: volumes, keys, pad buttons, scaling,
// full screen and language, opened from the title with F1 or a pad's Back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "render/Surface.h"
#include "settings/Settings.h"
#include "settings/SettingsPage.h"

namespace molfo {

class ModalHost;
class SdlBoxes;

// What the settings page needs from the program around the window.
struct SettingsHooks {
    // Whether the page may open now (the title shows, no replay plays).
    std::function<bool()> mayOpen;
    // Told of every change while the page is open, to apply it at once
    // (the volumes, the language); the keys and the scale mode the window
    // applies itself.
    std::function<void(const settings::Settings&)> changed;
    // Told when the page is left, to save the settings.
    std::function<void(const settings::Settings&)> closed;
    // The language codes there are catalogs for, "ja" first.
    std::vector<std::string> languages;
    // What the page says about the settings file when it opens; empty for nothing.
    std::function<std::string()> note;
    // The online table's rows the page shows.
    settings::Page::Online online = settings::Page::Online::None;
};

class SdlSettingsPage {
public:
    // The boxes take the address typed on the server's row.
    SdlSettingsPage(ModalHost& host, SdlBoxes& boxes) : host_(host), boxes_(boxes) {}
    SdlSettingsPage(const SdlSettingsPage&) = delete;
    SdlSettingsPage& operator=(const SdlSettingsPage&) = delete;

    void SetHooks(SettingsHooks hooks) { hooks_ = std::move(hooks); }
    // Opens the page over the picture shown, starting from the settings in
    // force, when the hooks allow it; returns when the player leaves it.
    void Open(const settings::Settings& current);

private:
    // The page's own event loop.
    void Run(const settings::Settings& current);

    ModalHost& host_;
    SdlBoxes& boxes_;
    SettingsHooks hooks_;
    // The page drawn over the game's window.
    Surface pageBuffer_;
};

}  // namespace molfo
