// The frame's drawing step: the scrolling background, every live slot
// stamped from its sprite sheet, and the finished frame shown.
#include "draw/Draw.h"

#include "world/Game.h"

namespace molfo {

namespace {

// The background row at the top of the playfield moves down half a pixel a
// frame and wraps, so the picture's top and bottom edges meet on screen.
constexpr double kScrollStep = 0.5;
constexpr double kScrollWrap = 500.0;

// Frames of animation by slot range.
constexpr int16_t kBossFrames = 3;
constexpr int16_t kItemFrames = 1;
constexpr int16_t kOtherFrames = 4;

void DrawBackground(GameState& s, Screen& w) {
    const int y = w.HaikeiY;
    // The two copies cover the whole back buffer, so it is cleared only
    // when they do not: the flash XORs onto white, which inverts the
    // picture, and a picture smaller than the playfield leaves white round it.
    const bool covers = w.HaikeiPic.Width() >= kPlayfield && w.HaikeiPic.Height() >= kPlayfield && y >= 0 &&
                        y <= kPlayfield && w.MainPic2.Width() <= kPlayfield && w.MainPic2.Height() <= kPlayfield;
    if (s.HantenCount > 0 || !covers) w.MainPic2.Clear();
    const Rop op = s.HantenCount > 0 ? Rop::Xor : Rop::Copy;
    BitBlt(w.MainPic2, 0, 0, kPlayfield, kPlayfield - y, w.HaikeiPic, 0, y, op);
    BitBlt(w.MainPic2, 0, kPlayfield - y, kPlayfield, y, w.HaikeiPic, 0, 0, op);
    if (s.HantenCount > 0) s.HantenCount = static_cast<int16_t>(s.HantenCount - 1);
}

void Scroll(Screen& w) {
    w.HaikeiYD -= kScrollStep;
    if (w.HaikeiYD < 0.0) w.HaikeiYD = kScrollWrap;
    w.HaikeiY = static_cast<int16_t>(w.HaikeiYD);  // never negative, so truncation rounds down
}

void DrawSlot(GameState& s, Screen& w, int n) {
    const int wd = s.KyaraHaba[n], ht = s.KyaraTakasa[n];
    const int pic = s.KyaraPicNo[n];
    if (pic >= 0 && pic < static_cast<int>(w.KyaraPic.size())) {
        const Surface& sheet = w.KyaraPic[pic];
        const int sx = s.KyaraPicX[n] + 2 * wd * s.KyaraKoma[n];
        const int sy = s.KyaraPicY[n];
        // The mask whitens the sprite's area; the picture, on white, then
        // lets its colours through only there.
        BitBlt(w.MainPic2, s.KyaraX[n], s.KyaraY[n], wd, ht, sheet, sx + wd, sy, Rop::Or);
        if (s.KyaraDameji[n] == 1) {
            s.KyaraDameji[n] = 0;  // the hit flash: one frame as a white silhouette
        } else {
            BitBlt(w.MainPic2, s.KyaraX[n], s.KyaraY[n], wd, ht, sheet, sx, sy, Rop::And);
        }
    } else if (s.KyaraDameji[n] == 1) {
        s.KyaraDameji[n] = 0;
    }

    const int16_t kankaku = s.KyaraKomaKankaku[n];
    // Every data routine sets an interval of 1 or more; 0 would divide by
    // zero, so such a slot just keeps its frame.
    if (kankaku > 0 && s.FrameCount % kankaku == 0) s.KyaraKoma[n] = static_cast<int16_t>(s.KyaraKoma[n] + 1);
    const int16_t frames = slot::IsBoss(n) ? kBossFrames : slot::IsItem(n) ? kItemFrames : kOtherFrames;
    if (s.KyaraKoma[n] == frames) s.KyaraKoma[n] = 0;
}

}  // namespace

void Byouga(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    DrawBackground(s, w);
    Scroll(w);
    // Ascending order: a higher slot covers a lower one.
    for (int n = slot::Molfo; n <= slot::ItemLast; ++n)
        if (s.KyaraSonzai[n] == 1) DrawSlot(s, w, n);
    // The finished frame becomes the visible playfield by trading buffers;
    // the back buffer is drawn over in full on the next frame.
    const bool sameSize = w.MainPic1.Width() == w.MainPic2.Width() && w.MainPic1.Height() == w.MainPic2.Height();
    if (sameSize && w.MainPic1.Width() <= kPlayfield && w.MainPic1.Height() <= kPlayfield)
        w.MainPic1.SwapPixels(w.MainPic2);
    else
        BitBlt(w.MainPic1, 0, 0, kPlayfield, kPlayfield, w.MainPic2, 0, 0, Rop::Copy);
    g.Refresh();
}

}  // namespace molfo
