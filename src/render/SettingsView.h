// The settings page, drawn over the composed window like the boxes are, so
// it is part of the one buffer a back end shows.
#pragma once

#include <string>

#include "i18n/Catalog.h"
#include "render/Surface.h"
#include "settings/SettingsPage.h"

namespace molfo {

class TextRenderer;

// Dims `window` (which holds the composed window) and draws the page over
// it in the catalog's language. `caretOn` blinks the cell waiting for a key.
void DrawSettingsPage(Surface& window, TextRenderer& text, const i18n::Catalog& words, const settings::Page& page,
                      bool caretOn);

// A pad button's name as a player reads it ("dpleft" is "D-pad left").
std::string PadButtonLabel(const std::string& name);

}  // namespace molfo
