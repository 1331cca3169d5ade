// What a modal screen of the window (a box, the settings page) takes from
// the window around it while its own event loop runs: where to show its
// pictures, the keys to forget, and the events every loop treats alike.
#pragma once

#include "i18n/Catalog.h"
#include "settings/Settings.h"

union SDL_Event;
struct SDL_KeyboardEvent;

namespace molfo {

class SdlDisplay;
class SdlKeys;
class TextRenderer;

class ModalHost {
public:
    virtual SdlDisplay& display() = 0;
    virtual SdlKeys& keys() = 0;
    // A window event: a close request, a change of focus, a repaint.
    virtual void WindowEvent(const SDL_Event& e) = 0;
    // The player asked to end the game (SDL_QUIT).
    virtual void RequestClose() = 0;
    // A close request arrived and the game has not yet seen it.
    virtual bool ClosePending() const = 0;
    // F11 or Alt+Enter (full screen) and F12 (a screenshot of what shows),
    // which work on every screen; true when the key was one of them.
    virtual bool Shortcut(const SDL_KeyboardEvent& key) = 0;
    // Takes the settings in at once: the keys, the pad buttons, the scale.
    virtual void ApplySettings(const settings::Settings& s) = 0;
    // The window's font, and the language of its own words.
    virtual TextRenderer& Text() = 0;
    virtual const i18n::Catalog& Words() const = 0;

protected:
    ~ModalHost() = default;
};

}  // namespace molfo
