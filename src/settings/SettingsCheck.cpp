// The check reads the text as the parser will, far enough to know what is
// inside a string or a comment (where any character is safe) and what is
// not (where the parser asks of each character whether it is white space,
// and some answers past ASCII are undefined behaviour in it). Where the two
// could disagree, the check takes the side that refuses.
#include "settings/SettingsCheck.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/ReadFile.h"

namespace molfo::settings {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800, kLastSurrogate = 0xDFFF;
constexpr char32_t kFirstC1 = 0x80, kLastC1 = 0x9F;  // the control characters past ASCII
constexpr unsigned char kDelete = 0x7F;
constexpr size_t kQuotesThatClose = 3;  // """ and '''

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
size_t QuotesAt(std::string_view s, size_t pos, char q) {
    size_t n = 0;
    while (pos + n < s.size() && s[pos + n] == q) ++n;
    return n;
}

// Whether only spaces and tabs stand between `pos` and the end of its line.
bool LineEndsHere(std::string_view s, size_t pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    return pos >= s.size() || s[pos] == '\n' || (s[pos] == '\r' && pos + 1 < s.size() && s[pos + 1] == '\n');
}

bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

// What ends a bare value (a number, a date, true) for the parser; anything
// else, quotes and '=' too, it reads on as part of the value.
bool EndsBareValue(unsigned char b) { return IsBlank(b) || b == ']' || b == '}' || b == ',' || b == '#'; }

class Scanner {
public:
    explicit Scanner(std::string_view text) : t_(text) {}
    std::string Run();

private:
    enum class In { Code, Comment, Basic, Literal, MultiBasic, MultiLiteral };
    // Where the parser stands outside strings: reading a key, waiting for a
    // value, or after one.
    enum class At { Key, Value, AfterValue };

    std::string Say(const std::string& what) const { return "line " + std::to_string(line_) + ": " + what; }
    std::string NewLine();
    std::string CodeByte(unsigned char b);
    std::string Open(char bracket);
    void Close(char bracket);
    void StringByte(unsigned char b);
    std::string BasicByte(unsigned char b);
    // Where the parser stands at the start of a line.
    At LineStart() const { return !open_.empty() && open_.back() == 'a' ? At::Value : At::Key; }

    std::string_view t_;
    size_t i_ = 0;
    size_t lineStart_ = 0;
    int line_ = 1;
    int dots_ = 0;
    In in_ = In::Code;
    At at_ = At::Key;
    bool bareValue_ = false;  // inside a bare value
    bool skipping_ = false;   // after a line-ending backslash in a multi-line string
    std::vector<char> open_;  // 'a' an array, '{' an inline table, 'h' a table's header
};

std::string Scanner::Run() {
    if (t_.substr(0, kByteOrderMark.size()) == kByteOrderMark) i_ = lineStart_ = kByteOrderMark.size();
    for (; i_ < t_.size(); ++i_) {
        const auto b = static_cast<unsigned char>(t_[i_]);
        if (b >= 0x80) {
            char32_t cp = 0;
            const size_t len = Utf8At(t_, i_, cp);
            if (len == 0) return Say("bytes that are not UTF-8");
            if (cp >= kFirstC1 && cp <= kLastC1) return Say("a control character");
            if (in_ == In::Code) return Say("a character past ASCII outside quotes and comments");
            if (skipping_) return Say("a character past ASCII after a line-ending backslash");
            i_ += len - 1;
            continue;
        }
        if (b == '\n' || (b == '\r' && i_ + 1 < t_.size() && t_[i_ + 1] == '\n')) {
            if (b == '\r') ++i_;
            if (std::string e = NewLine(); !e.empty()) return e;
            continue;
        }
        if ((b < 0x20 && b != '\t') || b == kDelete) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", b);
            return Say(std::string("a control character (") + hex + ")");
        }
        std::string e;
        switch (in_) {
            case In::Code: e = CodeByte(b); break;
            case In::Comment: break;
            case In::Basic:
            case In::MultiBasic: e = BasicByte(b); break;
            case In::Literal:
            case In::MultiLiteral: StringByte(b); break;
        }
        if (!e.empty()) return e;
    }
    if (i_ - lineStart_ > kMostLineBytes) return Say("longer than " + SizeText(kMostLineBytes));
    return {};
}

