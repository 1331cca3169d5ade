#include "driver/InputScript.h"

#include <cctype>
#include <cstdint>
#include <sstream>

#include "core/Printable.h"
#include "platform/Platform.h"

namespace molfo {

namespace {

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

bool ParseNumber(const std::string& s, int64_t& v) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    try {
        v = std::stoll(s);
    } catch (...) {
        return false;
    }
    return true;
}

// A token of the script repeated in an error line, quoted, escaped and short.
std::string Quote(const std::string& s) { return "'" + Printable(s, 40) + "'"; }

bool IsScene(const std::string& s) {
    for (const char* name : {"title", "play", "gameover", "name", "message", "ranking", "ending"})
        if (s == name) return true;
    return false;
}

// "scene[#n][+ms]" or "play[#g] N[-M]"
bool ParseWhen(const std::string& when, ScriptRule& r, std::string& why) {
    std::istringstream in(when);
    std::string head, frames, extra;
    in >> head >> frames >> extra;
    if (!extra.empty()) {
        why = "unexpected " + Quote(extra);
        return false;
    }
    std::string name = head;
    int64_t occurrence = 0, offset = 0;
    const size_t plus = name.find('+');
    if (plus != std::string::npos) {
        if (!ParseNumber(name.substr(plus + 1), offset) || offset > UINT32_MAX) {
            why = "bad time offset in " + Quote(head) + " (0 to 4294967295 ms)";
            return false;
        }
        name = name.substr(0, plus);
    }
    const size_t hash = name.find('#');
    if (hash != std::string::npos) {
        if (!ParseNumber(name.substr(hash + 1), occurrence) || occurrence < 1 || occurrence > INT32_MAX) {
            why = "bad count in " + Quote(head) + " (1 to 2147483647)";
            return false;
        }
        name = name.substr(0, hash);
    }
    if (!IsScene(name)) {
        why = "unknown scene " + Quote(name);
        return false;
    }
    r.occurrence = static_cast<int>(occurrence);
    r.offsetMs = static_cast<uint32_t>(offset);
    if (name != "play" || frames.empty()) {
        if (!frames.empty()) {
            why = "only play takes frame numbers";
            return false;
        }
        r.when = ScriptRule::When::Scene;
        r.scene = name;
        return true;
    }
    r.when = ScriptRule::When::Play;
    const size_t dash = frames.find('-');
    int64_t a = 0, b = 0;
    const bool ok = dash == std::string::npos
                        ? ParseNumber(frames, a) && (b = a, true)
                        : ParseNumber(frames.substr(0, dash), a) && ParseNumber(frames.substr(dash + 1), b);
    if (!ok || a < 1 || b < a) {
        why = "bad frame range " + Quote(frames);
        return false;
    }
    r.firstFrame = a;
    r.lastFrame = b;
    return true;
}

bool ParseAction(const std::string& text, ScriptRule& r, std::string& why) {
    std::istringstream in(text);
    std::string verb;
    in >> verb;
    if (verb == "hold" || verb == "press") {
        r.action = verb == "hold" ? ScriptRule::Action::Hold : ScriptRule::Action::Press;
        std::string key;
        while (in >> key) {
            const int code = KeyCodeByName(key);
            if (code < 0) {
                why = "unknown key " + Quote(key);
                return false;
            }
            r.keys.push_back(code);
        }
        if (r.keys.empty()) {
            why = verb + " needs at least one key";
            return false;
        }
        return true;
    }
    if (verb == "answer") {
        r.action = ScriptRule::Action::Answer;
        const size_t at = text.find("answer") + 6;
        r.text = Trim(text.substr(at));
        return true;
    }
    if (verb == "cancel" || verb == "close") {
        std::string rest;
        if (in >> rest) {
            why = Quote(verb) + " takes nothing after it";
            return false;
        }
        r.action = verb == "cancel" ? ScriptRule::Action::Cancel : ScriptRule::Action::Close;
        return true;
    }
    why = verb.empty() ? "missing action" : "unknown action " + Quote(verb);
    return false;
}

}  // namespace

int KeyCodeByName(const std::string& name) {
    std::string n;
    for (char c : name) n += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    struct Entry { const char* name; int code; };
    static constexpr Entry kKeys[] = {
        {"LEFT", vk::Left}, {"RIGHT", vk::Right}, {"UP", vk::Up}, {"DOWN", vk::Down},
        {"Z", vk::Z}, {"X", vk::X}, {"C", vk::C}, {"SPACE", vk::Space},
        {"SHIFT", vk::Shift}, {"CTRL", vk::Control}, {"ESC", vk::Escape}, {"ESCAPE", vk::Escape},
    };
    for (const auto& e : kKeys)
        if (n == e.name) return e.code;
    return -1;
}

bool ParseInputScript(const std::string& text, InputScript& out, std::string& error) {
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        // A '#' directly after a scene name is its count; only a '#' that
        // starts a word begins a comment.
        std::string line;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(raw[i - 1])))) break;
            line += raw[i];
        }
        line = Trim(line);
        if (line.empty()) continue;
        const size_t colon = line.find(':');
        ScriptRule r;
        r.line = lineNo;
        std::string why;
        if (colon == std::string::npos) {
            why = "expected 'when: action'";
        } else if (ParseWhen(Trim(line.substr(0, colon)), r, why) && ParseAction(Trim(line.substr(colon + 1)), r, why)) {
            out.rules.push_back(std::move(r));
            continue;
        }
        error = "input script line " + std::to_string(lineNo) + ": " + why;
        return false;
    }
    return true;
}

}  // namespace molfo
