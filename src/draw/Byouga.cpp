// The frame's drawing step: the scrolling background and every live slot
// stamped from its sprite sheet, drawn straight onto the visible playfield
// (MainPic1, itself a part of the window's picture); the main loop then
// shows it (ShowFrame). A frame whose background did not move redraws only
// where the objects were and are.
#include "draw/Draw.h"

#include <algorithm>
#include <span>
#include <utility>

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

// The background is big enough for its two copies to cover the whole
// playfield.
bool BackgroundCovers(const Screen& w, int y) {
    return w.HaikeiPic.Width() >= kPlayfield && w.HaikeiPic.Height() >= kPlayfield && y >= 0 && y <= kPlayfield &&
           w.MainPic1.Width() <= kPlayfield && w.MainPic1.Height() <= kPlayfield;
}

// The background, wrapped at row y, straight onto the visible playfield:
// the frame is drawn in its final place, with no back buffer copied to it.
void DrawBackground(GameState& s, Screen& w) {
    Surface& pic = w.MainPic1;
    const int y = s.HaikeiY;
    // The playfield starts as a cleared back buffer only where the copies
    // do not cover it: the flash XORs onto white, which inverts the
    // picture, and a picture smaller than the playfield leaves white round
    // it.
    if (s.HantenCount > 0 || !BackgroundCovers(w, y)) pic.Fill(0, 0, pic.Width(), pic.Height(), kBackBufferClear);
    const Rop op = s.HantenCount > 0 ? Rop::Xor : Rop::Copy;
    BitBlt(pic, 0, 0, kPlayfield, kPlayfield - y, w.HaikeiPic, 0, y, op);
    BitBlt(pic, 0, kPlayfield - y, kPlayfield, y, w.HaikeiPic, 0, 0, op);
    if (s.HantenCount > 0) s.HantenCount = static_cast<int16_t>(s.HantenCount - 1);
}

// Puts back inside `r` the background DrawBackground copies there.
void RestoreBackground(Surface& pic, const Surface& haikei, int y, const Rect& r) {
    const int split = kPlayfield - y;  // the rows above come from row y of the picture on
    const int top = r.y, bottom = r.y + r.h;
    if (top < split) BitBlt(pic, r.x, top, r.w, std::min(bottom, split) - top, haikei, r.x, top + y, Rop::Copy);
    if (bottom > split) {
        const int from = std::max(top, split);
        BitBlt(pic, r.x, from, r.w, bottom - from, haikei, r.x, from - split, Rop::Copy);
    }
}

// The frame before showed the background one row higher: every other
// frame, as it moves down half a row a frame. Row 0 and row 500 show the
// same picture.
bool MovedOneRow(int before, int now) { return (before % kPlayfield - now % kPlayfield + kPlayfield) % kPlayfield == 1; }

void Scroll(GameState& s) {
    s.HaikeiYD -= kScrollStep;
    if (s.HaikeiYD < 0.0) s.HaikeiYD = kScrollWrap;
    s.HaikeiY = static_cast<int16_t>(s.HaikeiYD);  // never negative, so truncation rounds down
}

// Draws slot n onto `target`. Returns false when it drew nothing, else
// true with the rectangle it drew in.
bool DrawSlot(GameState& s, Screen& w, Surface& target, int n, Rect& drawn) {
    const int wd = s.KyaraHaba[n], ht = s.KyaraTakasa[n];
    const int pic = s.KyaraPicNo[n];
    bool drew = false;
    if (pic >= 0 && pic < static_cast<int>(w.KyaraPic.size())) {
        const Surface& sheet = w.KyaraPic[pic];
        const int sx = s.KyaraPicX[n] + 2 * wd * s.KyaraKoma[n];
        const int sy = s.KyaraPicY[n];
        // Only the part of the cell that the stamp changes: the margin
        // round the sprite would come out as the playfield already is.
        const SpriteCell cell = w.spriteBounds.Look(pic, sheet, sx + wd, sx, sy, wd, ht);
        const Rect& part = cell.part;
        const int x = s.KyaraX[n] + part.x, y = s.KyaraY[n] + part.y;
        // The mask whitens the sprite's area; the picture, on white, then
        // lets its colours through only there.
        if (s.KyaraDameji[n] == 1) {
            BitBlt(target, x, y, part.w, part.h, sheet, sx + wd + part.x, sy + part.y, Rop::Or);
            s.KyaraDameji[n] = 0;  // the hit flash: one frame as a white silhouette
        } else if (cell.stamp != nullptr) {
            StampBlt(target, x, y, part.w, part.h, cell.stamp);
        } else {
            MaskBlt(target, x, y, part.w, part.h, sheet, sx + wd + part.x, sx + part.x, sy + part.y);
        }
        drawn = Rect{x, y, part.w, part.h};
        drew = !IsEmpty(part);
    } else if (s.KyaraDameji[n] == 1) {
        s.KyaraDameji[n] = 0;
    }

    const int16_t kankaku = s.KyaraKomaKankaku[n];
    // Every data routine sets an interval of 1 or more; 0 would divide by
    // zero, so such a slot just keeps its frame.
    if (kankaku > 0 && s.FrameCount % kankaku == 0) s.KyaraKoma[n] = static_cast<int16_t>(s.KyaraKoma[n] + 1);
    const int16_t frames = slot::IsBoss(n) ? kBossFrames : slot::IsItem(n) ? kItemFrames : kOtherFrames;
    if (s.KyaraKoma[n] == frames) s.KyaraKoma[n] = 0;
    return drew;
}

