// The player's settings, kept between runs in a TOML file in the user's
// configuration folder: the volumes, the keys and pad buttons of every
// action, the scale mode, whether to start full screen, and the language.
// A value the game cannot use falls back to its default with one line
// naming the key and the default; nothing in the file ever stops the game.
// Command-line options win over the file for one run.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace molfo::settings {

// What the player can bind a key or a pad button to: each stands for one of
// the virtual keys the game asks about.
enum Action : uint8_t { Left, Right, Up, Down, Fire, FireAlt, Item, ItemEveryFrame, NextItem, Start, Quit, kActions };

inline constexpr int kSlots = 2;  // keys (and pad buttons) an action may have
using Slots = std::array<std::string, kSlots>;  // an empty name is no key

// Columns: the key in the file, the action's name in the settings page, the
// virtual key it holds, the default keys, the default pad buttons.
struct ActionRow {
    const char* key;
    const char* label;
    int vk;
    std::array<const char*, kSlots> keys;
    std::array<const char*, kSlots> pad;
};
extern const std::array<ActionRow, kActions> kActionTable;

// The pad buttons by the names SDL gives them, in its numbering.
inline constexpr std::array<const char*, 15> kPadButtons{
    "a",    "b",         "x",          "y",            "back",          "guide",  "start",  "leftstick",
    "rightstick", "leftshoulder", "rightshoulder", "dpup", "dpdown", "dpleft", "dpright"};
// The pad button's number, or -1.
int PadButton(std::string_view name);

// Keys that are the window's own and never reach the game.
bool Reserved(std::string_view keyName);

// An online table's address as a setting holds it: http:// or https://, a
// host, no spaces or control characters, at most kMaxServerBytes.
inline constexpr size_t kMaxServerBytes = 200;
bool IsServerAddress(std::string_view address);

inline constexpr int kMaxVolume = 100;

struct Settings {
    int musicVolume = kMaxVolume;   // 0..100, 100 the game's own level
    int effectVolume = kMaxVolume;
    std::string scaleMode = "integer";  // or "fit"
    bool fullscreen = false;
    std::string language = "auto";  // auto (from the environment), ja, en, ...
    std::array<Slots, kActions> keys{};
    std::array<Slots, kActions> pad{};
    // The online table a finished game is sent to, and whether it is: the
    // player's choice, so nothing leaves the machine unless both are set.
    std::string server;  // "" for none, or an http:// or https:// address
    bool sendRuns = false;

    // Everything as the game has always been.
    static Settings Defaults();
    bool operator==(const Settings&) const = default;
};

// $XDG_CONFIG_HOME/molfo/settings.toml (an absolute XDG_CONFIG_HOME), else
// ~/.config/molfo/settings.toml; empty without a home folder.
std::string DefaultPath();

// Whether a key name is one the keyboard has (the window's back end knows).
using KeyCheck = std::function<bool(const std::string& name)>;

struct Loaded {
    Settings settings;
    std::vector<std::string> problems;  // one line each, without the "molfo: " prefix
    enum class Source {
        Missing,     // no file: the defaults
        Read,        // read and parsed, perhaps with values the game cannot use
        Broken,      // read, but not TOML, or holding what no settings file holds
        Unreadable,  // there, but not a file that can be read (no permission, a pipe, a loop of links)
    };
    Source source = Source::Missing;
    std::string text;  // the file as read, when Read: edited in place on saving
};

// Reads settings from TOML text; `where` names the file in the lines.
Loaded Parse(std::string_view text, const std::string& where, const KeyCheck& isKey);
// Reads the file; a missing one gives the defaults and no line.
Loaded Load(const std::string& path, const KeyCheck& isKey);

// The TOML text of the settings, with a comment on how to edit it.
std::string Serialize(const Settings& s);
// Writes the whole file (its folder made when missing) through a temporary
// file. Returns an empty text, or one line saying what went wrong.
std::string Save(const std::string& path, const Settings& s);

// `text` (a file that parsed) with the values that differ between `before`
// and `after` written in, and nothing else touched: the player's comments,
// order, spacing and keys the game does not know stay as they were. Where
// that cannot be done (a table written inline that lacks the key) the file
// is written again by toml++, keeping every key and value but not the
// comments; where even that cannot be done, the result is a whole new file
// and `whole` (when given) says so. `after` is always what the result reads as.
std::string Edit(const std::string& text, const Settings& before, const Settings& after, const KeyCheck& isKey,
                 bool* whole = nullptr);

struct Saved {
    bool written = false;
    std::string problem;  // one line when the change was not saved
    std::string keptAs;   // where a broken file was kept before being replaced
};
// Saves what the settings page changed, and only that: nothing at all when
// `after` is what was loaded. A file that could not be read is never
// written over; one that was not TOML, or that must be written afresh, is
// kept beside as "settings.toml.bad" first. A link is written through, to
// the file it names.
Saved SaveChanges(const std::string& path, const Loaded& loaded, const Settings& after, const KeyCheck& isKey);

// What the settings page says about the file it will save to, in the
// game's words; empty when there is nothing to say.
std::string PageNote(const Loaded& loaded);

}  // namespace molfo::settings
