#include "core/UserFolders.h"

#include <cstdlib>

namespace molfo {

std::string XdgFolder(const char* variable, const char* underHome) {
    const char* xdg = std::getenv(variable);
    // The rules ignore a relative path in the variable.
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return {};
    std::string base = home;
    if (base.back() != '/') base += '/';
    return base + underHome;
}

}  // namespace molfo
