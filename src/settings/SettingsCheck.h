// What no real settings file holds, refused before the TOML parser sees
// it: a settings file is the player's own, but it is also the first thing
// the game reads, and the parser trusts more than it should (a key of
// thousands of dots runs it out of stack, some characters after a bare key
// reach undefined behaviour). A file the check refuses costs one line and
// the defaults, like a file that is not TOML at all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace molfo::settings {

inline constexpr size_t kMostFileBytes = 64 * 1024;  // a real one is a few dozen lines
inline constexpr size_t kMostLineBytes = 4 * 1024;
inline constexpr int kMostDots = 8;     // in one line, outside quotes and comments
inline constexpr int kMostNesting = 8;  // brackets and braces open at once

// Empty when the text may be parsed; otherwise what is wrong and where
// ("line 3: a control character (0x00)"). Besides the limits above it
// refuses bytes that are not UTF-8, control characters but tab and line
// ends, and characters past ASCII outside quotes and comments (no name of a
// setting has one) or where a string's backslash has the parser look at
// them. A byte-order mark may open the file.
std::string Unfit(std::string_view text);

}  // namespace molfo::settings
