// The top of the game: the main loop and its steps, set-up and reset, stage
// progress, the title and practice starts. Everything here stands on the
// subsystems; nothing below includes it.
#pragma once

#include <cstdint>

namespace molfo {

struct Game;

// The main loop: a pass a frame, until ShuryoFlag is shuryo::End.
void Main(Game& g);
// The steps of a frame of play, from the player's move to the drawing.
void PlaySteps(Game& g);
// Takes the current stage's length, spawn odds, enemy list and background.
void LoadStage(Game& g);
// "Release the arrays": empties the slots, the grid and the file tables.
void HairetuKaihou(Game& g);
// "Initialise the game": a new game at stage 1, player and shots in place.
void GameShokika(Game& g);
// Zeroes the game's variables and puts the window's labels back.
void GameReset(Game& g);
// "Stage progress": counts the frame, brings the boss, ends the stage.
void SutejiShinkou(Game& g);
// The title screen: picture and song, then a wait for Shift or the end.
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
