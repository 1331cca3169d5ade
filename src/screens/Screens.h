// The end screens: game over, the ranking and the ending.
#pragma once

namespace molfo {

struct Game;

void GameOver(Game& g);
void RankingEntry(Game& g);
void Ending(Game& g);

}  // namespace molfo
