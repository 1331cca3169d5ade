// The modal input and message boxes in the page. They look as in the
// window (drawn over the composed window by render/DialogView), but the
// text comes from a hidden text field, so the browser's input methods,
// Japanese included, type into it.
#include <array>
#include <vector>

#include "platform/web/WebImports.h"
#include "platform/web/WebPlatform.h"
#include "render/DialogView.h"
#include "render/Text.h"

namespace molfo {

namespace {

constexpr uint32_t kCaretBlinkMs = 500;
// The field is read this often while a box is open; typing feels immediate
// and an open box costs next to nothing.
constexpr int kPollMs = 16;
constexpr int kTextCap = 1024;
constexpr int kStandardB = 1;
constexpr int kStandardStart = 9;

}  // namespace

std::string WebPlatform::InputBox(const std::string& prompt, const Surface& window) {
    std::string typed;
    if (!RunBox(BoxKind::Input, prompt, window, typed)) return {};
    return typed;
}

void WebPlatform::MessageBox(const std::string& text, const Surface& window) {
    std::string unused;
    RunBox(BoxKind::Message, text, window, unused);
}

bool WebPlatform::RunBox(BoxKind kind, const std::string& text, const Surface& window, std::string& typed) {
    if (!boxText_) {
        // A name may hold any character of CP932: the boxes draw with the
        // whole font, which the page fetches after the title.
        if (nameFont_.empty()) {
            boxText_ = std::make_unique<TextRenderer>();
        } else {
            Need(nameFont_);
            boxText_ = std::make_unique<TextRenderer>(nameFont_);
        }
    }
    const bool input = kind == BoxKind::Input;
    // Keys typed into the box belong to it, not to the game.
    TakeKeys();
    keys_.Forget();
    pads_.Forget();
    molfo_box_open(input ? 1 : 0);
    std::array<char, kTextCap> field{}, comp{};
    std::string shownTyped = "\x01", shownComposing;
    bool caretOn = true, shownCaret = false;
    uint32_t nextBlink = clock_.Ticks() + kCaretBlinkMs;
    int status = 0;
    std::vector<int> padDown;
    for (;;) {
        status = molfo_box_poll(field.data(), kTextCap, comp.data(), kTextCap);
        // A pad's Start confirms and its B cancels, as in the window.
        padDown.clear();
        PollPads(&padDown);
        for (int b : padDown) {
            if (b == kStandardStart) status = 1;
            else if (b == kStandardB) status = input ? 2 : 1;
        }
        if (status != 0) break;
        const std::string now(field.data()), composing(comp.data());
        if (now != shownTyped || composing != shownComposing) {
            caretOn = true;  // typing shows the caret at once
            nextBlink = clock_.Ticks() + kCaretBlinkMs;
        } else if (static_cast<int32_t>(clock_.Ticks() - nextBlink) >= 0) {
            caretOn = !caretOn;
            nextBlink = clock_.Ticks() + kCaretBlinkMs;
        }
        if (now != shownTyped || composing != shownComposing || caretOn != shownCaret) {
            boxBuffer_ = window;
            if (input)
                DrawInputBox(boxBuffer_, *boxText_, *words_, text, now, composing, caretOn);
            else
                DrawMessageBox(boxBuffer_, *boxText_, *words_, text);
            Present(boxBuffer_, {});
            molfo_box_caret(caretOn ? 1 : 0);
            shownTyped = now;
            shownComposing = composing;
            shownCaret = caretOn;
        }
        molfo_sleep(kPollMs);
    }
    typed = field.data();
    molfo_box_close();
    // Neither the key that closed the box nor anything typed into it
    // reaches the game.
    TakeKeys();
    keys_.Forget();
    pads_.Forget();
    // Takes the box off the screen at once, before the game draws again.
    Present(window, {});
    return status == 1;
}

}  // namespace molfo
