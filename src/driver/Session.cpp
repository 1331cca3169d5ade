#include "driver/Session.h"

#include <algorithm>

namespace molfo {

HeadlessSession::HeadlessSession(const std::string& dataDir, InputScript script, const PlatformWrap& wrap)
    : game(std::make_unique<Game>(wrap ? wrap(hp) : hp.platform, dataDir)), script_(std::move(script)) {
    game->onScene = [this](Game&) { OnScene(); };
    game->afterPass = [this](Game&) { AfterPass(); };
    hp.events.onPump = [this] { OnPump(); };
}

void HeadlessSession::Run() {
    game->scr.LoadOwnPictures(game->dataDir);
    Main(*game);
}

void HeadlessSession::ReleaseHeld(std::vector<int>& heldList) {
    for (int k : heldList) hp.keys.Hold(k, false);
    heldList.clear();
}

void HeadlessSession::Apply(const ScriptRule& r, std::vector<int>& heldList) {
    switch (r.action) {
        case ScriptRule::Action::Hold:
            for (int k : r.keys) {
                hp.keys.Hold(k, true);
                heldList.push_back(k);
            }
            break;
        case ScriptRule::Action::Press:
            for (int k : r.keys) hp.keys.Press(k);
            break;
        case ScriptRule::Action::Answer: hp.dialogs.answers.push_back(r.text); break;
        case ScriptRule::Action::Cancel: hp.dialogs.answers.push_back(std::nullopt); break;
        case ScriptRule::Action::Close: hp.events.RequestClose(); break;
    }
}

void HeadlessSession::OnScene() {
    const Scene sc = game->scene;
    scenes.push_back(sc);
    // The program ends inside a pass (Escape on the title, at the ranking):
    // that pass gets its line too, before the clean-up empties the state.
    if (sc == Scene::End && onDump && dumpedPass_ < game->passes) {
        dumpedPass_ = game->passes;
        onDump(DumpPass(*game, hp, ctx_));
    }
    waitStart_ = hp.clock.Ticks();
    ReleaseHeld(sceneHeld_);
    ReleaseHeld(playHeld_);
    timed_.clear();
    sceneStart_ = hp.clock.Ticks();
    const std::string name = SceneName(sc);
    const int count = ++sceneCount_[name];
    if (sc == Scene::Play) {
        ++ctx_.game;
        ctx_.playFrame = 1;
        ApplyPlayRules();
    }
    for (const ScriptRule& r : script_.rules) {
        if (r.when != ScriptRule::When::Scene || r.scene != name) continue;
        if (r.occurrence != 0 && r.occurrence != count) continue;
        if (r.offsetMs == 0)
            Apply(r, sceneHeld_);
        else
            timed_.push_back(&r);
    }
    if (onSceneHook) onSceneHook(*game);
}

void HeadlessSession::OnPump() {
    const uint32_t now = hp.clock.Ticks();
    if (!timed_.empty()) {
        auto due = [&](const ScriptRule* r) { return now - sceneStart_ >= r->offsetMs; };
        for (const ScriptRule* r : timed_)
            if (due(r)) {
                Apply(*r, sceneHeld_);
                waitStart_ = now;
            }
        timed_.erase(std::remove_if(timed_.begin(), timed_.end(), due), timed_.end());
    }
    // Only a wait that nothing will end counts: one pass that has gone on
    // this long with no timed rule left to fire. Play itself never counts.
    if (!timedOut && timed_.empty() && now - waitStart_ >= timeLimitMs) {
        // Every waiting loop gives way to Escape or a close request.
        timedOut = true;
        hp.keys.Hold(vk::Escape, true);
        hp.events.RequestClose();
    }
}

void HeadlessSession::ApplyPlayRules() {
    ReleaseHeld(playHeld_);
    for (const ScriptRule& r : script_.rules) {
        if (r.when != ScriptRule::When::Play) continue;
        if (r.occurrence != 0 && r.occurrence != ctx_.game) continue;
        if (ctx_.playFrame < r.firstFrame || ctx_.playFrame > r.lastFrame) continue;
        // A press or a close belongs to the first frame of its range only.
        const bool once = r.action != ScriptRule::Action::Hold;
        if (once && ctx_.playFrame != r.firstFrame) continue;
        Apply(r, playHeld_);
    }
}

void HeadlessSession::AfterPass() {
    Game& g = *game;
    waitStart_ = hp.clock.Ticks();
    if (onDump) {
        dumpedPass_ = g.passes;
        onDump(DumpPass(g, hp, ctx_));
    }
    if (frameLimit >= 0 && g.passes >= frameLimit) g.s.ShuryoFlag = shuryo::End;
    if (afterPassHook) afterPassHook(g);
    if (g.scene == Scene::Play) {
        ++ctx_.playFrame;
        ApplyPlayRules();
    }
}

}  // namespace molfo
