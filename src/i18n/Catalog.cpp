#include "i18n/Catalog.h"

#include <cstring>

#include "core/ReadFile.h"

namespace molfo::i18n {

namespace {

constexpr uint32_t kMoMagic = 0x950412deu;
// The game's catalogs hold a few hundred short messages; anything near this
// is not one of them.
constexpr size_t kMaxMoBytes = 4u * 1024u * 1024u;

uint32_t Word(std::span<const uint8_t> b, size_t at, bool swapped) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    if (swapped) v = __builtin_bswap32(v);
    return v;
}

}  // namespace

std::string Format(std::string_view tmpl, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < tmpl.size(); ++i) {
        const char c = i + 1 < tmpl.size() && tmpl[i] == '%' ? tmpl[i + 1] : '\0';
        if (c == '%') {
            out += '%';
            ++i;
        } else if ((c == 'd' || c == 's') && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += tmpl[i];
        }
    }
    return out;
}

std::string Fill(std::string_view tmpl, long long number) { return Format(tmpl, {std::to_string(number)}); }

bool Catalog::ParseMo(std::span<const uint8_t> b, Catalog& out, std::string& error) {
    out = Catalog{};
    if (b.size() < 28) {
        error = "too short for a message catalog";
        return false;
    }
    uint32_t magic = 0;
    std::memcpy(&magic, b.data(), 4);
    const bool swapped = magic == __builtin_bswap32(kMoMagic);
    if (magic != kMoMagic && !swapped) {
        error = "not a GNU message catalog (.mo)";
        return false;
    }
    if ((Word(b, 4, swapped) >> 16) != 0) {
        error = "a message catalog of an unknown revision";
        return false;
    }
    const uint64_t n = Word(b, 8, swapped), orig = Word(b, 12, swapped), trans = Word(b, 16, swapped);
    auto str = [&](uint64_t table, uint64_t i, std::string& s) {
        const uint64_t entry = table + 8 * i;
        if (entry + 8 > b.size()) return false;
        const uint64_t len = Word(b, entry, swapped), off = Word(b, entry + 4, swapped);
        // Every string is followed by its NUL.
        if (off + len + 1 > b.size() || b[off + len] != 0) return false;
        s.assign(reinterpret_cast<const char*>(b.data() + off), len);
        return true;
    };
    for (uint64_t i = 0; i < n; ++i) {
        std::string id, text;
        if (!str(orig, i, id) || !str(trans, i, text)) {
            error = "message " + std::to_string(i) + " lies outside the catalog";
            out = Catalog{};
            return false;
        }
        if (id.empty()) continue;  // the header
        // A message with a context or a plural: the game uses neither, so
        // only the singular form without its context is kept.
        if (const size_t ctx = id.find('\x04'); ctx != std::string::npos) continue;
        id = id.substr(0, id.find('\0'));
        text = text.substr(0, text.find('\0'));
        if (!text.empty()) out.Add(std::move(id), std::move(text));
    }
    return true;
}

bool Catalog::LoadMo(const std::string& path, Catalog& out, std::string& error) {
    std::string bytes;
    if (!ReadFileLimited(path, kMaxMoBytes, bytes, error)) return false;
    if (!ParseMo({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<Catalog::Piece> Catalog::Split(std::string_view f) {
    std::vector<Piece> out;
    std::string text;
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] == '%' && i + 1 < f.size()) {
            const char c = f[i + 1];
            if (c == '%' || c == 'd' || c == 's') {
                ++i;
                if (c == '%') {
                    text += '%';
                    continue;
                }
                if (!text.empty()) out.push_back({Piece::Text, std::move(text)});
                text.clear();
                out.push_back({c == 'd' ? Piece::Number : Piece::Any, {}});
                continue;
            }
        }
        text += f[i];
    }
    if (!text.empty()) out.push_back({Piece::Text, std::move(text)});
    return out;
}

void Catalog::Add(std::string msgid, std::string msgstr) {
    if (msgid.find('%') != std::string::npos) {
        Pattern p{Split(msgid), Split(msgstr)};
        size_t holesFrom = 0, holesTo = 0;
        for (const Piece& x : p.from) holesFrom += x.kind != Piece::Text;
        for (const Piece& x : p.to) holesTo += x.kind != Piece::Text;
        // msgfmt --check refuses a translation with other directives; a
        // catalog built without it still never fills a hole it lacks.
        if (holesFrom > 0 && holesFrom == holesTo) patterns_.push_back(std::move(p));
    }
    messages_[std::move(msgid)] = std::move(msgstr);
}

const std::string* Catalog::Find(const std::string& msgid) const {
    const auto it = messages_.find(msgid);
    return it == messages_.end() ? nullptr : &it->second;
}

bool Catalog::Match(const std::vector<Piece>& p, size_t i, std::string_view s, size_t pos,
                    std::vector<std::string_view>& caught) {
    if (i == p.size()) return pos == s.size();
    const Piece& piece = p[i];
    if (piece.kind == Piece::Text) {
        if (s.substr(pos, piece.text.size()) != piece.text) return false;
        return Match(p, i + 1, s, pos + piece.text.size(), caught);
    }
    size_t first = pos, last = s.size();
    if (piece.kind == Piece::Number) {
        size_t end = pos;
        if (end < s.size() && s[end] == '-') ++end;
        const size_t digits = end;
        while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
        if (end == digits) return false;
        first = last = end;  // a number is read whole, as printf wrote it
    }
    for (size_t end = first; end <= last; ++end) {
        caught.push_back(s.substr(pos, end - pos));
        if (Match(p, i + 1, s, end, caught)) return true;
        caught.pop_back();
    }
    return false;
}

std::string Catalog::TranslateLine(std::string_view line) const {
    if (const std::string* t = Find(std::string(line))) return *t;
    std::vector<std::string_view> caught;
    for (const Pattern& p : patterns_) {
        caught.clear();
        if (!Match(p.from, 0, line, 0, caught)) continue;
        std::string out;
        size_t next = 0;
        for (const Piece& piece : p.to) out += piece.kind == Piece::Text ? std::string_view(piece.text) : caught[next++];
        return out;
    }
    return std::string(line);
}

std::string Catalog::Translate(std::string_view text) const {
    if (messages_.empty()) return std::string(text);
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        size_t lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == '\r') --lineEnd;
        out += TranslateLine(text.substr(start, lineEnd - start));
        if (end == text.size()) break;
        out += text.substr(lineEnd, end + 1 - lineEnd);  // the line's own break, "\r\n" or "\n"
        start = end + 1;
    }
    return out;
}

}  // namespace molfo::i18n
