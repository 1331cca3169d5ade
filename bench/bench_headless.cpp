// What a headless run costs: a scripted stage-1 game frame by frame, the
// drawing of one real stage-1 frame with the window composed, and a PNG
// screenshot of that window. Goals: a frame drawn and composed in under
// 40 us; the same with what changed copied into a window's buffer at twice
// the size in under 120 us (through the playfield's ring, as the window
// shows it on X); a screenshot in under 20 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "draw/Draw.h"
#include "driver/Session.h"
#include "render/ShownRing.h"
#include "render/Upscale.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;

// Stage 1, moving and firing, until the player is lost (some 830 frames),
// then the ranking and the title again: enemies, shots, bullets and items.
constexpr const char* kScript =
    "title: press SHIFT\n"
    "play 1-600: hold Z LEFT\n"
    "play 601-1200: hold Z RIGHT UP\n"
    "play 700: press C\n"
    "play 1201-3000: hold Z DOWN LEFT\n"
    "name: cancel\n"
    "ranking: press Z\n"
    "title#2: press ESC\n";
constexpr int64_t kFrames = 3000;
// The frame the drawing and the screenshot are measured on: mid-stage.
constexpr int64_t kMeasuredPass = 600;

InputScript Script() {
    InputScript script;
    std::string error;
    ParseInputScript(kScript, script, error);
    return script;
}

void BM_HeadlessStage1(benchmark::State& state) {
    int64_t frames = 0;
    for (auto _ : state) {
        HeadlessSession session(test::DataDir(), Script());
        session.frameLimit = kFrames;
        session.Run();
        frames += session.game->passes;
    }
    state.counters["frames_per_second"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HeadlessStage1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Runs `measure` on the game as it stands after pass kMeasuredPass; a game
// that ended before it fails the benchmark.
template <typename Measure>
void AtStageOneFrame(benchmark::State& state, Measure measure,
                     const std::function<void(HeadlessSession&)>& prepare = {}) {
    bool reached = false;
    HeadlessSession session(test::DataDir(), Script());
    session.frameLimit = kMeasuredPass;
    if (prepare) prepare(session);
    session.afterPassHook = [&](Game& g) {
        if (g.passes != kMeasuredPass) return;
        reached = true;
        measure(g);
    };
    session.Run();
    if (!reached) state.SkipWithError("the game ended before the frame to measure");
}

void BM_DrawStageOneFrame(benchmark::State& state) {
    int live = 0;
    AtStageOneFrame(state, [&](Game& g) {
        for (int n = slot::Molfo; n <= slot::ItemLast; ++n) live += g.s.KyaraSonzai[n] == 1;
        for (auto _ : state) {
            Byouga(g);
            ShowFrame(g);
            benchmark::DoNotOptimize(g.scr.window.Pixels().data());
        }
    });
    state.counters["live_slots"] = live;
}
BENCHMARK(BM_DrawStageOneFrame)->Unit(benchmark::kMicrosecond);

// A window's buffer at a whole multiple of the window's size.
struct WindowBuffer {
    explicit WindowBuffer(int scale)
        : pixels(static_cast<size_t>(kWindowWidth) * scale * kWindowHeight * scale),
          buffer{pixels.data(), kWindowWidth * scale, kWindowWidth * scale, kWindowHeight * scale} {}
    std::vector<uint32_t> pixels;
    PixelBuffer buffer;
};

// The frame as the window shows it without a GPU: drawn, composed, and
// what changed copied into the window's buffer, scaled by the argument.
void BM_DrawStageOneFrameShown(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    WindowBuffer window(scale);
    AtStageOneFrame(state, [&](Game& g) {
        for (auto _ : state) {
            Byouga(g);
            ShowFrame(g);
            for (const Rect& r : g.scr.Changed()) CopyScaled(g.scr.window, r, scale, window.buffer, 0, 0);
            benchmark::DoNotOptimize(window.pixels.data());
            benchmark::ClobberMemory();
        }
    });
}
BENCHMARK(BM_DrawStageOneFrameShown)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// A ring buffer in memory; what X does with the rectangles sent (copies
// them to the screen, on its own time) is not ours to count.
struct MemoryRing final : ShownRing::Sink {
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    PixelBuffer Buffer(int bw, int bh, bool& kept) override {
        kept = bw == w && bh == h;
        if (!kept) pixels.assign(static_cast<size_t>(bw) * bh, 0);
        w = bw;
        h = bh;
        return PixelBuffer{pixels.data(), w, w, h};
    }
    void Send(const Rect&, int, int) override {}
};

// The same frame as the window shows it without a GPU on X: the playfield
// through its ring (what each object wiped or drew, and a moved picture's
// new top row), moved by turning its view, the rest of what changed into
// the window's buffer.
void BM_DrawStageOneFrameThroughRing(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    WindowBuffer window(scale);
    MemoryRing sink;
    ShownRing ring;
    Rect rest[128];
    int64_t missed = 0;
    auto moves = [&](const Surface& frame, std::span<const Rect> changed, const Move& move) {
        if ((move.rows == 0 && !ring.Live()) || move.picture == nullptr) return false;
        size_t n = 0;
        if (!ring.Take(*move.picture, move.area, scale, 0, 0, changed, move.rows, sink, rest, n)) {
            ++missed;
            return false;
        }
        for (size_t i = 0; i < n; ++i) CopyScaled(frame, rest[i], scale, window.buffer, 0, 0);
        return true;
    };
    AtStageOneFrame(
        state,
        [&](Game& g) {
            missed = 0;
            for (auto _ : state) {
                Byouga(g);
                ShowFrame(g);
                benchmark::DoNotOptimize(sink.pixels.data());
                benchmark::ClobberMemory();
            }
            if (missed > 0 || !g.scr.MayTurn()) state.SkipWithError("the frames did not go through the ring");
        },
        [&](HeadlessSession& session) { session.hp.display.moves = moves; });
}
BENCHMARK(BM_DrawStageOneFrameThroughRing)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_Screenshot(benchmark::State& state) {
    const std::string path = (fs::temp_directory_path() / "molfo-bench-shot.png").string();
    AtStageOneFrame(state, [&](Game& g) {
        for (auto _ : state)
            if (!SavePng(g.scr.window, path)) state.SkipWithError("the screenshot could not be written");
    });
    std::error_code ec;
    state.counters["bytes"] = static_cast<double>(fs::file_size(path, ec));
    fs::remove(path, ec);
}
BENCHMARK(BM_Screenshot)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace molfo
