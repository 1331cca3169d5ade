#include "TestSupport.h"

namespace molfo::test {

const char* DataDir() { return MOLFO_TEST_DATA_DIR; }

namespace {
std::unique_ptr<Game> MakeGame(HeadlessPlatform& hp) { return std::make_unique<Game>(hp.platform, DataDir()); }
}  // namespace

TestGame::TestGame() : game(MakeGame(hp)), s(game->s), g(*game) {}

void TestGame::NewGame() {
    GameReset(g);
    g.Oto = g.NewSound();
    GameShokika(g);
    g.SetScene(Scene::Play);
}

void TestGame::EmptyField() {
    ClearSlots(s);
    s.ChousaMap.Fill();
}

void ComposeAfresh(const Screen& shown, Screen& fresh) {
    for (Label Screen::*l : {&Screen::Label2, &Screen::Label1, &Screen::HPL, &Screen::MainSPL, &Screen::Label4,
                             &Screen::GoukeiTenL, &Screen::BossL, &Screen::BossKyoriL, &Screen::BossHpL2,
                             &Screen::BossHpL, &Screen::MS})
        fresh.*l = shown.*l;
    fresh.SPL = shown.SPL;
    fresh.MainItemPic = shown.MainItemPic;
    fresh.ItemPic = shown.ItemPic;
    fresh.ItemIcon = shown.ItemIcon;
    fresh.MainPic1 = shown.MainPic1;
    fresh.Invalidate();
    fresh.Compose();
}

std::string FirstDifference(const Surface& a, const Surface& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return "the sizes";
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.At(x, y) != b.At(x, y)) return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return {};
}

}  // namespace molfo::test
