#include "settings/TomlText.h"

#include <cstdio>

namespace molfo::settings {

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned char>(c));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string ListText(const Slots& names) {
    std::string out = "[";
    for (const std::string& n : names) {
        if (n.empty()) continue;
        if (out.size() > 1) out += ", ";
        out += Quoted(n);
    }
    return out + "]";
}

}  // namespace molfo::settings
