// The frame wait, the general wait, close requests, the key query and the
// random numbers: how every step meets the clock and the keyboard.
#include <algorithm>

#include "world/Game.h"

namespace molfo {

namespace {

uint32_t Elapsed(uint32_t now, uint32_t start) { return now - start; }  // modulo 2^32

// A wait wakes at least this often to look at the window's events and keys,
// so they are seen within a frame.
constexpr uint32_t kLookEveryMs = 15;

}  // namespace

void FrameMachi(Game& g, int32_t ms) {
    GameState& s = g.s;
    const auto wanted = static_cast<uint32_t>(ms);
    const auto start = static_cast<uint32_t>(s.FrameStartTick);
    if (Elapsed(static_cast<uint32_t>(s.FrameNowTick), start) >= wanted) return;
    for (;;) {
        s.FrameNowTick = static_cast<int32_t>(g.pf.clock.Ticks());
        DoEvents(g);
        const uint32_t elapsed = Elapsed(static_cast<uint32_t>(s.FrameNowTick), start);
        if (elapsed >= wanted) return;
        // One wake-up, at the tick the frame may end: sleeping in slices
        // woke a thousand times a second and ended the frame up to a
        // slice late.
        g.pf.clock.SleepUntil(start + std::min(wanted, elapsed + kLookEveryMs));
    }
}

void Delay(Game& g, int32_t ms) {
    GameState& s = g.s;
    // Labels are window controls that repaint themselves while events are
    // pumped: a caption set just before a wait (the end screen's key help,
    // the new game's item counts) shows during it, not at the next frame.
    if (g.scr.ControlsChanged()) ShowFrame(g);
    const uint32_t start = g.pf.clock.Ticks();
    const auto wanted = static_cast<uint32_t>(ms);
    for (;;) {
        const uint32_t elapsed = Elapsed(g.pf.clock.Ticks(), start);
        if (elapsed >= wanted) return;
        DoEvents(g);
        if (KeyDown(g, vk::Escape) || s.ShuryoFlag == shuryo::CloseAsked) {
            s.ShuryoFlag = shuryo::End;
            return;
        }
        g.pf.clock.SleepUntil(start + std::min(wanted, elapsed + kLookEveryMs));
    }
}

void Nap(Game& g) { g.pf.clock.Nap(kLookEveryMs); }

bool DoEvents(Game& g) {
    const bool close = g.pf.events.Pump();
    // The close itself is refused; the next check of ShuryoFlag winds down.
    if (close && g.s.ShuryoFlag == shuryo::Running) g.s.ShuryoFlag = shuryo::CloseAsked;
    return close;
}

bool KeyDown(Game& g, int vkCode) { return g.pf.keys.Query(vkCode); }

int16_t Ransu(Game& g, int16_t n) {
    // Reseed from the clock on every call, mixed into the running state so
    // that several draws within one millisecond still differ.
    uint64_t z = g.ransuState ^ (uint64_t{g.pf.clock.Ticks()} * 0xD1B54A32D192ED03ULL);
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    g.ransuState = z;
    // 24 random bits make a float strictly below 1.
    const float r = static_cast<float>(z >> 40) * (1.0f / 16777216.0f);
    int v = static_cast<int>(static_cast<float>(n) * r + 1.0f);
    if (n >= 1 && v > n) v = n;
    return static_cast<int16_t>(v);
}

}  // namespace molfo
