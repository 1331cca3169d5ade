// The player's settings as the page keeps them in the browser's storage:
// "name=value" lines, the same names as the desktop's settings file. A line
// the page cannot use keeps its default, as a bad value in the file does.
#pragma once

#include <string>
#include <string_view>

#include "settings/Settings.h"

namespace molfo::settings {

std::string SettingsToText(const settings::Settings& s);
settings::Settings SettingsFromText(std::string_view text, const settings::KeyCheck& isKey);

}  // namespace molfo::settings
