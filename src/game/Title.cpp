// The title screen: the picture, the opening music and the wait for Shift.
#include "core/AssetNames.h"
#include "game/Flow.h"
#include "world/Game.h"

namespace molfo {

namespace {
// The title's song repeats three times, every other song ten.
constexpr int16_t kOpeningKaisu = 3;
}  // namespace

void DrawTitlePicture(Game& g) {
    Screen& w = g.scr;
    LoadGamePicture(g, w.HaikeiPic, assets::kTitle);
    BitBlt(w.MainPic1, 0, 0, kPlayfield, kPlayfield, w.HaikeiPic, 0, 0, Rop::Copy);
}

void Title(Game& g) {
    GameState& s = g.s;
    HairetuKaihou(g);
    GameReset(g);
    g.SetScene(Scene::Title);
    DrawTitlePicture(g);
    ShowFrame(g);
    g.Oto = g.NewSound();
    g.Oto->SHOKIKA();
    g.Oto->Play(assets::kOpeningSong, kOpeningKaisu);
    Delay(g, 200);
    Delay(g, 2000);
    bool shift = false;
    bool closed = false;
    while (!shift) {
        if (KeyDown(g, vk::Shift)) shift = true;
        closed = DoEvents(g) || closed;
        // A close request that comes after an Escape (ShuryoFlag already End)
        // must end the wait too, or the window would ignore it.
        if (KeyDown(g, vk::Escape) || s.ShuryoFlag == shuryo::CloseAsked || (closed && s.ShuryoFlag == shuryo::End)) {
            s.ShuryoFlag = shuryo::End;
            return;
        }
        if (!shift) Nap(g);
    }
}

}  // namespace molfo
