// Which language the window speaks, by GNU gettext's rules: the player's
// choice in the settings or on the command line, else the environment
// (LANGUAGE, then LC_ALL, LC_MESSAGES and LANG), with the game's own
// Japanese whenever nothing else is asked for or found.
#pragma once

#include <string>
#include <vector>

#include "i18n/Catalog.h"

namespace molfo::i18n {

// The setting that follows the environment.
inline constexpr const char* kAuto = "auto";
// The language the game is written in; it needs no catalog.
inline constexpr const char* kOwnLanguage = "ja";

struct Environment {
    std::string language;    // LANGUAGE: a priority list, "en:fr"
    std::string lcAll;       // LC_ALL
    std::string lcMessages;  // LC_MESSAGES
    std::string lang;        // LANG
    static Environment FromProcess();
};

// The language codes the environment asks for, best first, each followed by
// its language without the country ("en_GB", "en"). Empty under the C or
// POSIX locale, where gettext ignores LANGUAGE too.
std::vector<std::string> WantedLanguages(const Environment& env);

// Where a language's compiled catalog lies in the data folder.
std::string CatalogPath(const std::string& dataDir, const std::string& code);

// The languages there are catalogs for in the data folder, the game's own
// Japanese first.
std::vector<std::string> AvailableLanguages(const std::string& dataDir);

// A language's name in that language, for the settings page.
std::string LanguageName(const std::string& code);

// The catalog for a setting ("auto", "ja", "en", ...). A language asked for
// by name whose catalog cannot be read sets `warning` to one line and gives
// the game's own Japanese.
Catalog ChooseCatalog(const std::string& setting, const std::string& dataDir, const Environment& env,
                      std::string& warning);

}  // namespace molfo::i18n
