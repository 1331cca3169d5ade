// The game window's own state and services: the game state, the window's
// controls, the platform and the sound object. Every step of the frame takes
// a Game; nothing lives in process-wide globals.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/GameState.h"
#include "platform/Platform.h"
#include "render/Screen.h"
#include "sound/mySound.h"

namespace molfo {

// Which waiting loop or phase the game is in; the headless driver's input
// script and the state dump key on it.
enum class Scene { Start, Title, Play, GameOver, NameEntry, Message, Ranking, Ending, End };
const char* SceneName(Scene s);

struct Game {
    Game(Platform& platform, std::string dataDir);
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    GameState s;
    Screen scr;
    Platform& pf;
    std::string dataDir;  // the folder that holds sys/
    // Where the ranking is kept; empty for "sys\rank.hms" under dataDir. An
    // installed game that cannot write there keeps it in the user's folder.
    std::string rankPath;
    std::unique_ptr<mySound> Oto;
    Scene scene = Scene::Start;

    // Running state of Ransu's generator; the clock reading is mixed into it
    // on every call.
    uint64_t ransuState = 0x853c49e6748fea9bULL;

    // Passes of the main loop so far (a pass is one frame of play, or the
    // title and set-up that precede it).
    int64_t passes = 0;

    // Called at the end of every pass of the main loop; the headless driver
    // dumps the state here.
    std::function<void(Game&)> afterPass;
    // Called whenever the scene changes.
    std::function<void(Game&)> onScene;
    // Called with a picture's host path before it is read. The page fetches
    // most of its pictures while the game runs, and waits here for one that
    // has not arrived yet.
    std::function<void(const std::string& hostPath)> beforeRead;

    // Maps a game path such as "sys\rank.hms" to a host path under dataDir.
    std::string HostPath(const std::string& gamePath) const;
    // A new sound object on the shared devices (the end screens make their own).
    std::unique_ptr<mySound> NewSound();
    // False for a run whose window nobody sees (a verifier): ShowFrame then
    // composes and shows nothing. The game's own drawing goes on as ever,
    // and no state the game reads depends on the composed window.
    bool showWindow = true;
    void SetScene(Scene sc);
};

// Where a finished frame goes: the one path from the game's pictures to the
// screen. Screen::Compose draws the window's controls and the playfield
// (MainPic1) into Screen::window and notes the rectangles that changed;
// the platform's Display::Present shows that picture (in the window,
// SdlDisplay::Present copies only those rectangles to the screen).
//
// The main loop calls it after every frame of play's steps. Screens that
// put up pictures and wait on their own call it too: the title (Title),
// a wait whose captions changed (Delay), the game-over banner, the
// ranking's list and the ending's pictures (screens/Screens.cpp), and the
// window a box opens over. The window's modal screens (the name and
// message boxes, the settings page, the pause note) draw over the frame
// last shown and show their own copies (SdlDisplay::Show, ShowAside; the
// page's boxes through WebPlatform::Present); when the settings page
// changes the language it has the window composed again beneath it
// without showing it (app/main.cpp).
void ShowFrame(Game& g);

// Loads a picture named by its game path into a surface, in the window's
// language where the picture has words (sys\en\title.bmp for
// sys\title.bmp); a missing file leaves a blank 500 x 500 picture.
bool LoadGamePicture(Game& g, Surface& dst, const std::string& gamePath);

// --- the clock, the waits, the keys and the random numbers ---
void FrameMachi(Game& g, int32_t ms);
void Delay(Game& g, int32_t ms);
// The sleep between the looks of a wait that only a key ends (the title's
// Shift, the ranking's Z): a frame long, or shorter when a key arrived.
void Nap(Game& g);
// Pumps window events; a close request sets ShuryoFlag to 1 if it was 0.
// Returns true when a close request arrived.
bool DoEvents(Game& g);
bool KeyDown(Game& g, int vkCode);
// A uniform whole number 1..n, the generator reseeded from the clock.
int16_t Ransu(Game& g, int16_t n);

}  // namespace molfo
