// One headless run of the game: the headless back end, a Game on it, and
// the input script applied as the game moves from scene to scene.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "driver/Dump.h"
#include "driver/InputScript.h"
#include "game/Flow.h"
#include "platform/headless/Headless.h"
#include "world/Game.h"

namespace molfo {

class HeadlessSession {
public:
    // Puts decorators (recording, replaying) between the back end and the
    // game; returns the platform the game is to use.
    using PlatformWrap = std::function<Platform&(HeadlessPlatform&)>;

    HeadlessSession(const std::string& dataDir, InputScript script, const PlatformWrap& wrap = {});
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    // Runs the main loop to its end (Escape, a close request, the frame
    // limit or the time limit).
    void Run();

    HeadlessPlatform hp;
    std::unique_ptr<Game> game;

    int64_t frameLimit = -1;                     // passes of the main loop; -1: none
    // Game time one wait may last, with no script rule left to end it,
    // before the run is stopped.
    uint32_t timeLimitMs = 6u * 60u * 60u * 1000u;
    bool timedOut = false;

    // Called with the dump of every pass when set.
    std::function<void(const nlohmann::ordered_json&)> onDump;
    // Called after the session's own work on a scene change, and at the end
    // of every pass once the frame limit has been applied.
    std::function<void(Game&)> onSceneHook;
    std::function<void(Game&)> afterPassHook;

    // Every scene the game entered, in order.
    std::vector<Scene> scenes;
    int64_t Games() const { return ctx_.game; }
    int64_t PlayFrame() const { return ctx_.playFrame; }

private:
    void OnScene();
    void OnPump();
    void AfterPass();
    void ApplyPlayRules();
    void Apply(const ScriptRule& r, std::vector<int>& heldList);
    void ReleaseHeld(std::vector<int>& heldList);

    InputScript script_;
    DumpContext ctx_;
    std::map<std::string, int> sceneCount_;
    uint32_t sceneStart_ = 0;
    uint32_t waitStart_ = 0;   // when the current pass began or a timed rule last fired
    int64_t dumpedPass_ = 0;   // the last pass with a dump line
    std::vector<const ScriptRule*> timed_;  // scene rules waiting for their offset
    std::vector<int> sceneHeld_;
    std::vector<int> playHeld_;
};

}  // namespace molfo
