// The frame's drawing cost: the raster operations alone, one whole Byouga
// with every drawn slot live and the frame shown, and the window's
// composition on its own.
#include <benchmark/benchmark.h>

#include "TestSupport.h"
#include "draw/Draw.h"

namespace molfo {
namespace {

constexpr int kSprite = 30;
constexpr int kDrawnSlots = slot::ItemLast - slot::Molfo + 1;  // 257

// A sheet of four 30 x 30 frames, picture on white and white mask.
void FillSheet(Surface& sheet) {
    sheet.Resize(2 * kSprite * 4, kSprite, Rgb(255, 255, 255));
    for (int k = 0; k < 4; ++k) {
        sheet.Fill(2 * kSprite * k + 5, 5, 20, 20, Rgb(static_cast<uint8_t>(40 * k), 90, 160));
        sheet.Fill(2 * kSprite * k + kSprite + 5, 5, 20, 20, Rgb(255, 255, 255));
    }
}

void BM_RasterOps(benchmark::State& state) {
    Surface back(kPlayfield, kPlayfield), background(kPlayfield, kPlayfield, Rgb(10, 20, 30)), sheet;
    FillSheet(sheet);
    for (auto _ : state) {
        BitBlt(back, 0, 0, kPlayfield, kPlayfield, background, 0, 0, Rop::Copy);
        for (int i = 0; i < kDrawnSlots; ++i) {
            const int x = (i * 37) % 480 - 5, y = (i * 53) % 480 - 5;
            BitBlt(back, x, y, kSprite, kSprite, sheet, kSprite, 0, Rop::Or);
            BitBlt(back, x, y, kSprite, kSprite, sheet, 0, 0, Rop::And);
        }
        benchmark::DoNotOptimize(back.Pixels().data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RasterOps)->Unit(benchmark::kMicrosecond);

struct FullField {
    test::TestGame t;
    FullField() {
        t.g.scr.HaikeiPic.Resize(kPlayfield, kPlayfield, Rgb(10, 20, 30));
        for (Surface& sheet : t.g.scr.KyaraPic) FillSheet(sheet);
        GameState& s = t.s;
        for (int n = slot::Molfo; n <= slot::ItemLast; ++n) {
            s.KyaraSonzai[n] = 1;
            s.KyaraPicNo[n] = static_cast<int16_t>(n % 5);
            s.KyaraHaba[n] = kSprite;
            s.KyaraTakasa[n] = kSprite;
            s.KyaraX[n] = static_cast<int16_t>((n * 37) % 480 - 5);
            s.KyaraY[n] = static_cast<int16_t>((n * 53) % 480 - 5);
            s.KyaraKomaKankaku[n] = 4;
        }
        s.FrameCount = 1;
    }
};

void BM_Byouga(benchmark::State& state) {
    FullField f;
    for (auto _ : state) {
        Byouga(f.t.g);
        ShowFrame(f.t.g);
        ++f.t.s.FrameCount;
    }
    state.counters["presents"] = static_cast<double>(f.t.hp.display.presents);
}
BENCHMARK(BM_Byouga)->Unit(benchmark::kMicrosecond);

// Compose alone, with captions unchanged as on most frames; BM_Byouga less
// this is the frame's drawing without the window.
void BM_Compose(benchmark::State& state) {
    FullField f;
    f.t.g.scr.Compose();
    for (auto _ : state) {
        f.t.g.scr.Compose();
        benchmark::DoNotOptimize(f.t.g.scr.window.Pixels().data());
    }
}
BENCHMARK(BM_Compose)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace molfo
