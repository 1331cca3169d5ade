// A fingerprint of the game's state, written into recordings and compared
// on replay. Pixels are left out on purpose: new art must not make an old
// recording differ, only a change in what the game does.
#pragma once

#include <cstdint>

#include "replay/ReplayFile.h"

namespace molfo {

struct Game;

// FNV-1a over every field of the game state, the running state of Ransu,
// the scene, and the HUD's captions, widths and visibility.
uint64_t StateHash(const Game& g);

// What of the hashed state outlives a game into the next one of its session
// (the title resets everything else), and putting it back into a fresh game.
replay::Carried CarriedState(const Game& g);
void RestoreCarried(Game& g, const replay::Carried& c);

}  // namespace molfo
