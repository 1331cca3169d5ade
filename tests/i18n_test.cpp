#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "i18n/Language.h"
#include "render/Screen.h"
#include "world/Game.h"

namespace molfo::i18n {
namespace {

namespace fs = std::filesystem;

// A GNU .mo file holding these messages (the header first, as msgfmt writes it).
std::vector<uint8_t> MoFile(std::vector<std::pair<std::string, std::string>> messages) {
    messages.insert(messages.begin(), {"", "Content-Type: text/plain; charset=UTF-8\n"});
    const uint32_t n = static_cast<uint32_t>(messages.size());
    std::vector<uint8_t> out(28 + 16 * n);
    auto put = [&](size_t at, uint32_t v) { std::memcpy(out.data() + at, &v, 4); };
    put(0, 0x950412deu);
    put(4, 0);
    put(8, n);
    put(12, 28);
    put(16, 28 + 8 * n);
    for (uint32_t i = 0; i < 2 * n; ++i) {
        const std::string& s = i < n ? messages[i].first : messages[i - n].second;
        put(28 + 8 * i, static_cast<uint32_t>(s.size()));
        put(28 + 8 * i + 4, static_cast<uint32_t>(out.size()));
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    return out;
}

Catalog Parsed(const std::vector<std::pair<std::string, std::string>>& messages) {
    Catalog c;
    std::string error;
    const std::vector<uint8_t> bytes = MoFile(messages);
    EXPECT_TRUE(Catalog::ParseMo(bytes, c, error)) << "a well-formed catalog is read: " << error;
    return c;
}

TEST(I18nCatalog, LinesAreLookedUpWholeOrMatchedAgainstTemplates) {
    const Catalog c = Parsed({{"スコア", "Score"},
                              {"Escキーで終了", "Esc: quit"},
                              {"Zキーで再スタート", "Z: play again"},
                              {"%dてん", "%d pts"},
                              {"%d位     %s     %d", "%d.     %s     %d"},
                              {"100%%の%d", "%d at 100%%"},
                              {"未訳", ""}});
    struct Case {
        const char* rule;
        std::string in, out;
    } cases[] = {
        {"a message is looked up whole", "スコア", "Score"},
        {"each line is its own message and keeps its break", "Escキーで終了\r\nZキーで再スタート",
         "Esc: quit\r\nZ: play again"},
        {"a lone line break is kept too", "Escキーで終了\nスコア", "Esc: quit\nScore"},
        {"a %d stands for a whole number", "120てん", "120 pts"},
        {"a negative number is a number", "-5てん", "-5 pts"},
        {"a %d needs a digit", "てん", "てん"},
        {"text around a template's words is not the template", "120てんX", "120てんX"},
        {"a %s takes any text, spaces and digits included",
         "3位     あい 5     99     1234", "3.     あい 5     99     1234"},
        {"a percent sign written %% matches itself", "100%の7", "7 at 100%"},
        {"an empty translation leaves the game's words", "未訳", "未訳"},
        {"a word the catalog lacks is shown as written", "ボス", "ボス"},
        {"an empty text stays empty", "", ""},
    };
    for (const Case& k : cases) EXPECT_EQ(c.Translate(k.in), k.out) << k.rule;
    EXPECT_EQ(Catalog{}.Translate("スコア"), "スコア") << "without a catalog the game speaks its own Japanese";
}

TEST(I18nCatalog, FormatFillsTemplatesExactlyAsTheGameAlwaysWroteThem) {
    EXPECT_EQ(Fill("%dてん", 120), "120てん") << "the score caption keeps its bytes";
    EXPECT_EQ(Format("%d位     %s     %d", {"3", "%d名", "12"}), "3位     %d名     12")
        << "a %d inside a filled-in name is not filled again";
    EXPECT_EQ(Format("%d%%", {"5"}), "5%") << "%% is a percent sign";
}

TEST(I18nCatalog, DamagedCatalogsAreRefusedWithAReason) {
    std::vector<uint8_t> good = MoFile({{"a", "b"}});
    std::vector<uint8_t> badMagic = good;
    badMagic[0] ^= 0xFF;
    std::vector<uint8_t> outside = good;
    outside[28 + 8 + 4] = 0xF0;  // the first message's offset points past the end
    std::vector<uint8_t> noNul = good;
    noNul.pop_back();  // the last string loses its terminating NUL
    noNul.push_back('x');
    std::vector<uint8_t> revision = good;
    revision[6] = 1;
    struct Case {
        const char* rule;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"a file shorter than the header", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
        {"a file without the catalog's signature", badMagic},
        {"a string outside the file", outside},
        {"a string without its NUL", noNul},
        {"an unknown major revision", revision},
    };
    for (const Case& k : cases) {
        Catalog c;
        std::string error;
        EXPECT_FALSE(Catalog::ParseMo(k.bytes, c, error)) << k.rule;
        EXPECT_FALSE(error.empty()) << k.rule << " is explained";
        EXPECT_TRUE(c.Empty()) << k.rule << " leaves no half-read catalog";
    }
}

TEST(I18nLanguage, TheEnvironmentIsReadAsGettextReadsIt) {
    using V = std::vector<std::string>;
    struct Case {
        const char* rule;
        Environment env;
        V want;
    } cases[] = {
        {"nothing set is the C locale", {}, {}},
        {"under the C locale LANGUAGE is ignored", {"en", "", "", "C"}, {}},
        {"C.UTF-8 is the C locale too", {"en", "", "C.UTF-8", ""}, {}},
        {"LANG names the language and its country", {"", "", "", "en_US.UTF-8"}, V{"en_US", "en"}},
        {"LC_MESSAGES comes before LANG", {"", "", "en_GB.UTF-8", "ja_JP.UTF-8"}, V{"en_GB", "en"}},
        {"LC_ALL comes before both", {"", "ja_JP.UTF-8", "en_GB.UTF-8", ""}, V{"ja_JP", "ja"}},
        {"LANGUAGE is a priority list over the locale", {"fr:en_CA", "", "", "de_DE.UTF-8"},
         V{"fr", "en_CA", "en"}},
        {"a modifier is dropped", {"", "", "", "de_DE@euro"}, V{"de_DE", "de"}},
    };
    for (const Case& k : cases) EXPECT_EQ(WantedLanguages(k.env), k.want) << k.rule;
}

TEST(I18nLanguage, TheCatalogFollowsTheSettingThenTheEnvironmentThenJapanese) {
    const std::string data = test::DataDir();
    ASSERT_TRUE(fs::exists(CatalogPath(data, "en"))) << "the build compiles po/en.po into the data folder";
    const Environment english{"", "", "", "en_US.UTF-8"};
    const Environment japaneseFirst{"ja:en", "", "", "en_US.UTF-8"};
    const Environment french{"", "", "", "fr_FR.UTF-8"};
    struct Case {
        const char* rule;
        std::string setting;
        Environment env;
        std::string code;
        bool warned;
    } cases[] = {
        {"auto follows an English locale", "auto", english, "en", false},
        {"Japanese listed first in LANGUAGE wins", "auto", japaneseFirst, "", false},
        {"a language without a catalog falls back to Japanese quietly", "auto", french, "", false},
        {"the C locale speaks Japanese", "auto", Environment{}, "", false},
        {"a setting of ja wins over an English locale", "ja", english, "", false},
        {"a setting of en wins over the C locale", "en", Environment{}, "en", false},
        {"a named language without a catalog says so once", "fr", english, "", true},
    };
    for (const Case& k : cases) {
        std::string warning;
        const Catalog c = ChooseCatalog(k.setting, data, k.env, warning);
        EXPECT_EQ(c.Code(), k.code) << k.rule;
        EXPECT_EQ(c.Empty(), k.code.empty()) << k.rule;
        EXPECT_EQ(!warning.empty(), k.warned) << k.rule;
    }
    EXPECT_EQ(AvailableLanguages(data), (std::vector<std::string>{"ja", "en"}))
        << "the settings offer the game's own Japanese and every compiled catalog";
}

// Every string literal with a byte past ASCII in the sources, outside
// comments, with the text just before it.
struct Literal {
    std::string where, before, text;
};
std::vector<Literal> JapaneseLiterals(const fs::path& src) {
    std::vector<Literal> out;
    for (const auto& e : fs::recursive_directory_iterator(src)) {
        const std::string ext = e.path().extension().string();
        if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        const std::string t = ss.str();
        int line = 1;
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\n') ++line;
            if (t.compare(i, 2, "//") == 0) {
                i = t.find('\n', i) - 1;
            } else if (t.compare(i, 2, "/*") == 0) {
                i = t.find("*/", i) + 1;
            } else if (t[i] == '\'') {
                // Past an escape whole: '\'' must not end at its own quote.
                i = t.find('\'', i + 1 + (t[i + 1] == '\\' ? 2 : 0));
                if (i == std::string::npos) break;
            } else if (t[i] == '"') {
                std::string text;
                size_t j = i + 1;
                for (; t[j] != '"'; ++j) {
                    if (t[j] == '\\') {
                        const char c = t[++j];
                        text += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
                    } else {
                        text += t[j];
                    }
                }
                bool wide = false;
                for (unsigned char c : text) wide = wide || c >= 0x80;
                if (wide) {
                    const std::string where = fs::relative(e.path(), src).string() + ":" + std::to_string(line);
                    out.push_back({where, t.substr(i >= 4 ? i - 4 : 0, i >= 4 ? 4 : i), text});
                }
                i = j;
            }
        }
    }
    return out;
}

TEST(I18nCompleteness, EveryJapaneseTextTheGameShowsHasAnEnglishTranslation) {
    Catalog english;
    std::string error;
    ASSERT_TRUE(Catalog::LoadMo(CatalogPath(test::DataDir(), "en"), english, error)) << error;
    // Texts the game never shows as words.
    const std::set<std::string> notShown = {
        "ＭＳ Ｐゴシック",  // the font family the labels ask fontconfig for
        // the characters Japanese line breaking keeps off a line's start and end
        "ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶー、。，．・：；？！）」』】〕〉》’”ゝゞヽヾ々!),.:;?]}",
        "（「『【〔〈《‘“([{",
    };
    const std::vector<Literal> literals = JapaneseLiterals(fs::path(MOLFO_SOURCE_DIR) / "src");
    ASSERT_GE(literals.size(), 20u) << "the scan finds the game's Japanese texts";
    for (const Literal& l : literals) {
        if (notShown.count(l.text) != 0) continue;
        EXPECT_NE(l.before.find("N_("), std::string::npos)
            << l.where << ": \"" << l.text << "\" is shown, so it is marked N_(...) for xgettext";
        const std::string* en = english.Find(l.text);
        EXPECT_NE(en, nullptr) << l.where << ": \"" << l.text << "\" has an English translation in po/en.po";
        if (en == nullptr) continue;
        bool latin = false;
        for (char c : *en) latin = latin || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        EXPECT_TRUE(latin) << l.where << ": the English for \"" << l.text << "\" is in English words";
        EXPECT_EQ(l.text.find('\r'), std::string::npos)
            << l.where << ": a message is one line; lines are joined with \"\\r\\n\" outside it";
    }
}

TEST(I18nScreen, TheWindowDrawsTheCaptionInTheChosenLanguageWhileTheGameKeepsItsOwn) {
    test::TestGame t;
    Screen& w = t.g.scr;
    if (!w.Text().Ok()) GTEST_SKIP() << "no font installed";
    std::string warning;
    const Catalog english = ChooseCatalog("en", test::DataDir(), Environment{}, warning);
    ASSERT_EQ(english.Code(), "en") << warning;

    const int x = w.GoukeiTenL.x, y = w.GoukeiTenL.y, lw = w.GoukeiTenL.w, lh = w.GoukeiTenL.h;
    auto labelPixels = [&] {
        w.Compose();
        std::vector<uint32_t> px;
        for (int yy = y; yy < y + lh; ++yy)
            for (int xx = x; xx < x + lw; ++xx) px.push_back(w.window.At(xx, yy));
        return px;
    };
    w.GoukeiTenL.caption = "120 pts";
    const std::vector<uint32_t> written = labelPixels();
    w.GoukeiTenL.caption = "120てん";
    const std::vector<uint32_t> japanese = labelPixels();
    const uint64_t renders = w.CaptionRenders();
    w.SetLanguage(&english);
    const std::vector<uint32_t> translated = labelPixels();
    EXPECT_GT(w.CaptionRenders(), renders) << "a new language draws the captions again";
    EXPECT_EQ(translated, written) << "the score is drawn as English words";
    EXPECT_NE(translated, japanese) << "the English differs from the Japanese on screen";
    EXPECT_EQ(w.GoukeiTenL.caption, "120てん") << "the caption, part of the game's state, keeps the game's words";
    w.SetLanguage(nullptr);
    EXPECT_EQ(labelPixels(), japanese) << "back to the game's own Japanese";
}

TEST(I18nPictures, ThePicturesWithWordsShowInTheWindowsLanguageWhereTheyWereDrawnInIt) {
    test::TestGame t;
    std::string warning;
    const Catalog english = ChooseCatalog("en", test::DataDir(), Environment{}, warning);
    ASSERT_EQ(english.Code(), "en") << warning;
    const std::string sys = std::string(test::DataDir()) + "/sys/";
    struct Case {
        const char* rule;
        const Catalog* words;
        const char* gamePath;
        std::string expected;
    } cases[] = {
        {"the title in English", &english, "sys\\title.bmp", sys + "en/title.bmp"},
        {"an ending picture in English", &english, "sys\\ending\\e3.jpg", sys + "en/ending/e3.jpg"},
        {"the banner in English", &english, "sys\\gameover.bmp", sys + "en/gameover.bmp"},
        {"a picture without words is the game's own", &english, "sys\\mainmap1.JPG", sys + "mainmap1.JPG"},
        {"in Japanese, the game's own title", nullptr, "sys\\title.bmp", sys + "title.bmp"},
    };
    for (const Case& c : cases) {
        t.g.scr.SetLanguage(c.words);
        Surface got, want;
        ASSERT_TRUE(LoadGamePicture(t.g, got, c.gamePath)) << c.rule;
        ASSERT_TRUE(LoadPicture(want, c.expected)) << c.rule << ": the build drew " << c.expected;
        EXPECT_EQ(got.Pixels(), want.Pixels()) << c.rule;
    }
    Surface ja, en;
    ASSERT_TRUE(LoadPicture(ja, sys + "title.bmp") && LoadPicture(en, sys + "en/title.bmp"));
    EXPECT_NE(ja.Pixels(), en.Pixels()) << "the English title's lettering differs from the Japanese";
}

TEST(I18nPictures, EveryPictureFileIsAnnouncedBeforeItIsRead) {
    // The page fetches pictures while the game runs and waits in beforeRead
    // for one not yet there: it must hear of every file in the order it is read.
    test::TestGame t;
    std::string warning;
    const Catalog english = ChooseCatalog("en", test::DataDir(), Environment{}, warning);
    ASSERT_EQ(english.Code(), "en") << warning;
    const std::string sys = std::string(test::DataDir()) + "/sys/";
    struct Case {
        const char* rule;
        const Catalog* words;
        const char* gamePath;
        std::vector<std::string> announced;
    } cases[] = {
        {"the English title alone", &english, "sys\\title.bmp", {sys + "en/title.bmp"}},
        {"no English map: the English path, then the game's own", &english, "sys\\mainmap2.JPG",
         {sys + "en/mainmap2.JPG", sys + "mainmap2.JPG"}},
        {"in Japanese, only the game's own", nullptr, "sys\\gameover.bmp", {sys + "gameover.bmp"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> heard;
        t.g.beforeRead = [&heard](const std::string& path) { heard.push_back(path); };
        t.g.scr.SetLanguage(c.words);
        Surface got;
        EXPECT_TRUE(LoadGamePicture(t.g, got, c.gamePath)) << c.rule;
        EXPECT_EQ(heard, c.announced) << c.rule;
    }
}

}  // namespace
}  // namespace molfo::i18n
