// Placeholder until the end screens are written.
#include "core/Game.h"
#include "screens/Screens.h"
namespace molfo {
void GameOver(Game& g) { g.s.InGame = 0; g.s.GameOverFlag = 0; }
void RankingEntry(Game&) {}
void Ending(Game& g) { g.s.InGame = 0; }
}  // namespace molfo
