// One whole frame of play with the enemy and bullet ranges full: every step
// of the main loop but the frame wait, the frame shown. Goal: under 1 ms.
#include <benchmark/benchmark.h>

#include <vector>

#include "TestSupport.h"
#include "boss/Boss.h"
#include "draw/Draw.h"
#include "enemies/Enemies.h"
#include "game/Flow.h"
#include "items/Items.h"
#include "player/Player.h"

namespace molfo {
namespace {

void PlayFrame(Game& g) {
    SutejiShinkou(g);
    PlaySteps(g);
    ShowFrame(g);
}

int Live(const GameState& s, int16_t first, int16_t last) {
    int n = 0;
    for (int16_t a = first; a <= last; ++a) n += s.KyaraSonzai[a] == 1;
    return n;
}

// Every enemy slot filled with the types in turn, spread over the upper
// field away from the player, and every bullet slot in flight; slots
// already live are left as they are.
void FillField(Game& g) {
    GameState& s = g.s;
    KyaraDataClass data(g);
    int i = 0;
    for (int16_t a = slot::ZakoFirst; a <= slot::ZakoLast; ++a, ++i) {
        if (s.KyaraSonzai[a] == 1) continue;
        data.ZakoData(a, static_cast<int16_t>(1 + i % 14));
        s.KyaraX[a] = static_cast<int16_t>(10 + (i % 11) * 42);
        s.KyaraY[a] = static_cast<int16_t>(10 + (i / 11) * 30);
    }
    TekiDanClass dan(g);
    i = 0;
    for (int16_t b = slot::TekidanFirst; b <= slot::TekidanLast; ++b, ++i) {
        if (s.KyaraSonzai[b] == 1) continue;
        dan.TekidanData(b);
        s.KyaraMuki[b] = static_cast<int16_t>(i % 2 ? 1 + i % 8 : 10 + (i * 37) % 350);
        s.KyaraSoku[b] = static_cast<int16_t>(1 + i % 4);
        s.KyaraX[b] = static_cast<int16_t>(15 + (i % 17) * 28);
        s.KyaraY[b] = static_cast<int16_t>(30 + (i / 17) * 90);
    }
}

// Between frames the game sleeps for most of 15 ms while the X server and
// others run: the frame finds little of its memory in the core's caches.
// Writing a buffer larger than them comes close.
void Evict(std::vector<uint64_t>& buffer) {
    for (size_t i = 0; i < buffer.size(); i += 8) buffer[i] += i;
    benchmark::DoNotOptimize(buffer.data());
}

// Argument 1: each frame with cold caches, as in play.
void BM_FramePlayFullField(benchmark::State& state) {
    const bool cold = state.range(0) != 0;
    std::vector<uint64_t> evict(cold ? (8u << 20) / sizeof(uint64_t) : 0);
    test::TestGame t;
    t.NewGame();
    t.s.FrameCount = 100;
    FillField(t.g);
    // One frame enters every object into the grid; fill again what it lost.
    PlayFrame(t.g);
    FillField(t.g);
    PlayFrame(t.g);
    const GameState start = t.s;
    int enemies = 0, bullets = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The same frame again, but the background scrolls on, so that it
        // moves every other frame as in play.
        const double scroll = t.s.HaikeiYD;
        const int16_t row = t.s.HaikeiY;
        t.s = start;
        t.s.HaikeiYD = scroll;
        t.s.HaikeiY = row;
        if (cold) Evict(evict);
        state.ResumeTiming();
        PlayFrame(t.g);
        benchmark::DoNotOptimize(t.s.KyaraX.data());
    }
    enemies = Live(start, slot::ZakoFirst, slot::ZakoLast);
    bullets = Live(start, slot::TekidanFirst, slot::TekidanLast);
    state.counters["enemies"] = enemies;
    state.counters["bullets"] = bullets;
}
BENCHMARK(BM_FramePlayFullField)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace molfo
