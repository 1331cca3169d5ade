// Placeholder until the items are written.
#include "core/Game.h"
#include "items/Items.h"
namespace molfo {
ItemClass::ItemClass(Game& g) : g_(g), s_(g.s) {}
void ItemClass::ShutugenItemShokika() {}
int16_t ItemClass::ShutugenItem() { return 0; }
void ItemClass::ItemData(int16_t, int16_t) {}
void ItemClass::ItemShutugenBasho(int16_t) {}
void ItemClass::GetFood(int16_t) {}
void ItemClass::MolfoSData(int16_t, int16_t) {}
void ItemClass::SpUgoki(int16_t) {}
void ItemMain(Game&) {}
}  // namespace molfo
