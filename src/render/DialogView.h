// The modal input and message boxes, drawn over the composed window so that
// they are part of the one buffer a back end shows.
#pragma once

#include <string>

#include "i18n/Catalog.h"
#include "render/Surface.h"

namespace molfo {

class TextRenderer;

// Draws an input box (prompt, the text typed so far, OK and Cancel) centred
// over `window`, which already holds the composed window. The prompt and the
// buttons are put into the catalog's language; what was typed never is.
void DrawInputBox(Surface& window, TextRenderer& text, const i18n::Catalog& words, const std::string& prompt,
                  const std::string& typed, const std::string& composing, bool caretOn);
// Draws a message box with an OK button.
void DrawMessageBox(Surface& window, TextRenderer& text, const i18n::Catalog& words, const std::string& message);

}  // namespace molfo
