// Practice starts: the first game begins at a chosen stage, or at its boss.
// Used by the headless driver for boss fights and by players who want to
// rehearse a stage.
#include "game/Flow.h"
#include "world/Game.h"

namespace molfo {

void PracticeStart(Game& g, int16_t stage, bool atBoss) {
    GameState& s = g.s;
    if (stage < 1 || stage > 5) return;
    if (stage != s.SutejiNo) {
        s.SutejiNo = stage;
        LoadStage(g);
        g.Oto->Play(s.KyokuFile[kyoku::Suteji(s.SutejiNo)], kyoku::Kaisu);
    }
    // The next frame's count reaches the stage's length and the boss arrives.
    if (atBoss) s.FrameCount = s.SutejiNagasa - 1;
}

void StartFirstGameAt(Game& g, int16_t stage, bool atBoss) {
    if (stage == 1 && !atBoss) return;
    g.onScene = [stage, atBoss, started = false, before = std::move(g.onScene)](Game& game) mutable {
        if (game.scene == Scene::Play && !started) {
            started = true;
            PracticeStart(game, stage, atBoss);
        }
        if (before) before(game);
    };
}

}  // namespace molfo
