// The keyboard and the gamepads as the game's key query: the player's keys
// and pad buttons from the settings, the pads plugged in and pulled out,
// and whether a key has just arrived (so that a nap can end at once).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/KeyLatch.h"
#include "platform/PadMap.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

union SDL_Event;
struct SDL_KeyboardEvent;
struct _SDL_GameController;

namespace molfo {

class SdlKeys final : public Keys {
public:
    SdlKeys() = default;
    ~SdlKeys() override;
    SdlKeys(const SdlKeys&) = delete;
    SdlKeys& operator=(const SdlKeys&) = delete;

    bool Query(int vkCode) override { return keys_.Query(vkCode); }
    bool Held(int vkCode) const { return keys_.Held(vkCode); }

    // The player's keys and pad buttons; whatever was held is forgotten.
    void Bind(const settings::Settings& s);
    // Whether the keyboard has a key of this name (as SDL names keys).
    static bool IsKeyName(const std::string& name);

    // A key went down or up; keys the game has no use for change nothing.
    void KeyDown(const SDL_KeyboardEvent& key);
    void KeyUp(const SDL_KeyboardEvent& key);
    // Gamepads plugged in, pulled out, pressed and moved. True when a pad's
    // Back was let go with no other button pressed since it went down: the
    // player asks for the settings (Back with Start quits).
    bool Pad(const SDL_Event& e);

    // Every key and button up and no press pending: what was typed into a
    // box or a page, or held while the window was away, never reaches the
    // game.
    void Forget() {
        keys_.Forget();
        pads_.Forget();
    }
    // Whether a pad is open: SDL reads pads only when it pumps.
    bool PadsOpen() const {
        for (const _SDL_GameController* c : controllers_)
            if (c != nullptr) return true;
        return false;
    }
    // A Back held now no longer opens the settings when let go.
    void ForgetBackTap() { backAlone_ = false; }

    // True when a game key or pad button went down since the last call.
    bool TakeArrived() {
        const bool arrived = arrived_;
        arrived_ = false;
        return arrived;
    }

private:
    // A key bound to a game key: the virtual key and the latch source (the
    // slot of the action it fills, so two keys of one action each hold it).
    struct Target {
        int vk;
        int source;
    };
    // The game keys an SDL key stands for; empty for keys the game ignores.
    const std::vector<Target>& Targets(const SDL_KeyboardEvent& key) const;

    KeyLatch keys_;
    pad::PadKeys pads_{keys_};
    std::array<_SDL_GameController*, pad::PadKeys::kMaxPads> controllers_{};
    std::unordered_map<int32_t, std::vector<Target>> byKey_;
    // Letter keys by their place on the keyboard, for layouts without Latin letters.
    std::unordered_map<int32_t, std::vector<Target>> byPlace_;
    bool arrived_ = false;
    bool backAlone_ = false;  // a pad's Back is down with no other button pressed since
};

}  // namespace molfo
