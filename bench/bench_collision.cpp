// One collision sweep for a 30 x 30 hit box moving among a full object
// table: every enemy and bullet slot live with its outline in the grid.
#include <benchmark/benchmark.h>

#include "TestSupport.h"
#include "collision/Chousa.h"

namespace molfo {
namespace {

void Put(GameState& s, int16_t k, int16_t x, int16_t y, int16_t size) {
    s.KyaraSonzai[k] = 1;
    s.KyaraX[k] = x;
    s.KyaraY[k] = y;
    s.KyaraHp[k] = 10;
    s.KyaraKougeki[k] = 1;
    s.KyaraAtariX2[k] = static_cast<int16_t>(size - 1);
    s.KyaraAtariY2[k] = static_cast<int16_t>(size - 1);
}

void BM_ChousaMainFullTable(benchmark::State& state) {
    test::TestGame t;
    t.EmptyField();
    GameState& s = t.s;
    // Enemies pass through enemies and bullets, so the mover meets many
    // outlines every sweep and the table stays full.
    int i = 0;
    for (int16_t k = slot::ZakoFirst + 1; k <= slot::TekidanLast; ++k, ++i) {
        Put(s, k, static_cast<int16_t>(10 + (i % 13) * 37), static_cast<int16_t>(10 + (i / 13) * 41), 30);
        ChousaClass(t.g).ChousaMain(k, s.KyaraX[k], s.KyaraY[k]);
    }
    const int16_t mover = slot::ZakoFirst;
    Put(s, mover, 0, 200, 30);
    ChousaClass chousa(t.g);
    int16_t x = 0, dx = 3;
    for (auto _ : state) {
        x = static_cast<int16_t>(x + dx);
        if (x > 460 || x < 0) dx = static_cast<int16_t>(-dx);
        chousa.ChousaMain(mover, x, 200);
        benchmark::DoNotOptimize(s.ChousaMap.cells.data());
    }
}
BENCHMARK(BM_ChousaMainFullTable);

void BM_ChousaMainFreshObject(benchmark::State& state) {
    // Callers create a new ChousaClass per step; the object must stay cheap.
    test::TestGame t;
    t.EmptyField();
    GameState& s = t.s;
    const int16_t mover = slot::ZakoFirst;
    Put(s, mover, 0, 200, 30);
    int16_t x = 0, dx = 3;
    for (auto _ : state) {
        x = static_cast<int16_t>(x + dx);
        if (x > 460 || x < 0) dx = static_cast<int16_t>(-dx);
        ChousaClass(t.g).ChousaMain(mover, x, 200);
        benchmark::DoNotOptimize(s.ChousaMap.cells.data());
    }
}
BENCHMARK(BM_ChousaMainFreshObject);

}  // namespace
}  // namespace molfo
