// Keeping every game as a replay. The game's thread only ends the last
// chunk in memory and hands the bytes over; the worker writes the file and
// prunes the folder. Goals: the hand-over well under a millisecond (a frame
// is 15 ms), the worker's write of a 10-minute game under 50 ms.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "replay/FileWorker.h"
#include "replay/Library.h"
#include "replay/ReplayFile.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;

// One chunk's worth of a window's input (300 frames): a dozen key queries,
// the clock read in 1 ms sleeps, a close check per sleep.
void FeedChunk(replay::Writer& w, uint32_t& now) {
    for (int f = 0; f < static_cast<int>(replay::kHashEvery); ++f) {
        for (int k = 0; k < 12; ++k) w.Key(k, false);
        w.Key(vk::Z, (f / 40) % 2 == 0);
        w.Key(vk::Left, (f / 90) % 3 == 0);
        for (int ms = 0; ms < 15; ++ms) {
            w.Tick(now++);
            w.Close(false);
        }
    }
}

void BM_GameEndOnTheGameThread(benchmark::State& state) {
    FileWorker worker;
    uint32_t now = 1000;
    int64_t pass = 0;
    for (auto _ : state) {
        state.PauseTiming();
        replay::Writer w;
        FeedChunk(w, now);
        state.ResumeTiming();
        w.EndGame(pass += replay::kHashEvery, 42);
        worker.Post([bytes = std::move(w.Pending())] { benchmark::DoNotOptimize(bytes.data()); });
    }
    worker.Drain();
}
BENCHMARK(BM_GameEndOnTheGameThread)->Unit(benchmark::kMicrosecond);

void BM_SaveATenMinuteGame(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "molfo-bench-keep";
    fs::remove_all(folder);
    replay::Writer w(replay::Header{});
    uint32_t now = 1000;
    for (int c = 0; c < 10 * 60 * 1000 / 15 / static_cast<int>(replay::kHashEvery); ++c) {
        FeedChunk(w, now);
        w.EndChunk((c + 1) * replay::kHashEvery, 7, false);
    }
    w.EndChunk(40000, 7, true);
    const std::vector<uint8_t> bytes = w.Pending();
    std::tm when{};
    when.tm_year = 126;
    int game = 0;
    for (auto _ : state) {
        // A full folder: every save also prunes one.
        when.tm_min = game % 60;
        when.tm_hour = game / 60;
        ++game;
        std::string error;
        if (library::Save(folder.string(), bytes, {game % 97, 1, false, false, false}, when, error).empty())
            state.SkipWithError(error.c_str());
    }
    state.counters["recording_kB"] = static_cast<double>(bytes.size()) / 1024.0;
    state.counters["files_kept"] = static_cast<double>(library::List(folder.string()).size());
    fs::remove_all(folder);
}
BENCHMARK(BM_SaveATenMinuteGame)->Unit(benchmark::kMillisecond)->Iterations(120);

}  // namespace
}  // namespace molfo
