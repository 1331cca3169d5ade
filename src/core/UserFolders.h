// The user's own folders, as XDG's base directory rules name them.
#pragma once

#include <string>

namespace molfo {

// `variable` (XDG_DATA_HOME, XDG_CONFIG_HOME) when it holds an absolute path,
// else $HOME/`underHome` (".local/share", ".config"); empty without either.
// The folder itself may not exist yet.
std::string XdgFolder(const char* variable, const char* underHome);

}  // namespace molfo
