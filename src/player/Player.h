// The player's frame steps: movement, shots, item use, special attacks.
#pragma once

namespace molfo {

struct Game;

void MolfoUgoki(Game& g);
void MolfoDan(Game& g);
void ItemTukau(Game& g);
void MolfoSUgoki(Game& g);

}  // namespace molfo
