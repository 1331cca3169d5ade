// Placeholder until the bosses are written.
#include "boss/Boss.h"
#include "core/Game.h"
namespace molfo {
BossDataClass::BossDataClass(Game& g) : g_(g), s_(g.s) {}
void BossDataClass::BossData(int16_t) {}
void BossDataClass::BossUgoki() {}
std::string BossDataClass::BossPicFile() { return ""; }
void BossMain(Game&) {}
}  // namespace molfo
