// The settings page's event loop: like the boxes, a loop of its own that
// draws the page over the last composed window and sleeps between events.
// It runs inside a pump of the title's wait, so the game never sees it:
// neither the keys typed into it nor its time reach the game's inputs as
// anything but a longer wait on the title.
#include "platform/sdl/SdlSettingsPage.h"

#include <SDL.h>

#include "i18n/Catalog.h"
#include "platform/sdl/ModalHost.h"
#include "platform/sdl/SdlBoxes.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlKeys.h"
#include "render/SettingsView.h"
#include "settings/SettingsPage.h"

namespace molfo {

namespace {

constexpr Uint32 kBlinkMs = 400;

using Nav = settings::Page::Nav;

bool KeyNav(SDL_Keycode k, Nav& n) {
    switch (k) {
        case SDLK_UP: n = Nav::Up; return true;
        case SDLK_DOWN: n = Nav::Down; return true;
        case SDLK_LEFT: n = Nav::Left; return true;
        case SDLK_RIGHT: n = Nav::Right; return true;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_SPACE: n = Nav::Activate; return true;
        case SDLK_DELETE:
        case SDLK_BACKSPACE: n = Nav::Clear; return true;
        case SDLK_ESCAPE:
        case SDLK_F1: n = Nav::Leave; return true;
        default: return false;
    }
}

bool PadNav(int button, Nav& n) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_DPAD_UP: n = Nav::Up; return true;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: n = Nav::Down; return true;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: n = Nav::Left; return true;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: n = Nav::Right; return true;
        case SDL_CONTROLLER_BUTTON_A:
        case SDL_CONTROLLER_BUTTON_START: n = Nav::Activate; return true;
        case SDL_CONTROLLER_BUTTON_X:
        case SDL_CONTROLLER_BUTTON_Y: n = Nav::Clear; return true;
        case SDL_CONTROLLER_BUTTON_B:
        case SDL_CONTROLLER_BUTTON_BACK: n = Nav::Leave; return true;
        default: return false;
    }
}

}  // namespace

void SdlSettingsPage::Open(const settings::Settings& current) {
    if (hooks_.mayOpen && hooks_.mayOpen()) Run(current);
}

void SdlSettingsPage::Run(const settings::Settings& current) {
    SdlDisplay& display = host_.display();
    SdlKeys& keys = host_.keys();
    if (display.Shown() == nullptr || display.Shown()->Empty()) return;
    // The game's composed window, under the page; the page itself is what
    // shows (and what F12 saves) while it is open.
    const Surface* const base = display.Shown();
    keys.Forget();
    settings::Page page(current, hooks_.languages, hooks_.online);
    if (hooks_.note) page.SetNote(hooks_.note());
    bool caretOn = true;
    bool dirty = true;
    Uint32 nextBlink = SDL_GetTicks() + kBlinkMs;
    while (!page.Done()) {
        if (dirty) {
            // Over the window as the game last composed it; a change of
            // language recomposes it, so the labels behind follow too.
            pageBuffer_ = *base;
            DrawSettingsPage(pageBuffer_, host_.Text(), host_.Words(), page, caretOn);
            display.Show(pageBuffer_);
            dirty = false;
        }
        SDL_Event e;
        const Uint32 now = SDL_GetTicks();
        const int wait = !page.Capturing() ? 1000 : SDL_TICKS_PASSED(now, nextBlink) ? 0 : static_cast<int>(nextBlink - now);
        // Sleeps until an event, or the next blink of a cell waiting for a key.
        if (SDL_WaitEventTimeout(&e, wait) == 0) {
            if (page.Capturing() && SDL_TICKS_PASSED(SDL_GetTicks(), nextBlink)) {
                caretOn = !caretOn;
                nextBlink = SDL_GetTicks() + kBlinkMs;
                dirty = true;
            }
            continue;
        }
        Nav n{};
        switch (e.type) {
            case SDL_QUIT:
                host_.RequestClose();
                page.Press(Nav::Leave);
                break;
            case SDL_WINDOWEVENT:
                host_.WindowEvent(e);
                if (host_.ClosePending()) {
                    page.CancelCapture();
                    page.Press(Nav::Leave);
                }
                break;
            case SDL_KEYDOWN: {
                if (host_.Shortcut(e.key)) break;
                const SDL_Keycode k = e.key.keysym.sym;
                if (page.Capturing()) {
                    if (k == SDLK_ESCAPE)
                        page.CancelCapture();
                    else if (!page.CapturingPad() && e.key.repeat == 0)
                        page.Captured(SDL_GetKeyName(k));
                } else if (KeyNav(k, n)) {
                    page.Press(n);
                }
                break;
            }
            case SDL_CONTROLLERDEVICEADDED:
            case SDL_CONTROLLERDEVICEREMOVED: keys.Pad(e); break;
            case SDL_CONTROLLERBUTTONDOWN: {
                const int b = e.cbutton.button;
                if (page.CapturingPad()) {
                    if (b == SDL_CONTROLLER_BUTTON_BACK)
                        page.CancelCapture();
                    else if (b >= 0 && b < static_cast<int>(settings::kPadButtons.size()))
                        page.Captured(settings::kPadButtons[static_cast<size_t>(b)]);
                } else if (page.Capturing()) {
                    page.CancelCapture();  // a key was asked for
                } else if (PadNav(b, n)) {
                    page.Press(n);
                }
                break;
            }
            default: continue;  // nothing the page shows has changed
        }
        if (page.WantsText()) {
            // The address is typed into the window's input box, over the page.
            std::string typed = page.TextStart();
            if (boxes_.EditText(i18n::N_("オンラインの表のアドレス (http:// か https://)"), pageBuffer_, typed))
                page.TextEntered(typed);
            else
                page.CancelText();
            keys.Forget();
            if (host_.ClosePending()) page.Press(Nav::Leave);
        }
        if (page.TakeChanged()) {
            const settings::Settings changed = page.Current();
            host_.ApplySettings(changed);
            if (hooks_.changed) hooks_.changed(changed);
        }
        caretOn = true;
        nextBlink = SDL_GetTicks() + kBlinkMs;
        dirty = true;
    }
    const settings::Settings left = page.Current();
    host_.ApplySettings(left);
    // Nothing pressed on the page reaches the game.
    keys.Forget();
    keys.ForgetBackTap();
    display.Show(*base);
    if (hooks_.closed) hooks_.closed(left);
}

}  // namespace molfo
