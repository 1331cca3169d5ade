// Placeholder until the collision sweep is written.
#include "collision/Chousa.h"
#include "core/Game.h"
namespace molfo {
ChousaClass::ChousaClass(Game& g) : g_(g), s_(g.s) {}
void ChousaClass::ChousaMain(int16_t, int16_t, int16_t) {}
void ChousaClass::KyaraShokika(int16_t) {}
}  // namespace molfo
