// The playfield kept for the screen in a ring of rows: whatever moves, scales
// and changes come, the screen it feeds must show the frame, and the frames
// a game draws must say truthfully what moved and what changed after.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "game/Flow.h"
#include "render/ShownRing.h"

namespace molfo {
namespace {

constexpr uint32_t kJunk = 0xDEADBEu;

// A ring buffer and the screen it is sent to, as the X server keeps them:
// the screen holds only what was sent.
struct FakeScreen final : ShownRing::Sink {
    int w = 0, h = 0, pitch = 0;
    std::vector<uint32_t> ring;
    bool replaceNext = false;  // the next buffer is a new one, full of junk
    int screenW, screenH;
    std::vector<uint32_t> screen;
    int sends = 0;

    FakeScreen(int sw, int sh) : screenW(sw), screenH(sh), screen(static_cast<size_t>(sw) * sh, kJunk) {}

    PixelBuffer Buffer(int bw, int bh, bool& kept) override {
        kept = bw == w && bh == h && !replaceNext;
        if (!kept) {
            w = bw;
            h = bh;
            pitch = bw + 3;  // rows wider than the picture, as X pads them
            ring.assign(static_cast<size_t>(pitch) * bh, kJunk);
            replaceNext = false;
        }
        return PixelBuffer{ring.data(), pitch, w, h};
    }
    void Send(const Rect& from, int toX, int toY) override {
        ++sends;
        ASSERT_TRUE(from.x >= 0 && from.y >= 0 && from.x + from.w <= w && from.y + from.h <= h) << "outside the ring";
        ASSERT_TRUE(toX >= 0 && toY >= 0 && toX + from.w <= screenW && toY + from.h <= screenH) << "off the screen";
        for (int r = 0; r < from.h; ++r)
            std::copy_n(ring.data() + static_cast<size_t>(from.y + r) * pitch + from.x, from.w,
                        screen.data() + static_cast<size_t>(toY + r) * screenW + toX);
    }
    // What the window's buffer does with a rectangle outside the ring.
    void Put(const Surface& frame, const Rect& r, int scale, int ox, int oy) {
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                for (int k = 0; k < scale * scale; ++k)
                    screen[static_cast<size_t>(oy + y * scale + k / scale) * screenW + ox + x * scale + k % scale] =
                        frame.At(x, y);
    }
    // The first pixel of `frame` the screen shows wrong, or "" when none.
    // The frame's `area` is read through `picture`, its view, whose rows
    // may lie turned.
    std::string Wrong(const Surface& frame, int scale, int ox, int oy, const Surface* picture = nullptr,
                      const Rect& area = {}) const {
        for (int y = 0; y < frame.Height(); ++y)
            for (int x = 0; x < frame.Width(); ++x)
                for (int k = 0; k < scale * scale; ++k)
                    if (screen[static_cast<size_t>(oy + y * scale + k / scale) * screenW + ox + x * scale + k % scale] !=
                        Read(frame, x, y, picture, area))
                        return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
        return "";
    }
    static uint32_t Read(const Surface& frame, int x, int y, const Surface* picture, const Rect& area) {
        const bool inside = picture != nullptr && x >= area.x && x < area.x + area.w && y >= area.y && y < area.y + area.h;
        return inside ? picture->At(x - area.x, y - area.y) : frame.At(x, y);
    }
};

uint32_t Random(std::mt19937& rng) { return rng() & 0xFFFFFFu; }

void Paint(Surface& s, const Rect& r, std::mt19937& rng) {
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x) s.At(x, y) = Random(rng);
}

// Paints `r` of the frame, its `area` through `picture`, the area's view.
void Paint(Surface& frame, Surface& picture, const Rect& area, const Rect& r, std::mt19937& rng) {
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x) {
            const bool inside = x >= area.x && x < area.x + area.w && y >= area.y && y < area.y + area.h;
            (inside ? picture.At(x - area.x, y - area.y) : frame.At(x, y)) = Random(rng);
        }
}

