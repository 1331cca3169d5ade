// What the tests and the benchmarks share: a fresh game on the headless
// back end, input scripts, scratch folders, and ways to compare windows.
// No GoogleTest here, so the benchmarks can use it too.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "driver/InputScript.h"
#include "game/Flow.h"
#include "platform/headless/Headless.h"
#include "world/Game.h"

namespace molfo::test {

// The folder the build writes sys/ into.
const char* DataDir();

// Pictures with something in every pixel (the background and every sprite
// sheet), so a frame drawn or shown from stale memory shows.
void GivePictures(Screen& w);

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

// Sets Ransu's running state so that its next draw of 1..n comes out as
// `want`: a draw depends only on that state and the clock.
void SeedNextDraw(Game& g, int16_t n, int16_t want);

// The input script `text` says; a script that does not parse throws, which
// fails the test with the parser's message.
InputScript Script(const std::string& text);

// A folder of one test's own under the system's temporary folder, removed
// with all it holds when the test ends.
struct Scratch {
    std::filesystem::path root;
    explicit Scratch(const std::string& name);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    // Writes `content` to the file `rel` under the root, making its folders.
    std::string Make(const std::string& rel, const std::string& content = {}) const;
    // Makes the folder `rel` under the root.
    std::string Dir(const std::string& rel) const;
    static std::string Read(const std::string& path);
};

// Composes in `fresh` the window `shown` shows, drawn whole from its
// controls and pictures: what an incremental compose must match.
void ComposeAfresh(const Screen& shown, Screen& fresh);

// The first pixel at which two surfaces differ, as "(x, y)"; empty when
// they are the same.
std::string FirstDifference(const Surface& a, const Surface& b);

}  // namespace molfo::test
