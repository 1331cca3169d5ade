// The modal input and message boxes, drawn over the composed window so that
// they are part of the one buffer a back end shows.
#pragma once

#include <string>

#include "render/Surface.h"

namespace molfo {

class TextRenderer;

// Draws an input box (prompt, the text typed so far, OK and Cancel) centred
// over `window`, which already holds the composed window.
void DrawInputBox(Surface& window, TextRenderer& text, const std::string& prompt, const std::string& typed,
                  const std::string& composing, bool caretOn);
// Draws a message box with an OK button.
void DrawMessageBox(Surface& window, TextRenderer& text, const std::string& message);

}  // namespace molfo
