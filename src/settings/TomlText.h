// Values as the settings file spells them: what the page writes into the
// player's file and what a problem line quotes, written by our own code
// (toml++'s own layout of some values reaches undefined behaviour).
#pragma once

#include <string>
#include <string_view>

#include "settings/Settings.h"

namespace molfo::settings {

// A basic string, as players write them ("Left", not toml++'s 'Left').
std::string Quoted(std::string_view s);
// A list of the names given, blanks left out: ["Left", "A"].
std::string ListText(const Slots& names);

}  // namespace molfo::settings