TEST(ShownRing, TheScreenShowsEveryFrameThroughMovesNewScalesPlacesAndBuffers) {
    constexpr int kW = 41, kH = 33;
    const Rect area{6, 5, 29, 23};
    std::mt19937 rng(7);
    struct Case {
        int scale, ox, oy;
        bool turn;  // the area moves by turning its view, else by copying its rows
    };
    for (const Case c : {Case{1, 0, 0, true}, Case{2, 5, 3, false}, Case{2, 5, 3, true}, Case{3, 1, 4, true}}) {
        SCOPED_TRACE("scale " + std::to_string(c.scale) + (c.turn ? ", turning" : ""));
        FakeScreen screen(kW * 3 + 12, kH * 3 + 12);
        ShownRing ring;
        Surface frame(kW, kH);
        Surface picture;
        picture.ViewInto(frame, area);
        Paint(frame, {0, 0, kW, kH}, rng);
        screen.Put(frame, {0, 0, kW, kH}, c.scale, c.ox, c.oy);  // the window shown whole first
        int ox = c.ox;
        for (int step = 0; step < 120; ++step) {
            std::vector<Rect> changed;
            const int moved = step % 3 == 0 ? 1 + step % 2 : 0;
            if (moved > 0) {
                // The area's rows move down; the rows that come in at its
                // top are new.
                picture.MoveDown(moved, c.turn);
                changed.push_back({area.x, area.y, area.w, moved});
                Paint(frame, picture, area, changed.back(), rng);
            }
            // Objects inside, one across the area's edge, one outside it.
            for (const Rect r : {Rect{area.x + static_cast<int>(rng() % 20), area.y + static_cast<int>(rng() % 15), 7, 6},
                                 Rect{area.x + area.w - 3, area.y + static_cast<int>(rng() % 18), 6, 4},
                                 Rect{1, 1 + static_cast<int>(rng() % 25), 4, 3}}) {
                Paint(frame, picture, area, r, rng);
                changed.push_back(r);
            }
            if (step == 50) screen.replaceNext = true;  // the buffer made anew behind the ring's back
            if (step == 70) ring.Lose();                // the window shown whole from elsewhere
            if (step == 90) ++ox;                       // the picture placed elsewhere
            if (step == 70 || step == 90) {
                // Read whole, as it lies: its rows in order first.
                picture.Straighten();
                screen.Put(frame, {0, 0, kW, kH}, c.scale, ox, c.oy);
            }
            Rect rest[16];
            size_t n = 0;
            ASSERT_TRUE(ring.Take(picture, area, c.scale, ox, c.oy, changed, moved, screen, rest, n)) << "step " << step;
            for (size_t i = 0; i < n; ++i) {
                EXPECT_TRUE(IsEmpty(Intersect(rest[i], area))) << "the rest lies outside the area";
                screen.Put(frame, rest[i], c.scale, ox, c.oy);
            }
            ASSERT_EQ(screen.Wrong(frame, c.scale, ox, c.oy, &picture, area), "")
                << "step " << step << (moved ? ", moved" : "") << ", turned " << picture.Turn();
        }
        if (c.turn) {
            EXPECT_NE(picture.Turn(), 0) << "the view turned rather than copied its rows";
        }
        Rect none[1];
        size_t n = 0;
        const Rect three[] = {{0, 0, 2, 2}, {30, 0, 2, 2}, {0, 30, 2, 2}};
        EXPECT_FALSE(ring.Take(picture, area, c.scale, ox, c.oy, three, 0, screen, none, n))
            << "more pieces outside than room for them";
        EXPECT_FALSE(ring.Live());
    }
}

// A game's frames shown through a ring at twice the size, as the window
// shows them without a GPU: the moves and the changes it names, object by
// object, must rebuild every frame.
TEST(ShownRing, AGameShownThroughItsMovesShowsEveryFrame) {
    test::TestGame t;
    constexpr int kScale = 2, kOx = 9, kOy = 4;
    FakeScreen screen(kWindowWidth * kScale + 20, kWindowHeight * kScale + 10);
    ShownRing ring;
    Rect ringArea{};
    int moves = 0, exact = 0;
    bool shownWhole = false;
    Screen& w = t.g.scr;
    auto show = [&](const Surface& frame, std::span<const Rect> changed, int rows) {
        Rect rest[128];
        size_t n = 0;
        if (!ring.Take(w.MainPic1, ringArea, kScale, kOx, kOy, changed, rows, screen, rest, n)) return false;
        for (size_t i = 0; i < n; ++i) screen.Put(frame, rest[i], kScale, kOx, kOy);
        return true;
    };
    int turned = 0;
    t.hp.display.moves = [&](const Surface& frame, std::span<const Rect> changed, const Move& move) {
        if (!shownWhole || (move.rows == 0 && !ring.Live())) return false;
        EXPECT_EQ(move.picture, &w.MainPic1) << "the playfield is read through its view";
        turned += w.MainPic1.Turn() != 0;
        ringArea = move.area;
        moves += move.rows > 0;
        exact += move.rows == 0;
        return show(frame, changed, move.rows);
    };
    t.hp.display.onPresent = [&](const Surface& frame) {
        const std::span<const Rect> changed = t.hp.display.changed;
        if (changed.empty()) {
            ring.Lose();
            screen.Put(frame, {0, 0, frame.Width(), frame.Height()}, kScale, kOx, kOy);
        } else if (!ring.Live() || !show(frame, changed, 0)) {
            for (const Rect& r : changed) screen.Put(frame, r, kScale, kOx, kOy);
        }
        // The first frame names the whole window; every frame is checked.
        shownWhole = true;
    };
    test::GivePictures(w);
    t.NewGame();
    for (int frame = 0; frame < 240; ++frame) {
        t.hp.keys.Hold(vk::Z, frame > 30);  // shots: many small objects a frame
        t.hp.keys.Hold(vk::Left, frame % 40 < 20);
        SutejiShinkou(t.g);
        PlaySteps(t.g);
        ShowFrame(t.g);
        ASSERT_EQ(screen.Wrong(w.window, kScale, kOx, kOy, &w.MainPic1, ringArea), "") << "frame " << frame;
    }
    EXPECT_GT(moves, 100) << "the background moves every other frame";
    EXPECT_GT(turned, 100) << "by turning the playfield's view, no row copied";
    w.Straighten();
    EXPECT_EQ(screen.Wrong(w.window, kScale, kOx, kOy), "") << "straightened, the window's own rows are the frame shown";
    EXPECT_GT(exact, 100) << "and stays still on the frames between";
}

}  // namespace
}  // namespace molfo
