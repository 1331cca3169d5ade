// Placeholder until item use is written.
#include "core/Game.h"
#include "player/Player.h"
namespace molfo {
void ItemTukau(Game&) {}
void MolfoSUgoki(Game&) {}
}  // namespace molfo
