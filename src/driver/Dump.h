// The state dump of the headless driver: one JSON object per pass of the
// main loop.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace molfo {

struct Game;
struct HeadlessPlatform;

struct DumpContext {
    int64_t game = 0;       // games started so far
    int64_t playFrame = 0;  // frame of play within the current game
    size_t soundsDumped = 0;
    size_t dialogsDumped = 0;
};

// The state after a pass: flow variables, HUD, live slots, and the sound
// calls and dialogs since the previous dump.
nlohmann::ordered_json DumpPass(const Game& g, const HeadlessPlatform& hp, DumpContext& ctx);

// One line of the dump. Text that is not valid UTF-8 (a name typed in
// another encoding) is written with U+FFFD in place of its bad bytes rather
// than ending the dump.
std::string DumpLine(const nlohmann::ordered_json& j);

}  // namespace molfo
