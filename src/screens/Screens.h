// The end screens: game over, the ranking and the ending.
#pragma once

namespace molfo {

struct Game;
class Screen;

// Freezes the last frame under the game-over banner, then runs the ranking.
void GameOver(Game& g);
// Places the score in the ranking file, asks a top-ten player for a name,
// prints the top ten and waits for Z (back to the title) or Escape (quit).
void RankingEntry(Game& g);
// The closing slide show after the last boss, then the ranking.
void Ending(Game& g);

// Draws the banner held in sprite sheet 2 (picture at x 0, mask at x 500)
// over MainPic1 at rows 200..274, leaving the frame visible around it.
void StampBanner(Screen& w);
// The wait that ends the end screens: Escape or a close request quits, Z
// goes back to the title; returns at once when the program is already ending.
void WaitForRestart(Game& g);

}  // namespace molfo
