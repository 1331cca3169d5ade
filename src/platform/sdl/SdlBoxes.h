// The modal name box and message box, drawn over the window as the game
// last composed it (render/DialogView).
#pragma once

#include <string>

#include "platform/Platform.h"
#include "render/Surface.h"

namespace molfo {

class ModalHost;

class SdlBoxes final : public Dialogs {
public:
    explicit SdlBoxes(ModalHost& host) : host_(host) {}
    SdlBoxes(const SdlBoxes&) = delete;
    SdlBoxes& operator=(const SdlBoxes&) = delete;

    std::string InputBox(const std::string& prompt, const Surface& window) override;
    void MessageBox(const std::string& text, const Surface& window) override;
    // The input box with `text` in it to begin with; false when cancelled,
    // `text` then left as it was.
    bool EditText(const std::string& prompt, const Surface& window, std::string& text);

private:
    enum class BoxKind { Input, Message };
    // The modal loop of both boxes. Returns true when confirmed.
    bool Run(BoxKind kind, const std::string& text, const Surface& window, std::string& typed);
    void Draw(BoxKind kind, const std::string& text, const Surface& window, const std::string& typed,
              const std::string& composing, bool caretOn);

    ModalHost& host_;
    // The box is drawn over a copy of the composed window; kept so that a
    // box's frames reuse one buffer.
    Surface boxBuffer_;
};

}  // namespace molfo
