// A headless replay of stage-1 games at full speed, the window composed
// every frame as in play. Goal: at least 10 000 frames per second, so a
// whole five-stage game (about 45 000 frames) replays in under 5 s.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TestSupport.h"
#include "driver/Session.h"
#include "replay/Capture.h"
#include "replay/StateHash.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;

// Stage 1 played for 3000 frames: moving, firing, switching and using
// items; the player is lost some 830 frames in, and plays again.
constexpr const char* kScript =
    "title: press SHIFT\n"
    "play 1-600: hold Z LEFT\n"
    "play 601-1200: hold Z RIGHT UP\n"
    "play 700: press C\n"
    "play 900: press X\n"
    "play 1201-3000: hold Z DOWN LEFT\n"
    "name: cancel\n"
    "ranking: press Z\n";
constexpr int64_t kFrames = 3000;

struct Recorded {
    fs::path folder = fs::temp_directory_path() / "molfo-bench-replay";
    std::string rec = (folder / "stage1.rec").string();
    DataOverlay data;  // a ranking of its own, so the game always goes the same way

    Recorded() {
        fs::create_directories(folder);
        data.Create(test::DataDir(), {});
        InputScript script;
        std::string error;
        ParseInputScript(kScript, script, error);
        CaptureOptions o;
        o.recordPath = rec;
        Capture capture(o);
        capture.Prepare(data.Path(), {1, false, kFrames, ""});
        HeadlessSession session(capture.DataDir(), script,
                                [&capture](HeadlessPlatform& hp) -> Platform& { return capture.Wrap(hp.platform, nullptr, &hp); });
        session.frameLimit = kFrames;
        session.afterPassHook = [&capture](Game& g) { capture.AfterPass(g); };
        session.Run();
        capture.Finish(*session.game);
    }
    ~Recorded() { fs::remove_all(folder); }
};

void BM_ReplayStage1(benchmark::State& state) {
    static const Recorded recorded;
    int64_t frames = 0;
    int64_t composed = 0;
    for (auto _ : state) {
        CaptureOptions o;
        o.replayPath = recorded.rec;
        o.verify = true;
        Capture capture(o);
        capture.Prepare(recorded.data.Path(), {});
        HeadlessSession session(capture.DataDir(), {},
                                [&capture](HeadlessPlatform& hp) -> Platform& { return capture.Wrap(hp.platform, nullptr, &hp); });
        session.timeLimitMs = UINT32_MAX;
        session.onSceneHook = [&capture](Game& g) { capture.OnScene(g); };
        session.afterPassHook = [&capture](Game& g) { capture.AfterPass(g); };
        session.Run();
        if (capture.Finish(*session.game) != 0) state.SkipWithError("the replay did not verify");
        frames += session.game->passes;
        composed += static_cast<int64_t>(session.hp.display.presents);
    }
    state.counters["frames_per_second"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["composed_per_frame"] =
        benchmark::Counter(frames ? static_cast<double>(composed) / static_cast<double>(frames) : 0.0);
}
BENCHMARK(BM_ReplayStage1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The hash a recording takes every few seconds of play, in the frame that
// ends its chunk.
void BM_StateHash(benchmark::State& state) {
    test::TestGame t;
    t.NewGame();
    for (auto _ : state) benchmark::DoNotOptimize(StateHash(t.g));
}
BENCHMARK(BM_StateHash)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace molfo
