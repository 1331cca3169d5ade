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
    // Composes the window and shows it.
    void Refresh();
    void SetScene(Scene sc);
};

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
