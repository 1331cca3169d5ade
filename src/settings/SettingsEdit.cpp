// Writing the settings page's changes into the player's own file: each
// value changed is put where the old one stood, a line added where the file
// had none, and every other byte left as the player wrote it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <sstream>
#include <string_view>
#include <toml++/toml.h>
#include <vector>

#include "settings/Settings.h"
#include "settings/TomlText.h"

namespace molfo::settings {

namespace {

constexpr size_t kNowhere = std::string::npos;

// The settings the page can change, in order: the five at the top, every
// action's keys, every action's pad buttons, then the online table's two.
constexpr std::array<const char*, 5> kTopKeys = {"music_volume", "effect_volume", "scale_mode", "fullscreen", "language"};
constexpr size_t kTop = kTopKeys.size();
constexpr std::array<const char*, 2> kOnlineKeys = {"server", "send_runs"};
constexpr size_t kOnline = kTop + 2 * kActions;
constexpr size_t kFields = kOnline + kOnlineKeys.size();

struct Place {
    std::string table;  // empty: the top of the file
    std::string key;
};

Place PlaceOf(size_t f) {
    if (f < kTop) return {"", kTopKeys[f]};
    if (f >= kOnline) return {"online", kOnlineKeys[f - kOnline]};
    const size_t a = (f - kTop) % kActions;
    return {f - kTop < kActions ? "keys" : "pad", kActionTable[a].key};
}

std::string ValueText(size_t f, const Settings& s) {
    switch (f) {
        case 0: return std::to_string(s.musicVolume);
        case 1: return std::to_string(s.effectVolume);
        case 2: return Quoted(s.scaleMode);
        case 3: return s.fullscreen ? "true" : "false";
        case 4: return Quoted(s.language);
        case kOnline: return Quoted(s.server);
        case kOnline + 1: return s.sendRuns ? "true" : "false";
        default: break;
    }
    const size_t a = (f - kTop) % kActions;
    return ListText(f - kTop < kActions ? s.keys[a] : s.pad[a]);
}

void Copy(size_t f, const Settings& from, Settings& to) {
    switch (f) {
        case 0: to.musicVolume = from.musicVolume; return;
        case 1: to.effectVolume = from.effectVolume; return;
        case 2: to.scaleMode = from.scaleMode; return;
        case 3: to.fullscreen = from.fullscreen; return;
        case 4: to.language = from.language; return;
        case kOnline: to.server = from.server; return;
        case kOnline + 1: to.sendRuns = from.sendRuns; return;
        default: break;
    }
    const size_t a = (f - kTop) % kActions;
    if (f - kTop < kActions)
        to.keys[a] = from.keys[a];
    else
        to.pad[a] = from.pad[a];
}

// The byte at which the parser's position lies (lines from 1, columns in
// characters from 1), or kNowhere.
size_t Offset(const std::string& text, const toml::source_position& p) {
    size_t pos = 0;
    for (uint32_t line = 1; line < p.line; ++line) {
        pos = text.find('\n', pos);
        if (pos == kNowhere) return kNowhere;
        ++pos;
    }
    for (uint32_t col = 1; col < p.column; ++col) {
        if (pos >= text.size() || text[pos] == '\n') return kNowhere;
        ++pos;
        while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
    }
    return pos;
}

size_t LineStart(const std::string& text, size_t pos) {
    const size_t nl = pos == 0 ? kNowhere : text.rfind('\n', pos - 1);
    return nl == kNowhere ? 0 : nl + 1;
}

// Where a table's lines end at `end`: before the blank lines and comments
// that lead into what follows, so those stay with it.
size_t BeforeGap(const std::string& text, size_t end) {
    while (end > 0) {
        const size_t start = LineStart(text, end - 1);
        const std::string_view line(text.data() + start, end - start);
        const size_t first = line.find_first_not_of(" \t\r\n");
        if (first != std::string_view::npos && line[first] != '#') break;
        end = start;
    }
    return end;
}

// The start of every line holding a table header ([keys], [[list]]).
void Headers(const std::string& text, const toml::table& t, std::vector<size_t>& out) {
    auto note = [&](const toml::table& sub) {
        const size_t at = Offset(text, sub.source().begin);
        if (at < text.size() && text[at] == '[') out.push_back(LineStart(text, at));
        Headers(text, sub, out);
    };
    for (const auto& [k, n] : t) {
        if (const toml::table* sub = n.as_table(); sub != nullptr && !sub->is_inline()) note(*sub);
        if (const toml::array* list = n.as_array(); list != nullptr)
            for (const toml::node& e : *list)
                if (const toml::table* sub = e.as_table(); sub != nullptr && !sub->is_inline()) note(*sub);
    }
}

bool InPlace(const std::string& text, const std::vector<size_t>& changed, const Settings& after, std::string& out) {
    toml::table t;
    try {
        t = toml::parse(text);
    } catch (const toml::parse_error&) {
        return false;
    }
    std::vector<size_t> headers;
    Headers(text, t, headers);
    std::sort(headers.begin(), headers.end());
    const size_t top = BeforeGap(text, headers.empty() ? text.size() : headers.front());
    struct Swap {
        size_t from, to;
        std::string with;
    };
    std::vector<Swap> swaps;
    std::map<size_t, std::string> inserts;           // lines added, by where
    std::map<std::string, std::string> newTables;    // tables the file lacks
    for (const size_t f : changed) {
        const Place p = PlaceOf(f);
        const std::string value = ValueText(f, after);
        const toml::node* holder = p.table.empty() ? &t : t.get(p.table);
        if (holder == nullptr) {
            newTables[p.table] += p.key + " = " + value + "\n";
            continue;
        }
        const toml::table* table = holder->as_table();
        if (table == nullptr) return false;
        if (const toml::node* n = table->get(p.key)) {
            const size_t from = Offset(text, n->source().begin), to = Offset(text, n->source().end);
            if (from == kNowhere || to == kNowhere || to < from) return false;
            swaps.push_back({from, to, value});
            continue;
        }
        if (table->is_inline()) return false;
        if (p.table.empty()) {
            inserts[top] += p.key + " = " + value + "\n";
            continue;
        }
        const size_t at = Offset(text, table->source().begin);
        if (at >= text.size()) return false;
        if (text[at] != '[') {
            // A table made by dotted keys at the top takes one more of them.
            inserts[top] += p.table + "." + p.key + " = " + value + "\n";
            continue;
        }
        const auto next = std::upper_bound(headers.begin(), headers.end(), LineStart(text, at));
        inserts[BeforeGap(text, next == headers.end() ? text.size() : *next)] += p.key + " = " + value + "\n";
    }
    for (const auto& [table, lines] : newTables) inserts[text.size()] += "\n[" + table + "]\n" + lines;
    for (auto& [at, lines] : inserts) {
        if (at > 0 && text[at - 1] != '\n') lines.insert(0, "\n");
        swaps.push_back({at, at, lines});
    }
    // From the end, so the places still ahead stay where they were.
    std::sort(swaps.begin(), swaps.end(), [](const Swap& a, const Swap& b) { return a.from > b.from; });
    out = text;
    for (const Swap& s : swaps) out.replace(s.from, s.to - s.from, s.with);
    return true;
}

// Whether toml++ can lay the table out: its layout of a list measures each
// number by its logarithm, undefined for infinities, fractions below a tenth
// and the least integer.
bool CanLayOut(const toml::node& n) {
    if (const toml::array* a = n.as_array())
        return std::all_of(a->begin(), a->end(), [](const toml::node& e) { return CanLayOut(e); });
    if (const toml::table* t = n.as_table())
        return std::all_of(t->begin(), t->end(), [](const auto& kv) { return CanLayOut(kv.second); });
    if (const auto* f = n.as_floating_point()) {
        const double v = std::fabs(f->get());
        return v == 0.0 || (std::isfinite(v) && v >= 1.0);
    }
    if (const auto* i = n.as_integer()) return i->get() != std::numeric_limits<int64_t>::min();
    return true;
}

// The whole file again through toml++: every key and value kept, the
// comments and the order not.
bool Rewritten(const std::string& text, const std::vector<size_t>& changed, const Settings& after, std::string& out) {
    std::string patchText;
    std::map<std::string, std::string> tables;
    for (const size_t f : changed) {
        const Place p = PlaceOf(f);
        (p.table.empty() ? patchText : tables[p.table]) += p.key + " = " + ValueText(f, after) + "\n";
    }
    for (const auto& [table, lines] : tables) patchText += "[" + table + "]\n" + lines;
    toml::table t, patch;
    try {
        t = toml::parse(text);
        patch = toml::parse(patchText);
    } catch (const toml::parse_error&) {
        return false;
    }
    if (!CanLayOut(t)) return false;
    for (const auto& [k, n] : patch) {
        toml::table* into = &t;
        const toml::table* from = n.as_table();
        if (from != nullptr) {
            if (!t.get(k.str()) || !t.get(k.str())->is_table()) t.insert_or_assign(k.str(), toml::table{});
            into = t.get(k.str())->as_table();
        }
        auto put = [&](const toml::key& key, const toml::node& v) {
            v.visit([&](const auto& concrete) { into->insert_or_assign(key.str(), concrete); });
        };
        if (from != nullptr)
            for (const auto& [sk, sn] : *from) put(sk, sn);
        else
            put(k, n);
    }
    std::ostringstream os;
    os << t << "\n";
    out = os.str();
    return true;
}

}  // namespace

std::string Edit(const std::string& text, const Settings& before, const Settings& after, const KeyCheck& isKey,
                 bool* whole) {
    if (whole != nullptr) *whole = false;
    std::vector<size_t> changed;
    for (size_t f = 0; f < kFields; ++f)
        if (ValueText(f, before) != ValueText(f, after)) changed.push_back(f);
    if (changed.empty()) return text;
    const Loaded base = Parse(text, "", isKey);
    if (base.source != Loaded::Source::Read) {
        if (whole != nullptr) *whole = true;
        return Serialize(after);
    }
    // What the file must read as: what it held, with the page's changes.
    Settings expected = base.settings;
    for (const size_t f : changed) Copy(f, after, expected);
    auto readsRight = [&](const std::string& t) {
        const Loaded back = Parse(t, "", isKey);
        return back.source == Loaded::Source::Read && back.settings == expected;
    };
    std::string out;
    if (InPlace(text, changed, after, out) && readsRight(out)) return out;
    if (Rewritten(text, changed, after, out) && readsRight(out)) return out;
    if (whole != nullptr) *whole = true;
    return Serialize(expected);
}

}  // namespace molfo::settings
