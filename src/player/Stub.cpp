// Placeholder until the player steps are written.
#include "core/Game.h"
#include "player/Player.h"
namespace molfo {
void MolfoUgoki(Game&) {}
void MolfoDan(Game&) {}
void ItemTukau(Game&) {}
void MolfoSUgoki(Game&) {}
}  // namespace molfo
