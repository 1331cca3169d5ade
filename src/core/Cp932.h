// Text in code page 932, the character set of the ranking file's names, to
// and from the game's UTF-8.
//
// Code page 932 rather than plain Shift-JIS: names typed on the system the
// file comes from use its extra characters (circled digits, the wave dash as
// U+FF5E, ...), and plain Shift-JIS converters refuse them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace molfo {

// The UTF-8 text as code-page-932 bytes, at most maxBytes of them. The text
// is cut before the first character that would not fit whole, so a
// double-byte character is never split into a stray lead byte. Characters
// the code page lacks, control characters and broken UTF-8 become '?', one
// for each, so a reader still sees where they were.
std::string Cp932FromUtf8(std::string_view utf8, size_t maxBytes);

// Code-page-932 bytes, from anywhere, as UTF-8: a byte or pair with no
// character and a control character become '?', and a NUL a space, so text
// laid out in columns keeps them.
std::string Utf8FromCp932(std::string_view cp932);

}  // namespace molfo
