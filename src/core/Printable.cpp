#include "core/Printable.h"

#include <cstdio>

namespace molfo {

namespace {

// Bytes of the well-formed UTF-8 character at `pos` (no overlongs, no
// surrogates, nothing past U+10FFFF); 0 when it is not one.
size_t Utf8Char(std::string_view s, size_t pos) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[pos + i]); };
    const unsigned char lead = b(0);
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) len = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (pos + len > s.size() || b(1) < lo || b(1) > hi) return 0;
    for (size_t i = 2; i < len; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    // C1 controls (U+0080..U+009F) steer terminals as well.
    if (len == 2 && lead == 0xC2 && b(1) <= 0x9F) return 0;
    return len;
}

}  // namespace

std::string Printable(std::string_view raw, size_t maxBytes) {
    std::string out;
    size_t i = 0;
    while (i < raw.size() && i < maxBytes) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (const size_t len = c >= 0x80 ? Utf8Char(raw, i) : 0; len > 0) {
            out.append(raw.substr(i, len));
            i += len;
            continue;
        }
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case 0x1B: out += "\\e"; break;
            default: {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            }
        }
        ++i;
    }
    if (i < raw.size()) out += "... (" + std::to_string(raw.size()) + " bytes)";
    return out;
}

}  // namespace molfo
