// Placeholder until the movement rules are written.
#include "core/Game.h"
#include "movement/Ugoki.h"
namespace molfo {
UgokiClass::UgokiClass(Game& g) : g_(g), s_(g.s) {}
}  // namespace molfo
