// The top of the game: the main loop and its steps, set-up and reset, stage
// progress, the title and practice starts. Everything here stands on the
// subsystems; nothing below includes it.
#pragma once

#include <cstdint>

namespace molfo {

struct Game;

void Main(Game& g);
// The steps of a frame of play, from the player's move to the drawing.
void PlaySteps(Game& g);
// Takes the current stage's length, spawn odds, enemy list and background.
void LoadStage(Game& g);
void HairetuKaihou(Game& g);
void GameShokika(Game& g);
void GameReset(Game& g);
void SutejiShinkou(Game& g);
void Title(Game& g);
// The title's picture on the playfield, in the window's language (again
// after the settings page changed it).
void DrawTitlePicture(Game& g);
// Moves a game just set up to stage 1..5, and with atBoss to the frame
// before its boss arrives.
void PracticeStart(Game& g, int16_t stage, bool atBoss);
// Makes the first game of the session a practice start (nothing for stage 1
// without its boss): PracticeStart as that game's play begins, before the
// hooks already set on the game see the scene.
void StartFirstGameAt(Game& g, int16_t stage, bool atBoss);

}  // namespace molfo
