// Reading and writing the settings file with toml++ (the browser build,
// which keeps no such file, leaves this out).
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <regex>
#include <sstream>
#include <system_error>
#include <toml++/toml.h>

#include "core/AtomicFile.h"
#include "core/Printable.h"
#include "core/ReadFile.h"
#include "i18n/Catalog.h"
#include "settings/Settings.h"
#include "settings/SettingsCheck.h"
#include "settings/TomlText.h"

namespace molfo::settings {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultsUsed = "; using the default settings";

// A value as written in TOML, on one line. Lists and tables are written
// here: toml++'s own layout of them reaches undefined behaviour on some
// numbers (inf, 0.001, the least integer).
std::string NodeText(const toml::node& n) {
    std::string s;
    if (const toml::array* a = n.as_array()) {
        for (const toml::node& e : *a) s += (s.empty() ? "[ " : ", ") + NodeText(e);
        return s.empty() ? "[]" : s + " ]";
    }
    if (const toml::table* t = n.as_table()) {
        for (const auto& [k, v] : *t) s += (s.empty() ? "{ " : ", ") + std::string(k.str()) + " = " + NodeText(v);
        return s.empty() ? "{}" : s + " }";
    }
    // As the player wrote it, quoted the way the defaults are.
    if (const auto* str = n.as_string()) return Quoted(str->get());
    std::ostringstream os;
    n.visit([&os](const auto& v) { os << v; });
    s = os.str();
    for (char& c : s)
        if (c == '\n') c = ' ';
    return s;
}

// A list of one to two names (or one name on its own), each passing `ok`.
bool ReadNames(const toml::node& n, bool mayBeEmpty, const std::function<bool(const std::string&)>& ok, Slots& out) {
    Slots got{};
    size_t count = 0;
    auto take = [&](const toml::node& e) {
        const auto* s = e.as_string();
        if (s == nullptr || count >= kSlots || !ok(s->get())) return false;
        got[count++] = s->get();
        return true;
    };
    if (n.is_string()) {
        if (!take(n)) return false;
    } else if (const auto* a = n.as_array()) {
        for (const toml::node& e : *a)
            if (!take(e)) return false;
    } else {
        return false;
    }
    if (count == 0 && !mayBeEmpty) return false;
    out = got;
    return true;
}

}  // namespace

