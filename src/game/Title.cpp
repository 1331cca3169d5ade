// The title screen: the picture, the opening music and the wait for Shift.
#include "game/Flow.h"
#include "world/Game.h"

namespace molfo {

void DrawTitlePicture(Game& g) {
    Screen& w = g.scr;
    LoadGamePicture(g, w.HaikeiPic, "sys\\title.bmp");
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
    g.Oto->Play("sys\\opening.mid", 3);
    Delay(g, 200);
    Delay(g, 2000);
    bool shift = false;
    bool closed = false;
    while (!shift) {
        if (KeyDown(g, vk::Shift)) shift = true;
        closed = DoEvents(g) || closed;
        // A close request that comes after an Escape (ShuryoFlag already -1)
        // must end the wait too, or the window would ignore it.
        if (KeyDown(g, vk::Escape) || s.ShuryoFlag == 1 || (closed && s.ShuryoFlag == -1)) {
            s.ShuryoFlag = -1;
            return;
        }
        if (!shift) Nap(g);
    }
}

}  // namespace molfo
