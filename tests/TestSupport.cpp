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

}  // namespace molfo::test
