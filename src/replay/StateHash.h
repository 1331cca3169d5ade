// A fingerprint of the game's state, written into recordings and compared
// on replay. Pixels are left out on purpose: new art must not make an old
// recording differ, only a change in what the game does.
#pragma once

#include <cstdint>

namespace molfo {

struct Game;

// FNV-1a over every field of the game state, the running state of Ransu,
// the scene, and the HUD's captions, widths and visibility.
uint64_t StateHash(const Game& g);

}  // namespace molfo
