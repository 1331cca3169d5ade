#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TestSupport.h"
#include "i18n/Catalog.h"
#include "render/KeyHelp.h"

namespace molfo {
namespace {

using settings::Settings;

// The help beside the playfield names the keys the player bound, not the
// defaults the game writes.
TEST(KeyHelp, TheHelpNamesTheKeysBound) {
    struct Case {
        const char* rule;
        std::function<void(Settings&)> bind;
        std::string caption;
        std::string drawn;
    } cases[] = {
        {"the default keys: the help as the game wrote it", [](Settings&) {}, PlayHelp(), PlayHelp()},
        {"fire on A",
         [](Settings& s) { s.keys[settings::Fire] = {"A", ""}; }, PlayHelp(),
         "Escキーで終了\r\nAキーでハルモス光線\r\nXでアイテムをつかう。\r\nCキーで使うアイテムをチェンジ"},
        {"two keys to quit, Escape named as the help always named it",
         [](Settings& s) { s.keys[settings::Quit] = {"Escape", "Q"}; }, EndHelp(),
         "Esc/Qキーでゲーム終了\r\nZキーで再スタート"},
        {"the item and the next item moved",
         [](Settings& s) {
             s.keys[settings::Item] = {"Space", ""};
             s.keys[settings::NextItem] = {"Left Shift", ""};
         },
         PlayHelp(), "Escキーで終了\r\nZキーでハルモス光線\r\nSpaceでアイテムをつかう。\r\nLeft Shiftキーで使うアイテムをチェンジ"},
        {"restarting follows fire", [](Settings& s) { s.keys[settings::Fire] = {"Return", ""}; }, EndHelp(),
         "Escキーでゲーム終了\r\nReturnキーで再スタート"},
        {"a caption that is no help is left alone", [](Settings& s) { s.keys[settings::Fire] = {"A", ""}; }, "Z",
         "Z"},
    };
    for (const Case& c : cases) {
        Settings s = Settings::Defaults();
        c.bind(s);
        EXPECT_EQ(KeyHelp(s).Apply(c.caption), c.drawn) << c.rule;
    }
}

TEST(KeyHelp, ALineNamingABoundKeyIsTranslatedWithIt) {
    i18n::Catalog en;
    std::string error;
    ASSERT_TRUE(i18n::Catalog::LoadMo(std::string(test::DataDir()) + "/sys/locale/en/LC_MESSAGES/molfo.mo", en, error))
        << error;
    Settings s = Settings::Defaults();
    s.keys[settings::Fire] = {"A", "B"};
    s.keys[settings::Quit] = {"Q", ""};
    EXPECT_EQ(en.Translate(KeyHelp(s).Apply(EndHelp())), "Q: quit the game\r\nA/B: play again")
        << "the English help names the same keys";
}

}  // namespace
}  // namespace molfo
