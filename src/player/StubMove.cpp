// Placeholder until the player's movement and shots are written.
#include "core/Game.h"
#include "enemies/Enemies.h"
#include "player/Player.h"
namespace molfo {
void MolfoUgoki(Game&) {}
void MolfoDan(Game&) {}
void KyaraDataClass::MolfoData() {}
void KyaraDataClass::MolfoAData(int16_t) {}
}  // namespace molfo
