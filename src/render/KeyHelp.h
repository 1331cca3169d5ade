// The key help beside the playfield. The game writes it into the window's
// label in its own words, naming the default keys, and its state keeps it
// so; the window draws each line naming the keys the player has bound.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "settings/Settings.h"

namespace molfo {

// The help during play, and on the end screens.
std::string PlayHelp();
std::string EndHelp();

class KeyHelp {
public:
    // The default keys: every line as the game wrote it.
    KeyHelp() = default;
    explicit KeyHelp(const settings::Settings& bound);

    // The caption with every line that names a default key naming the keys
    // bound instead, still in the game's words for the catalog to translate.
    std::string Apply(const std::string& caption) const;
    bool operator==(const KeyHelp&) const = default;

private:
    std::vector<std::pair<std::string, std::string>> lines_;  // as written, as drawn
};

}  // namespace molfo
