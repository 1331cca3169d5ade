// The frame's drawing step and the HUD steps.
#pragma once

namespace molfo {

struct Game;

// Draws the frame of play on the visible playfield, MainPic1; showing it
// is the main loop's next step.
void Byouga(Game& g);
void HpHyouji(Game& g);
void BossHpHyouji(Game& g);
void TenHyouji(Game& g);
void KyoriHyouji(Game& g);
void ItemHyouji(Game& g);

}  // namespace molfo
