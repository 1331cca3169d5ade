// A fresh game on the headless back end, for tests and benchmarks.
#pragma once

#include <memory>
#include <string>

#include "game/Flow.h"
#include "platform/headless/Headless.h"
#include "world/Game.h"

namespace molfo::test {

// The folder the build writes sys/ into.
const char* DataDir();

struct TestGame {
    HeadlessPlatform hp;
    std::unique_ptr<Game> game;
    GameState& s;
    Game& g;

    TestGame();
    // Runs the set-up of a new game at stage 1, as the loop does after the
    // title (GameReset, then GameShokika).
    void NewGame();
    // Frees every slot and clears the grid to walls and empty playfield.
    void EmptyField();
};

// Composes in `fresh` the window `shown` shows, drawn whole from its
// controls and pictures: what an incremental compose must match.
void ComposeAfresh(const Screen& shown, Screen& fresh);

// The first pixel at which two surfaces differ, as "(x, y)"; empty when
// they are the same.
std::string FirstDifference(const Surface& a, const Surface& b);

}  // namespace molfo::test
