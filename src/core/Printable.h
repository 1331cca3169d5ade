// Text from outside (a file's line, a command-line value, a path) made safe
// to repeat in a message: control bytes and broken UTF-8 shown escaped, so no
// escape sequence reaches the terminal, and a long text cut short.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace molfo {

// Valid UTF-8 other than control characters is kept as it is; everything
// else becomes \n, \t, \r, \e or \xNN. Past `maxBytes` of the original the
// rest is dropped and "... (N bytes)" says how long it was.
std::string Printable(std::string_view raw, size_t maxBytes = 120);

}  // namespace molfo
