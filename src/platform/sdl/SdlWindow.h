// The game window on SDL2: one resizable window that shows the composed
// 645 x 573 buffer scaled to fit, the key and gamepad events turned into the
// game's key query, close requests, the pause while the window has no focus,
// screenshots, and the modal dialogs drawn inside the window.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "i18n/Catalog.h"
#include "platform/KeyLatch.h"
#include "platform/PadMap.h"
#include "platform/Platform.h"
#include "platform/sdl/Placement.h"
#include "render/Surface.h"
#include "settings/Settings.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Surface;
union SDL_Event;
struct SDL_KeyboardEvent;
struct _SDL_GameController;

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
};

class SdlWindow final : public Events, public Keys, public Display, public Dialogs {
public:
    // Creates the window on an SDL whose video is already initialised.
    // Returns null with a one-line reason when it cannot.
    static std::unique_ptr<SdlWindow> Create(WindowOptions options, std::string& error);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool Pump() override;
    bool Query(int vkCode) override;
    void Present(const Surface& window, std::span<const Rect> changed) override;
    std::string InputBox(const std::string& prompt, const Surface& window) override;
    void MessageBox(const std::string& text, const Surface& window) override;

    // The language of the window's own words (the pause note, the boxes);
    // the catalog must outlive the window or the next call.
    void SetLanguage(const i18n::Catalog* words);

    // The player's keys and pad buttons, and the scale mode.
    void ApplySettings(const settings::Settings& s);
    // Lets F1 (or a pad's Back pressed alone) open the settings page.
    void SetSettingsHooks(SettingsHooks hooks) { hooks_ = std::move(hooks); }
    // Whether the keyboard has a key of this name (as SDL names keys).
    static bool IsKeyName(const std::string& name);

    // True when a game key or pad button went down since the last call.
    bool TakeKeyArrived() {
        const bool arrived = keyArrived_;
        keyArrived_ = false;
        return arrived;
    }

private:
    explicit SdlWindow(WindowOptions options);

    // A key bound to a game key: the virtual key and the latch source (the
    // slot of the action it fills, so two keys of one action each hold it).
    struct Target {
        int vk;
        int source;
    };
    // The game keys an SDL key stands for; empty for keys the game ignores.
    const std::vector<Target>& Targets(const SDL_KeyboardEvent& key) const;
    // Takes one event outside a dialog.
    void Handle(const SDL_Event& e);
    void OpenSettings();
    // The settings page's own event loop (platform/sdl/SdlSettings.cpp).
    void RunSettingsPage();
    // Window events both loops share: close requests, focus and repaints.
    void HandleWindowEvent(const SDL_Event& e);
    // Gamepads plugged in, pulled out, pressed and moved.
    void HandlePadEvent(const SDL_Event& e);
    // Blocks while the window has no focus, showing a note over the last
    // frame; no frame of the game runs meanwhile.
    void PauseWhileUnfocused();
    // F12: the last buffer shown, as a PNG in the picture folder.
    void SaveScreenshot();
    // F11 or Alt+Enter; true when the key was one of them.
    bool FullscreenShortcut(const SDL_KeyboardEvent& key);
    void ToggleFullscreen();
    // Uploads a buffer and shows it; it becomes the one screenshots take.
    // `changed` as for Present; empty: all of it.
    void Show(const Surface& s, std::span<const Rect> changed = {});
    // Uploads a buffer and shows it, leaving the screenshot's buffer alone.
    void Upload(const Surface& s, std::span<const Rect> changed = {});
    // Shows the last uploaded buffer again, whole.
    void Repaint();
    // Without a GPU: the last uploaded buffer into the window's buffer.
    void RepaintWindowBuffer();
    // Copies the changed rectangles into the window's buffer, and shows
    // them when `update`.
    void CopyToWindow(const Surface& s, std::span<const Rect> changed, bool update = true);
    void StretchToWindow(const Surface& s, SDL_Surface* out, const Placement& p);
    // Appends to the present log when a frame was handed to the window
    // and when the X server had it (CLOCK_MONOTONIC, ns).
    void LogPresent(int64_t handed, int64_t shown);

    enum class BoxKind { Input, Message };
    // The modal loop of both boxes. Returns true when confirmed.
    bool RunBox(BoxKind kind, const std::string& text, const Surface& window, std::string& typed);
    void DrawBox(BoxKind kind, const std::string& text, const Surface& window, const std::string& typed,
                 const std::string& composing, bool caretOn);

    WindowOptions options_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureW_ = 0;
    int textureH_ = 0;
    // The buffer last uploaded, and whether the window holds all of it,
    // so that the next frame of it may copy only what changed.
    const Surface* uploaded_ = nullptr;
    bool whole_ = false;
    // Our pixels as an SDL surface, for scaling into the window's buffer.
    SDL_Surface* view_ = nullptr;
    bool sharp_ = false;  // the texture's sampling, changed only when it must
    bool closePending_ = false;
    bool unfocused_ = false;
    bool quitting_ = false;
    bool keyArrived_ = false;
    // The buffer last shown: the game's composed window or a dialog's copy
    // of it. Both outlive every pump that could look at it.
    const Surface* shown_ = nullptr;
    KeyLatch keys_;
    pad::PadKeys pads_{keys_};
    std::array<_SDL_GameController*, pad::PadKeys::kMaxPads> controllers_{};
    // The last frame with the pause note on it; made when a pause begins.
    Surface pauseBuffer_;
    // The dialogs draw the box over a copy of the composed window; kept so
    // that a dialog's frames reuse one buffer.
    Surface boxBuffer_;
    std::unique_ptr<TextRenderer> text_;
    const i18n::Catalog* words_;
    std::unordered_map<int32_t, std::vector<Target>> byKey_;
    // Letter keys by their place on the keyboard, for layouts without Latin letters.
    std::unordered_map<int32_t, std::vector<Target>> byPlace_;
    settings::Settings settings_ = settings::Settings::Defaults();
    SettingsHooks hooks_;
    bool backAlone_ = false;  // a pad's Back is down with no other button pressed since
    Surface pageBuffer_;
    // MOLFO_PRESENT_LOG's file, or -1: one line per frame shown, for
    // scripts/measure-window.
    int presentLog_ = -1;
    // When events were last taken from SDL (CLOCK_MONOTONIC, ns), and the
    // least time between two takings.
    int64_t lastPumpNs_ = INT64_MIN / 2;
    static constexpr int64_t kPumpGapNs = 4000000;
};

}  // namespace molfo
