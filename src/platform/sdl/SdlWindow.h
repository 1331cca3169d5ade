// The game window on SDL2 and its events. It owns the window's parts: the
// display (SdlDisplay: the window on the screen and the pictures shown in
// it), the keys (SdlKeys: keyboard and pads as the game's key query), the
// boxes (SdlBoxes) and the settings page (SdlSettingsPage). It takes the
// events and hands them out, and itself keeps what belongs to no part:
// close requests, the pause while the window has no focus, the shortcuts
// that work on every screen (full screen, screenshots), the window's font
// and the language of its own words.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "i18n/Catalog.h"
#include "platform/Platform.h"
#include "platform/sdl/ModalHost.h"
#include "platform/sdl/Placement.h"
#include "platform/sdl/PumpGate.h"
#include "platform/sdl/SdlBoxes.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/SdlSettingsPage.h"
#include "platform/sdl/X11Events.h"
#include "render/Surface.h"
#include "settings/Settings.h"

union SDL_Event;
struct SDL_KeyboardEvent;

namespace molfo {

class TextRenderer;

struct WindowOptions {
    bool fullscreen = false;
    ScaleMode scale = ScaleMode::Integer;
    // Where screenshots go when the player has no picture folder.
    std::string shotFallback = ".";
    // Told when a pause for lost focus begins (true, 0) and ends (false,
    // with how long it lasted in ms), so the clock and the sound can stop too.
    std::function<void(bool paused, uint32_t ms)> onPause;
};

class SdlWindow final : public Events, private ModalHost {
public:
    // Creates the window on an SDL whose video is already initialised.
    // Returns null with a one-line reason when it cannot.
    static std::unique_ptr<SdlWindow> Create(WindowOptions options, std::string& error);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool Pump() override;
    SdlDisplay& display() override { return *display_; }
    SdlKeys& keys() override { return keys_; }
    Dialogs& dialogs() { return boxes_; }

    // The language of the window's own words (the pause note, the boxes,
    // the page); the catalog must outlive the window or the next call.
    void SetLanguage(const i18n::Catalog* words);
    // The player's keys and pad buttons, and the scale mode.
    void ApplySettings(const settings::Settings& s) override;
    // Lets F1 (or a pad's Back pressed alone) open the settings page.
    void SetSettingsHooks(SettingsHooks hooks) { page_.SetHooks(std::move(hooks)); }

private:
    explicit SdlWindow(WindowOptions options);

    // What the boxes and the settings page take from the window.
    void WindowEvent(const SDL_Event& e) override;
    void RequestClose() override { closePending_ = true; }
    bool ClosePending() const override { return closePending_; }
    bool Shortcut(const SDL_KeyboardEvent& key) override;
    TextRenderer& Text() override;
    const i18n::Catalog& Words() const override { return *words_; }

    // Takes one event outside the modal screens.
    void Handle(const SDL_Event& e);
    // Blocks while the window has no focus, showing a note over the last
    // frame; no frame of the game runs meanwhile.
    void PauseWhileUnfocused();
    // F12: the picture shown, as a PNG in the picture folder.
    void SaveScreenshot();

    WindowOptions options_;
    // Declared before the keys: the pads close before the window does.
    std::unique_ptr<SdlDisplay> display_;
    SdlKeys keys_;
    SdlBoxes boxes_{*this};
    SdlSettingsPage page_{*this, boxes_};
    settings::Settings settings_ = settings::Settings::Defaults();
    std::unique_ptr<TextRenderer> text_;
    const i18n::Catalog* words_;
    bool closePending_ = false;
    bool unfocused_ = false;
    bool quitting_ = false;
    // The last frame with the pause note on it; made when a pause begins.
    Surface pauseBuffer_;
    // When events were last taken from SDL (CLOCK_MONOTONIC, ns), and the
    // least time between two takings.
    int64_t lastPumpNs_ = INT64_MIN / 2;
    static constexpr int64_t kPumpGapNs = 4000000;
    // Whether a pump is worth its cost (none where the window is not on X:
    // every taking pumps there).
    std::unique_ptr<X11Events> x11_;
    PumpGate gate_;
};

}  // namespace molfo