Loaded Parse(std::string_view text, const std::string& where, const KeyCheck& isKey) {
    Loaded out;
    out.source = Loaded::Source::Broken;
    out.settings = Settings::Defaults();
    Settings& s = out.settings;
    const Settings d = Settings::Defaults();
    if (const std::string unfit = Unfit(text); !unfit.empty()) {
        out.problems.push_back(where + ": " + unfit + kDefaultsUsed);
        return out;
    }
    toml::table t;
    try {
        t = toml::parse(text, where);
    } catch (const toml::parse_error& e) {
        // The parser quotes what it saw, line ends and all: one line still.
        out.problems.push_back(where + ": line " + std::to_string(e.source().begin.line) + ": " +
                               Printable(e.description(), 200) + kDefaultsUsed);
        return out;
    }
    out.source = Loaded::Source::Read;
    out.text = std::string(text);
    auto problem = [&](const std::string& key, const toml::node& n, const char* why, const std::string& dflt) {
        out.problems.push_back(where + ": " + Printable(key) + " = " + Printable(NodeText(n)) + " " + why +
                               "; using the default, " + dflt);
    };
    auto volume = [&](const std::string& key, const toml::node& n, int& v) {
        const auto* i = n.as_integer();
        if (i != nullptr && i->get() >= 0 && i->get() <= kMaxVolume)
            v = static_cast<int>(i->get());
        else
            problem(key, n, "is not a whole number from 0 to 100", std::to_string(kMaxVolume));
    };
    static const std::regex languageCode("^(auto|[a-z]{2,3}(_[A-Z]{2})?)$");
    for (const auto& [k, n] : t) {
        const std::string key(k.str());
        if (key == "music_volume") {
            volume(key, n, s.musicVolume);
        } else if (key == "effect_volume") {
            volume(key, n, s.effectVolume);
        } else if (key == "scale_mode") {
            const auto* v = n.as_string();
            if (v != nullptr && (v->get() == "integer" || v->get() == "fit"))
                s.scaleMode = v->get();
            else
                problem(key, n, "is neither \"integer\" nor \"fit\"", Quoted(d.scaleMode));
        } else if (key == "fullscreen") {
            const auto* v = n.as_boolean();
            if (v != nullptr)
                s.fullscreen = v->get();
            else
                problem(key, n, "is neither true nor false", d.fullscreen ? "true" : "false");
        } else if (key == "language") {
            const auto* v = n.as_string();
            if (v != nullptr && std::regex_match(v->get(), languageCode))
                s.language = v->get();
            else
                problem(key, n, "is not \"auto\" or a language code such as \"en\"", Quoted(d.language));
        } else if (key == "keys" || key == "pad") {
            const bool pad = key == "pad";
            const auto* table = n.as_table();
            if (table == nullptr) {
                out.problems.push_back(where + ": " + key + " is not a table of actions; using the defaults");
                continue;
            }
            for (const auto& [ak, an] : *table) {
                const std::string action(ak.str());
                size_t a = 0;
                while (a < kActions && action != kActionTable[a].key) ++a;
                const std::string full = key + "." + action;
                if (a == kActions) {
                    out.problems.push_back(where + ": " + Printable(full) + " is no action of the game; ignored");
                    continue;
                }
                Slots& slots = pad ? s.pad[a] : s.keys[a];
                const Slots& dflt = pad ? d.pad[a] : d.keys[a];
                const bool ok =
                    pad ? ReadNames(an, true, [](const std::string& b) { return PadButton(b) >= 0; }, slots)
                        : ReadNames(an, false, [&](const std::string& k2) { return !Reserved(k2) && isKey(k2); }, slots);
                if (!ok)
                    problem(full, an,
                            pad ? "is not a list of up to two pad buttons (a, b, x, y, start, dpleft, ...)"
                                : "is not a list of one or two keys the game may use",
                            ListText(dflt));
            }
        } else if (key == "online") {
            const auto* table = n.as_table();
            if (table == nullptr) {
                out.problems.push_back(where + ": online is not a table; nothing is sent");
                continue;
            }
            for (const auto& [ok, on] : *table) {
                const std::string full = "online." + std::string(ok.str());
                if (ok.str() == "server") {
                    const auto* v = on.as_string();
                    if (v != nullptr && (v->get().empty() || IsServerAddress(v->get())))
                        s.server = v->get();
                    else
                        problem(full, on, "is not an http:// or https:// address", Quoted(d.server));
                } else if (ok.str() == "send_runs") {
                    const auto* v = on.as_boolean();
                    if (v != nullptr)
                        s.sendRuns = v->get();
                    else
                        problem(full, on, "is neither true nor false", d.sendRuns ? "true" : "false");
                } else {
                    out.problems.push_back(where + ": " + Printable(full) + " is no setting of the game; ignored");
                }
            }
        } else {
            out.problems.push_back(where + ": " + Printable(key) + " is no setting of the game; ignored");
        }
    }
    return out;
}

Loaded Load(const std::string& path, const KeyCheck& isKey) {
    Loaded out;
    out.settings = Settings::Defaults();
    struct stat st {};
    // Nothing there, or a link to a file not made yet: saving makes it.
    if (path.empty() || (::stat(path.c_str(), &st) != 0 && errno == ENOENT)) return out;
    if (S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) > kMostFileBytes) {
        out.source = Loaded::Source::Broken;
        out.problems.push_back(Printable(path, 300) + ": larger than " + SizeText(kMostFileBytes) +
                               ", more than any settings file" + kDefaultsUsed);
        return out;
    }
    std::string text, error;
    if (!ReadFileLimited(path, kMostFileBytes, text, error)) {
        out.source = Loaded::Source::Unreadable;
        out.problems.push_back(error + kDefaultsUsed);
        return out;
    }
    return Parse(text, Printable(path, 300), isKey);
}

