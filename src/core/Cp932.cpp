#include "core/Cp932.h"

#include <iconv.h>

namespace molfo {

namespace {

constexpr const char* kCharset = "CP932";

// Owns one conversion descriptor for the length of a call.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (Ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts exactly one character's bytes; false when the character has
    // no form in the target set. `out` receives at most `cap` bytes.
    bool One(const char* in, size_t inLen, char* out, size_t cap, size_t& outLen) {
        char* src = const_cast<char*>(in);  // iconv's signature, it does not write
        char* dst = out;
        size_t left = inLen;
        size_t room = cap;
        const size_t r = iconv(cd_, &src, &left, &dst, &room);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state after an error
        if (r == static_cast<size_t>(-1) || left != 0) return false;
        outLen = cap - room;
        return true;
    }

private:
    iconv_t cd_;
};

// Bytes of the UTF-8 character at `pos`; 1 for a stray or broken sequence,
// so that it costs one replacement, not the characters after it.
size_t Utf8Length(std::string_view s, size_t pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    size_t len = 1;
    if ((lead & 0xE0) == 0xC0) len = 2;
    else if ((lead & 0xF0) == 0xE0) len = 3;
    else if ((lead & 0xF8) == 0xF0) len = 4;
    if (pos + len > s.size()) return 1;
    for (size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[pos + k]) & 0xC0) != 0x80) return 1;
    return len;
}

bool IsCp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

}  // namespace

std::string Cp932FromUtf8(std::string_view utf8, size_t maxBytes) {
    std::string out;
    Converter cv(kCharset, "UTF-8");
    size_t pos = 0;
    while (pos < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        const size_t len = Utf8Length(utf8, pos);
        char enc[4];
        size_t encLen = 0;
        if (lead < 0x80) {
            enc[0] = IsControl(lead) ? '?' : static_cast<char>(lead);
            encLen = 1;
        } else if (!cv.Ok() || !cv.One(utf8.data() + pos, len, enc, sizeof enc, encLen)) {
            enc[0] = '?';
            encLen = 1;
        }
        if (out.size() + encLen > maxBytes) break;
        out.append(enc, encLen);
        pos += len;
    }
    return out;
}

std::string Utf8FromCp932(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3);
    Converter cv("UTF-8", kCharset);
    size_t i = 0;
    while (i < cp932.size()) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (b == 0) {
            out += ' ';
            ++i;
            continue;
        }
        if (b < 0x80) {
            out += IsControl(b) ? '?' : static_cast<char>(b);
            ++i;
            continue;
        }
        const size_t len = (IsCp932Lead(b) && i + 1 < cp932.size()) ? 2 : 1;
        char dec[8];
        size_t decLen = 0;
        if (cv.Ok() && cv.One(cp932.data() + i, len, dec, sizeof dec, decLen)) {
            out.append(dec, decLen);
            i += len;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

}  // namespace molfo
