#include "i18n/Language.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace molfo::i18n {

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// "en_US.UTF-8@euro" -> "en_US"
std::string Bare(const std::string& locale) {
    return locale.substr(0, locale.find_first_of(".@"));
}

// A code names a folder under sys/locale: letters, digits and '_' only, so
// no variable can lead the game elsewhere ("/tmp/x").
bool IsCode(const std::string& code) {
    return std::all_of(code.begin(), code.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; });
}

bool IsCLocale(const std::string& locale) {
    const std::string bare = Bare(locale);
    return bare == "C" || bare == "POSIX";
}

}  // namespace

Environment Environment::FromProcess() {
    return {Env("LANGUAGE"), Env("LC_ALL"), Env("LC_MESSAGES"), Env("LANG")};
}

std::vector<std::string> WantedLanguages(const Environment& env) {
    std::string locale;
    for (const std::string* v : {&env.lcAll, &env.lcMessages, &env.lang})
        if (!v->empty()) {
            locale = *v;
            break;
        }
    if (locale.empty() || IsCLocale(locale)) return {};
    std::vector<std::string> list;
    const std::string& priority = env.language.empty() ? locale : env.language;
    size_t start = 0;
    while (start <= priority.size()) {
        size_t end = priority.find(':', start);
        if (end == std::string::npos) end = priority.size();
        const std::string code = Bare(priority.substr(start, end - start));
        if (!code.empty() && !IsCLocale(code) && IsCode(code)) {
            for (const std::string& c : {code, code.substr(0, code.find('_'))})
                if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
        }
        start = end + 1;
    }
    return list;
}

std::string CatalogPath(const std::string& dataDir, const std::string& code) {
    return (fs::path(dataDir.empty() ? "." : dataDir) / "sys" / "locale" / code / "LC_MESSAGES" / "molfo.mo").string();
}

std::vector<std::string> AvailableLanguages(const std::string& dataDir) {
    std::vector<std::string> codes;
    std::error_code ec;
    const fs::path root = fs::path(dataDir.empty() ? "." : dataDir) / "sys" / "locale";
    for (const fs::directory_entry& e : fs::directory_iterator(root, ec)) {
        const std::string code = e.path().filename().string();
        if (code != kOwnLanguage && fs::is_regular_file(CatalogPath(dataDir, code), ec)) codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end());
    codes.insert(codes.begin(), kOwnLanguage);
    return codes;
}

std::string LanguageName(const std::string& code) {
    // Each language is named in its own words, so a player can find theirs
    // whatever the window speaks now.
    if (code == kOwnLanguage) return N_("日本語");
    if (code == "en") return "English";
    return code;
}

Catalog ChooseCatalog(const std::string& setting, const std::string& dataDir, const Environment& env,
                      std::string& warning) {
    std::vector<std::string> wanted;
    const bool named = !setting.empty() && setting != kAuto;
    if (named)
        wanted.push_back(setting);
    else
        wanted = WantedLanguages(env);
    for (const std::string& code : wanted) {
        if (code == kOwnLanguage) break;
        std::error_code ec;
        const std::string path = CatalogPath(dataDir, code);
        // An environment may name languages the game has no words for; only
        // one asked for by name deserves a line.
        if (!named && !fs::exists(path, ec)) continue;
        Catalog c;
        std::string error;
        if (Catalog::LoadMo(path, c, error)) {
            c.SetCode(code);
            return c;
        }
        warning = "no " + code + " translation (" + error + "); the game speaks Japanese";
        if (named) break;
    }
    return Catalog{};
}

}  // namespace molfo::i18n