// The playfield's top row, drawn anew when the background moved.
constexpr Rect kTopRow{0, 0, kPlayfield, 1};

int Area(const Rect& r) { return r.w * r.h; }

Rect Union(const Rect& a, const Rect& b) {
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    return Rect{x0, y0, std::max(a.x + a.w, b.x + b.w) - x0, std::max(a.y + a.h, b.y + b.h) - y0};
}

// Where the frame changed the playfield, into last.changed: the top row
// when the background moved, and each object's wiped and drawn
// rectangles, as one where an object moved so little that the box round
// both is no bigger than the two (the display then copies and sends one
// rectangle, not two that overlap). Both lists run in slot order.
size_t ListChanges(DrawnPlayfield& last, size_t wiped, bool shifted) {
    size_t n = 0;
    if (shifted) last.changed[n++] = kTopRow;
    size_t i = 0, j = 0;
    while (i < wiped || j < last.count) {
        if (j == last.count || (i < wiped && last.wipedSlots[i] < last.slots[j])) {
            last.changed[n++] = last.wiped[i++];
        } else if (i == wiped || last.slots[j] < last.wipedSlots[i]) {
            last.changed[n++] = last.sprites[j++];
        } else {
            const Rect& before = last.wiped[i++];
            const Rect& now = last.sprites[j++];
            const Rect both = Union(before, now);
            if (Area(both) <= Area(before) + Area(now)) {
                last.changed[n++] = both;
            } else {
                last.changed[n++] = before;
                last.changed[n++] = now;
            }
        }
    }
    return n;
}

}  // namespace

void Byouga(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    Surface& pic = w.MainPic1;
    DrawnPlayfield& last = w.drawnPlayfield;
    const int y = s.HaikeiY;
    const bool inverted = s.HantenCount > 0;
    // Every other frame the background stays where it was: then the last
    // frame's objects are wiped off the playfield and this frame's drawn
    // on it, instead of drawing the whole playfield again. That holds while
    // the playfield and the background are as the last frame left them,
    // which their versions tell.
    // On the frames between, the background moved down a row: the last
    // frame is moved down with it, and only where its objects were and the
    // new top row come from the background picture.
    const bool asLeft = BackgroundCovers(w, y) && last.valid && !inverted && !last.inverted &&
                        w.HaikeiPic.Version() == last.haikeiVersion && pic.Version() == last.picVersion;
    const bool still = asLeft && y == last.haikeiY;
    const bool shifted = asLeft && MovedOneRow(last.haikeiY, y);
    const uint64_t since = pic.Version();
    size_t wiped = 0;
    if (still || shifted) {
        // On a move, the last frame's background is this frame's one row
        // lower, read from where it already lies rather than from the
        // background picture; where the display reads the playfield
        // through its view, the view turns and no pixel moves.
        if (shifted) pic.MoveDown(1, w.MayTurn());
        const int down = shifted ? 1 : 0;
        for (size_t i = 0; i < last.count; ++i) {
            const Rect& r = last.sprites[i];
            const Rect moved{r.x, r.y + down, r.w, r.h};
            RestoreBackground(pic, w.HaikeiPic, y, moved);
            last.wiped[wiped] = moved;
            last.wipedSlots[wiped++] = last.slots[i];
        }
        if (shifted) RestoreBackground(pic, w.HaikeiPic, y, kTopRow);
    } else {
        DrawBackground(s, w);
    }
    Scroll(s);
    last.count = 0;
    // Ascending order: a higher slot covers a lower one.
    for (int n = slot::Molfo; n <= slot::ItemLast; ++n) {
        Rect drawn;
        if (s.KyaraSonzai[n] == 1 && DrawSlot(s, w, pic, n, drawn)) {
            last.sprites[last.count] = drawn;
            last.slots[last.count++] = static_cast<int16_t>(n);
        }
    }
    const size_t changed = (still || shifted) ? ListChanges(last, wiped, shifted) : 0;
    last.valid = BackgroundCovers(w, y);
    last.haikeiY = y;
    last.inverted = inverted;
    last.haikeiVersion = w.HaikeiPic.Version();
    last.picVersion = pic.Version();
    // Telling the window where the playfield changed spares it looking; a
    // display that can move what it shows takes only those after the move.
    const Rect all{0, 0, kPlayfield, kPlayfield};
    w.PlayfieldChangedOnly(still || shifted ? std::span<const Rect>(last.changed.data(), changed)
                                            : std::span<const Rect>(&all, 1),
                           since, shifted ? 1 : 0);
}

}  // namespace molfo