std::string Serialize(const Settings& s) {
    toml::table keys, pad;
    for (size_t a = 0; a < kActions; ++a) {
        toml::array k, p;
        for (const std::string& n : s.keys[a])
            if (!n.empty()) k.push_back(n);
        for (const std::string& n : s.pad[a])
            if (!n.empty()) p.push_back(n);
        keys.insert(kActionTable[a].key, std::move(k));
        pad.insert(kActionTable[a].key, std::move(p));
    }
    toml::table t{
        {"music_volume", s.musicVolume}, {"effect_volume", s.effectVolume}, {"scale_mode", s.scaleMode},
        {"fullscreen", s.fullscreen},    {"language", s.language},         {"keys", std::move(keys)},
        {"pad", std::move(pad)},
        {"online", toml::table{{"server", s.server}, {"send_runs", s.sendRuns}}},
    };
    std::ostringstream os;
    os << "# Molfo's settings, written by its settings page (F1 on the title).\n"
          "# Volumes 0..100; scale_mode \"integer\" or \"fit\"; language \"auto\", \"ja\" or \"en\".\n"
          "# Keys by their names on the keyboard (\"Left Shift\", \"Z\", \"Space\"), at most two an action;\n"
          "# pad buttons a, b, x, y, back, start, leftshoulder, rightshoulder, dpup, dpdown, dpleft, dpright.\n"
          "# [online] server: an online table's address; with send_runs = true each finished game's\n"
          "# recording and the name typed for it are sent there.\n"
          "# A line removed or a value the game cannot use means its default.\n\n"
       << t << "\n";
    return os.str();
}

std::string Save(const std::string& path, const Settings& s) {
    if (path.empty()) return "there is no configuration folder (HOME is not set)";
    std::string file, error;
    if (!files::FinalPath(path, file, error)) return error;
    std::error_code ec;
    const fs::path folder = fs::path(file).parent_path();
    if (!folder.empty()) fs::create_directories(folder, ec);
    if (!folder.empty() && !fs::is_directory(folder, ec)) return "cannot make the folder " + Printable(folder.string(), 200);
    return files::ReplaceFile(path, files::Bytes(Serialize(s)));
}

Saved SaveChanges(const std::string& path, const Loaded& loaded, const Settings& after, const KeyCheck& isKey) {
    Saved out;
    if (after == loaded.settings) return out;
    const std::string name = Printable(path, 300);
    switch (loaded.source) {
        case Loaded::Source::Unreadable:
            // Whatever is there may hold the player's settings; only they
            // know what to do with it.
            out.problem = name + " could not be read, so it is left as it is and the changes hold for this run only";
            return out;
        case Loaded::Source::Broken:
            out.keptAs = files::KeepBeside(path);
            if (out.keptAs.empty()) {
                out.problem = "cannot keep a copy of " + name + " before replacing it, so it is left as it is";
                return out;
            }
            break;
        case Loaded::Source::Read: {
            // The file as it is now, in case it was edited while the game ran.
            std::string now = loaded.text;
            const Loaded current = Load(path, isKey);
            if (current.source == Loaded::Source::Read) now = current.text;
            bool whole = false;
            const std::string edited = Edit(now, loaded.settings, after, isKey, &whole);
            // A file written afresh leaves out what the player wrote: kept beside first.
            if (whole && (out.keptAs = files::KeepBeside(path)).empty()) {
                out.problem = "cannot keep a copy of " + name + " before replacing it, so it is left as it is";
                return out;
            }
            out.problem = files::ReplaceFile(path, files::Bytes(edited));
            out.written = out.problem.empty();
            return out;
        }
        case Loaded::Source::Missing: break;
    }
    out.problem = Save(path, after);
    out.written = out.problem.empty();
    return out;
}

std::string PageNote(const Loaded& loaded) {
    switch (loaded.source) {
        case Loaded::Source::Unreadable: return i18n::N_("設定ファイルが読めないので、ここで変えた設定は保存されません");
        case Loaded::Source::Broken:
            return i18n::N_("設定ファイルが読めませんでした。変えると、元のファイルを settings.toml.bad として残します");
        default: return {};
    }
}

}  // namespace molfo::settings