std::string Scanner::NewLine() {
    if (i_ - lineStart_ > kMostLineBytes) return Say("longer than " + SizeText(kMostLineBytes));
    ++line_;
    lineStart_ = i_ + 1;
    dots_ = 0;
    bareValue_ = false;
    // A comment ends with its line; so does a one-line string, which the
    // parser then refuses; so does a header, closed or not.
    if (in_ == In::Comment || in_ == In::Basic || in_ == In::Literal) in_ = In::Code;
    while (!open_.empty() && open_.back() == 'h') open_.pop_back();
    if (in_ == In::Code) at_ = LineStart();
    return {};
}

std::string Scanner::Open(char bracket) {
    open_.push_back(bracket);
    if (static_cast<int>(open_.size()) > kMostNesting)
        return Say("brackets nested more than " + std::to_string(kMostNesting) + " deep");
    return {};
}

void Scanner::Close(char bracket) {
    if (!open_.empty() && open_.back() == bracket) open_.pop_back();
}

std::string Scanner::CodeByte(unsigned char b) {
    if (b == '.' && ++dots_ > kMostDots)
        return Say("more than " + std::to_string(kMostDots) + " dots, more than any setting's name has");
    if (bareValue_) {
        if (!EndsBareValue(b)) return {};
        bareValue_ = false;
        at_ = At::AfterValue;
    }
    if (IsBlank(b)) return {};
    if (b == '#') {
        in_ = In::Comment;
        return {};
    }
    if (b == '"' || b == '\'') {
        const bool multi = QuotesAt(t_, i_, static_cast<char>(b)) >= kQuotesThatClose;
        in_ = b == '"' ? (multi ? In::MultiBasic : In::Basic) : (multi ? In::MultiLiteral : In::Literal);
        if (multi) i_ += kQuotesThatClose - 1;
        // A quoted key leaves the parser reading the key; a string value is a value.
        if (at_ != At::Key) at_ = At::AfterValue;
        return {};
    }
    switch (at_) {
        case At::Key:
            if (b == '=') at_ = At::Value;
            if (b == '[' && (open_.empty() || open_.back() == 'h')) return Open('h');
            if (b == ']') Close('h');
            if (b == '}') {
                Close('{');
                at_ = At::AfterValue;
            }
            return {};
        case At::Value:
            if (b == '[') return Open('a');
            if (b == '{') {
                at_ = At::Key;
                return Open('{');
            }
            if (b == ']' || b == '}') {
                Close(b == ']' ? 'a' : '{');
                at_ = At::AfterValue;
                return {};
            }
            if (b != ',') bareValue_ = true;
            return {};
        case At::AfterValue:
            if (b == ',') {
                at_ = !open_.empty() && open_.back() == '{' ? At::Key : At::Value;
            } else if (b == ']' || b == '}') {
                Close(b == ']' ? 'a' : '{');
            } else {
                // The parser refuses it; until then it may read on as above.
                bareValue_ = true;
            }
            return {};
    }
    return {};
}

void Scanner::StringByte(unsigned char b) {
    const char quote = in_ == In::Literal || in_ == In::MultiLiteral ? '\'' : '"';
    if (b != static_cast<unsigned char>(quote)) return;
    const size_t n = QuotesAt(t_, i_, quote);
    if (in_ == In::Basic || in_ == In::Literal) {
        in_ = In::Code;
        return;
    }
    // Up to two quotes before the closing three belong to the string.
    if (n >= kQuotesThatClose) in_ = In::Code;
    i_ += n - 1;
}

std::string Scanner::BasicByte(unsigned char b) {
    if (IsBlank(b)) return {};
    skipping_ = false;
    if (b != '\\') {
        StringByte(b);
        return {};
    }
    // An escaped quote does not close the string. The parser asks of an
    // escaped character whether it is white space, which it cannot tell
    // safely past ASCII.
    if (i_ + 1 < t_.size() && static_cast<unsigned char>(t_[i_ + 1]) >= 0x80)
        return Say("a character past ASCII after a backslash");
    // A backslash before white space has the parser skip it (to a line's
    // end, or it refuses the file), asking the same of every character.
    if (in_ == In::MultiBasic && (LineEndsHere(t_, i_ + 1) || IsBlank(static_cast<unsigned char>(t_[i_ + 1]))))
        skipping_ = true;
    else if (i_ + 1 < t_.size() && t_[i_ + 1] >= 0x20 && t_[i_ + 1] < kDelete)
        ++i_;
    return {};
}

}  // namespace

std::string Unfit(std::string_view text) {
    if (text.size() > kMostFileBytes) return "larger than " + SizeText(kMostFileBytes) + ", more than any settings file";
    return Scanner(text).Run();
}

}  // namespace molfo::settings
