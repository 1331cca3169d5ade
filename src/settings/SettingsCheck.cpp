#include "settings/SettingsCheck.h"

#include <cstdint>
#include <cstdio>

#include "core/ReadFile.h"

namespace molfo::settings {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800, kLastSurrogate = 0xDFFF;
constexpr char32_t kFirstC1 = 0x80, kLastC1 = 0x9F;  // the control characters past ASCII
constexpr unsigned char kDelete = 0x7F;
constexpr int kQuotesThatClose = 3;  // """ and '''

// The length of the UTF-8 sequence at `pos` and its code point; 0 when the
// bytes are not UTF-8 (overlong forms and surrogates included).
size_t Utf8At(std::string_view s, size_t pos, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    size_t len = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        len = 2, cp = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        len = 3, cp = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        len = 4, cp = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (pos + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[pos + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < least || cp > kLastCodePoint || (cp >= kFirstSurrogate && cp <= kLastSurrogate)) return 0;
    return len;
}

// How many of `q` stand in a row from `pos`.
size_t Run(std::string_view s, size_t pos, char q) {
    size_t n = 0;
    while (pos + n < s.size() && s[pos + n] == q) ++n;
    return n;
}

// Whether only spaces and tabs stand between `pos` and the end of its line.
bool LineEndsHere(std::string_view s, size_t pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    return pos >= s.size() || s[pos] == '\n' || (s[pos] == '\r' && pos + 1 < s.size() && s[pos + 1] == '\n');
}

std::string At(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

// Whether a quote after `last` (the line's last character outside strings
// and comments) opens a string for the parser too: where a key or a value
// may begin. Anywhere else (after a number, say) the parser reads it, and
// what follows it, as part of the word before, and so must this check.
bool OpensString(char last, bool lineBlank, bool sawEquals) {
    return lineBlank || last == '=' || last == '[' || last == ',' || last == '{' || (last == '.' && !sawEquals);
}

}  // namespace

std::string Unfit(std::string_view text) {
    if (text.size() > kMostFileBytes)
        return "larger than " + SizeText(kMostFileBytes) + ", more than any settings file";
    enum class In { Code, Comment, Basic, Literal, MultiBasic, MultiLiteral } in = In::Code;
    size_t i = text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
    size_t lineStart = i;
    int line = 1, dots = 0, nesting = 0;
    char last = '\n';
    bool lineBlank = true, sawEquals = false;
    // After a line-ending backslash in a multi-line string the parser skips
    // white space, asking of each character whether it is some.
    bool skipping = false;
    for (; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80) {
            char32_t cp = 0;
            const size_t len = Utf8At(text, i, cp);
            if (len == 0) return At(line, "bytes that are not UTF-8");
            if (cp >= kFirstC1 && cp <= kLastC1) return At(line, "a control character");
            if (in == In::Code) return At(line, "a character past ASCII outside quotes and comments");
            if (skipping) return At(line, "a character past ASCII after a line-ending backslash");
            i += len - 1;
            continue;
        }
        if (b == '\n' || (b == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            if (b == '\r') ++i;
            if (i - lineStart > kMostLineBytes) return At(line, "longer than " + SizeText(kMostLineBytes));
            ++line;
            lineStart = i + 1;
            dots = 0;
            lineBlank = true;
            sawEquals = false;
            // A comment ends with its line; so does a one-line string,
            // which the parser then refuses.
            if (in == In::Comment || in == In::Basic || in == In::Literal) in = In::Code;
            continue;
        }
        if ((b < 0x20 && b != '\t') || b == kDelete) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", b);
            return At(line, std::string("a control character (") + hex + ")");
        }
        switch (in) {
            case In::Code:
                if (b == ' ' || b == '\t') break;
                if (b == '#') {
                    in = In::Comment;
                    break;
                }
                if ((b == '"' || b == '\'') && OpensString(last, lineBlank, sawEquals)) {
                    const bool multi = Run(text, i, static_cast<char>(b)) >= kQuotesThatClose;
                    in = b == '"' ? (multi ? In::MultiBasic : In::Basic) : (multi ? In::MultiLiteral : In::Literal);
                    if (multi) i += kQuotesThatClose - 1;
                    last = static_cast<char>(b);
                    lineBlank = false;
                    break;
                }
                last = static_cast<char>(b);
                lineBlank = false;
                if (b == '=') {
                    sawEquals = true;
                } else if (b == '.' && ++dots > kMostDots) {
                    return At(line, "more than " + std::to_string(kMostDots) + " dots, more than any setting's name has");
                } else if ((b == '[' || b == '{') && ++nesting > kMostNesting) {
                    return At(line, "brackets nested more than " + std::to_string(kMostNesting) + " deep");
                } else if ((b == ']' || b == '}') && nesting > 0) {
                    --nesting;
                }
                break;
            case In::Comment: break;
            case In::Basic:
            case In::MultiBasic:
                // An escaped quote does not close the string. The parser
                // asks of an escaped character whether it is white space,
                // which it cannot tell safely past ASCII.
                if (b == ' ' || b == '\t') break;
                skipping = false;
                if (b == '\\') {
                    if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80)
                        return At(line, "a character past ASCII after a backslash");
                    if (in == In::MultiBasic && LineEndsHere(text, i + 1)) {
                        skipping = true;
                    } else if (i + 1 < text.size() && text[i + 1] >= 0x20 && text[i + 1] < kDelete) {
                        ++i;
                    }
                } else if (b == '"') {
                    const size_t n = Run(text, i, '"');
                    if (in == In::Basic) {
                        in = In::Code;
                    } else if (n >= kQuotesThatClose) {
                        // Up to two quotes before the closing three belong to the string.
                        in = In::Code;
                        i += n - 1;
                    } else {
                        i += n - 1;
                    }
                }
                break;
            case In::Literal:
            case In::MultiLiteral:
                if (b == '\'') {
                    const size_t n = Run(text, i, '\'');
                    if (in == In::Literal) {
                        in = In::Code;
                    } else if (n >= kQuotesThatClose) {
                        in = In::Code;
                        i += n - 1;
                    } else {
                        i += n - 1;
                    }
                }
                break;
        }
    }
    if (i - lineStart > kMostLineBytes) return At(line, "longer than " + SizeText(kMostLineBytes));
    return {};
}

}  // namespace molfo::settings
