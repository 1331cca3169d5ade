// The game's words in another language. The game itself speaks Japanese
// everywhere, in its state, its dumps and its recordings; the window puts
// its words into the player's language as it draws them, through a
// catalog compiled by msgfmt from po/<language>.po. A word the catalog
// lacks is shown as written.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace molfo::i18n {

// Marks a text the game shows, for xgettext (--keyword=N_); the text itself
// is the key the catalog looks up when it is drawn.
constexpr const char* N_(const char* text) { return text; }

// The template with its %d and %s filled in order from `args` ("%%" is a
// percent sign), as printf would write it: the game's own text byte for byte.
std::string Format(std::string_view tmpl, std::initializer_list<std::string_view> args);
// The template with its %d replaced by the number ("%dてん" and 120 give "120てん").
std::string Fill(std::string_view tmpl, long long number);

class Catalog {
public:
    // No translations: the game's own Japanese.
    Catalog() = default;

    // Reads a GNU .mo file. False, with one line in `error`, when it is not one.
    static bool ParseMo(std::span<const uint8_t> bytes, Catalog& out, std::string& error);
    static bool LoadMo(const std::string& path, Catalog& out, std::string& error);

    // The text as the player reads it: each line (split at "\r\n" or "\n")
    // looked up whole, or matched against the templates among the messages
    // (a %d stands for a whole number, a %s for any text) and filled in.
    std::string Translate(std::string_view text) const;
    // The translation of one message exactly as written; null when there is none.
    const std::string* Find(const std::string& msgid) const;

    bool Empty() const { return messages_.empty(); }
    size_t Size() const { return messages_.size(); }
    // The language code ("en"); empty for the game's own Japanese.
    const std::string& Code() const { return code_; }
    void SetCode(std::string code) { code_ = std::move(code); }

private:
    struct Piece {
        enum Kind : uint8_t { Text, Number, Any } kind = Text;
        std::string text;
    };
    struct Pattern {
        std::vector<Piece> from;
        std::vector<Piece> to;
    };
    static std::vector<Piece> Split(std::string_view format);
    static bool Match(const std::vector<Piece>& p, size_t i, std::string_view s, size_t pos,
                      std::vector<std::string_view>& caught);
    std::string TranslateLine(std::string_view line) const;
    void Add(std::string msgid, std::string msgstr);

    std::unordered_map<std::string, std::string> messages_;
    std::vector<Pattern> patterns_;
    std::string code_;
};

}  // namespace molfo::i18n
