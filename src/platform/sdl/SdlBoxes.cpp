// The modal input and message boxes: a small event loop of their own that
// draws the box over the last composed window and sleeps between events.
#include "platform/sdl/SdlBoxes.h"

#include <SDL.h>

#include "platform/sdl/ModalHost.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlKeys.h"
#include "render/DialogView.h"
#include "render/Text.h"

namespace molfo {

namespace {

constexpr Uint32 kCaretBlinkMs = 500;
// Longer than any name the ranking keeps; only guards against a runaway key.
constexpr size_t kMaxTyped = 256;

// Drops the last UTF-8 character, not the last byte, so a Japanese name
// never ends in half a character.
void EraseLastCharacter(std::string& s) {
    while (!s.empty()) {
        const auto c = static_cast<unsigned char>(s.back());
        s.pop_back();
        if ((c & 0xC0) != 0x80) break;
    }
}

}  // namespace

std::string SdlBoxes::InputBox(const std::string& prompt, const Surface& window) {
    std::string typed;
    if (!Run(BoxKind::Input, prompt, window, typed)) return {};
    return typed;
}

bool SdlBoxes::EditText(const std::string& prompt, const Surface& window, std::string& text) {
    std::string typed = text;
    if (!Run(BoxKind::Input, prompt, window, typed)) return false;
    text = typed;
    return true;
}

void SdlBoxes::MessageBox(const std::string& text, const Surface& window) {
    std::string unused;
    Run(BoxKind::Message, text, window, unused);
}

void SdlBoxes::Draw(BoxKind kind, const std::string& text, const Surface& window, const std::string& typed,
                    const std::string& composing, bool caretOn) {
    boxBuffer_ = window;
    if (kind == BoxKind::Input)
        DrawInputBox(boxBuffer_, host_.Text(), host_.Words(), text, typed, composing, caretOn);
    else
        DrawMessageBox(boxBuffer_, host_.Text(), host_.Words(), text);
    host_.display().Show(boxBuffer_);
}

bool SdlBoxes::Run(BoxKind kind, const std::string& text, const Surface& window, std::string& typed) {
    // Keys typed into the box belong to it, not to the game.
    host_.keys().Forget();
    const bool input = kind == BoxKind::Input;
    if (input) {
        // The IME shows its candidate list near where the box sits.
        int ww = 0, wh = 0;
        SDL_GetWindowSize(host_.display().Window(), &ww, &wh);
        SDL_Rect r{ww / 4, wh / 2, ww / 2, 20};
        SDL_SetTextInputRect(&r);
        SDL_StartTextInput();
    }
    std::string composing;
    bool caretOn = true;
    Uint32 nextBlink = SDL_GetTicks() + kCaretBlinkMs;
    bool dirty = true;
    enum class End { Open, Ok, Cancel } end = End::Open;

    while (end == End::Open) {
        if (dirty) {
            Draw(kind, text, window, typed, composing, caretOn);
            dirty = false;
        }
        const Uint32 now = SDL_GetTicks();
        const int wait = SDL_TICKS_PASSED(now, nextBlink) ? 0 : static_cast<int>(nextBlink - now);
        SDL_Event e;
        // Sleeps until an event or the next caret blink: a dialog left open
        // must not keep a core busy.
        if (SDL_WaitEventTimeout(&e, wait) == 0) {
            if (SDL_TICKS_PASSED(SDL_GetTicks(), nextBlink)) {
                nextBlink = SDL_GetTicks() + kCaretBlinkMs;
                caretOn = !caretOn;
                dirty = input;
            }
            continue;
        }
        switch (e.type) {
            case SDL_QUIT:
                host_.RequestClose();
                end = End::Cancel;
                break;
            case SDL_WINDOWEVENT:
                host_.WindowEvent(e);
                if (host_.ClosePending()) end = End::Cancel;
                break;
            case SDL_TEXTINPUT:
                if (input && typed.size() < kMaxTyped) typed += e.text.text;
                composing.clear();
                dirty = true;
                break;
            case SDL_TEXTEDITING:
                composing = e.edit.text;
                dirty = true;
                break;
            case SDL_TEXTEDITING_EXT:
                composing = e.editExt.text != nullptr ? e.editExt.text : "";
                SDL_free(e.editExt.text);
                dirty = true;
                break;
            case SDL_CONTROLLERDEVICEADDED:
            case SDL_CONTROLLERDEVICEREMOVED: host_.keys().Pad(e); break;
            // A player on a pad can answer a box: Start confirms, B cancels
            // (a message box has only OK). A, the fire button, is left out,
            // as a player firing when the game ends would close the box
            // unread.
            case SDL_CONTROLLERBUTTONDOWN:
                if (e.cbutton.button == SDL_CONTROLLER_BUTTON_START)
                    end = End::Ok;
                else if (e.cbutton.button == SDL_CONTROLLER_BUTTON_B)
                    end = input ? End::Cancel : End::Ok;
                break;
            case SDL_KEYDOWN: {
                if (host_.Shortcut(e.key)) break;
                // While the IME is composing, these keys are its own.
                if (!composing.empty()) break;
                const SDL_Keycode k = e.key.keysym.sym;
                if (k == SDLK_RETURN || k == SDLK_KP_ENTER) {
                    end = End::Ok;
                } else if (k == SDLK_ESCAPE) {
                    end = input ? End::Cancel : End::Ok;
                } else if (k == SDLK_BACKSPACE && input) {
                    EraseLastCharacter(typed);
                    dirty = true;
                }
                break;
            }
            default: break;
        }
        if (dirty) {
            caretOn = true;
            nextBlink = SDL_GetTicks() + kCaretBlinkMs;
        }
    }

    if (input) SDL_StopTextInput();
    // Neither the key that closed the box nor anything typed into it reaches
    // the game; keys still held announce themselves again by auto-repeat,
    // pad buttons when pressed again.
    host_.keys().Forget();
    // Takes the box off the screen at once, before the game draws again.
    host_.display().Show(window);
    return end == End::Ok;
}

}  // namespace molfo
