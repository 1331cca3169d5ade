// The headless driver's input script: which keys to hold or press, which
// answers to give and when to ask the window to close, keyed on the scene
// the game is in and on the frames of play.
//
//   # comment
//   title: press SHIFT              every time the title waits
//   title#2: press ESC              only the second time
//   title+300: press ESC            300 ms (game time) after the title began
//   play 1-200: hold RIGHT Z        frames 1..200 of every game
//   play#2 50: press X              frame 50 of the second game only
//   name: answer たろう             the text typed into the name box
//   name#2: cancel                  the second name box is cancelled
//   ranking: press Z
//   play 300: close                 a request to close the window
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace molfo {

struct ScriptRule {
    enum class When { Scene, Play };
    enum class Action { Hold, Press, Answer, Cancel, Close };

    When when = When::Scene;
    std::string scene;        // scene name for When::Scene
    int occurrence = 0;       // the nth time the scene starts, or game number for play; 0: every time
    uint32_t offsetMs = 0;    // scene rules: game time after the scene began
    int64_t firstFrame = 0;   // play rules
    int64_t lastFrame = 0;
    Action action = Action::Press;
    std::vector<int> keys;    // Hold, Press
    std::string text;         // Answer
    int line = 0;
};

struct InputScript {
    std::vector<ScriptRule> rules;
};

// Parses a script. On a malformed line, returns false and sets `error` to a
// message naming the line.
bool ParseInputScript(const std::string& text, InputScript& out, std::string& error);

// The virtual-key code for a key name (LEFT, RIGHT, UP, DOWN, Z, X, C, SPACE,
// SHIFT, CTRL, ESC); -1 when unknown.
int KeyCodeByName(const std::string& name);

}  // namespace molfo
