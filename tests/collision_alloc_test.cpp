// Counts heap allocations around single sweeps. The replaced operator new is
// process-wide by nature, so it only counts while a test switches it on.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "TestSupport.h"
#include "collision/Chousa.h"
#include "draw/Draw.h"
#include "enemies/Enemies.h"
#include "game/Flow.h"

namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t n) {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace molfo {
namespace {

// Sounds go to a device that keeps nothing, so only the sweep's own
// allocations are counted.
class SilentAudio : public Audio {
public:
    void Init() override {}
    void PlayMusic(const std::string&, int16_t) override {}
    void StopMusic() override {}
    void PlayEffect(const std::string&) override { ++effects; }
    int effects = 0;
};

long CountSweep(Game& g, int16_t k, int x, int y) {
    ChousaClass chousa(g);
    gAllocations = 0;
    gCounting = true;
    chousa.ChousaMain(k, static_cast<int16_t>(x), static_cast<int16_t>(y));
    gCounting = false;
    return gAllocations.load();
}

void Put(GameState& s, int16_t k, int16_t x, int16_t y, int16_t hp, int16_t size) {
    s.KyaraSonzai[k] = 1;
    s.KyaraX[k] = x;
    s.KyaraY[k] = y;
    s.KyaraHp[k] = hp;
    s.KyaraKougeki[k] = 1;
    s.KyaraTen[k] = 5;
    s.KyaraAtariX2[k] = static_cast<int16_t>(size - 1);
    s.KyaraAtariY2[k] = static_cast<int16_t>(size - 1);
}

TEST(ChousaAlloc, SweepsAllocateNothing) {
    test::TestGame t;
    t.NewGame();
    t.EmptyField();
    SilentAudio audio;
    t.g.Oto = std::make_unique<mySound>(audio, [](const std::string&) { return std::string(); });
    GameState& s = t.s;
    const int16_t zako = slot::ZakoFirst, dan = slot::MolfoDanFirst, bullet = slot::TekidanFirst;
    // Each effect's path is worked out the first time it plays.
    for (int n = 1; n <= 16; ++n) t.g.Oto->Koukaon(s.KoukaonFile[n]);
    audio.effects = 0;
    Put(s, zako, 200, 200, 2, 30);
    Put(s, bullet, 300, 300, 1, 4);
    KyaraDataClass(t.g).MolfoData();
    KyaraDataClass(t.g).MolfoAData(dan);
    KyaraDataClass(t.g).MolfoAData(dan + 1);
    // Two shots whose boxes reach the enemy's bottom row at different places.
    s.KyaraX[dan] = 203;
    s.KyaraX[dan + 1] = 213;
    s.KyaraY[dan] = s.KyaraY[dan + 1] = 228;
    EXPECT_EQ(CountSweep(t.g, zako, 200, 200), 0) << "a sweep into free cells allocates nothing";
    EXPECT_EQ(CountSweep(t.g, bullet, 300, 300), 0) << "a sweep into free cells allocates nothing";
    EXPECT_EQ(CountSweep(t.g, slot::Molfo, 225, 395), 0) << "a player move allocates nothing";
    EXPECT_EQ(CountSweep(t.g, dan, 203, 222), 0) << "a shot hitting an enemy allocates nothing";
    EXPECT_EQ(s.KyaraHp[zako], 1) << "setting up: the first shot hit the enemy";
    EXPECT_EQ(CountSweep(t.g, dan + 1, 213, 222), 0) << "a shot destroying an enemy allocates nothing";
    EXPECT_EQ(s.KyaraSonzai[zako], 0) << "setting up: the enemy was destroyed and cleared";
    EXPECT_EQ(CountSweep(t.g, bullet, 250, 408), 0) << "a bullet hitting the player allocates nothing";
    EXPECT_EQ(s.KyaraSonzai[bullet], 0) << "setting up: the bullet hit the player";
    EXPECT_EQ(CountSweep(t.g, slot::Molfo, -25, 395), 0) << "a refused move allocates nothing";
    EXPECT_GE(audio.effects, 3) << "setting up: the sweeps above did play their sounds";
}

// A whole frame of play, once the sounds have been heard once: the steps,
// the HUD and the drawing allocate nothing from the heap. A label whose text
// changes is laid out again, so frames that change a caption are left out.
TEST(FrameAlloc, PlayFramesAllocateNothing) {
    SilentAudio audio;
    HeadlessPlatform hp;
    Platform platform{hp.clock, hp.events, hp.keys, hp.display, hp.dialogs, audio};
    Game g(platform, test::DataDir());
    g.scr.LoadOwnPictures(g.dataDir);
    GameReset(g);
    g.Oto = g.NewSound();
    GameShokika(g);
    hp.keys.Hold(vk::Z, true);
    auto frame = [&](int i) {
        hp.keys.Hold(vk::Left, (i / 60) % 2 == 0);
        hp.keys.Hold(vk::Right, (i / 60) % 2 == 1);
        SutejiShinkou(g);
        g.s.KyaraHp[slot::Molfo] = 200;
        PlaySteps(g);
        ShowFrame(g);
    };
    for (int i = 0; i < 1500; ++i) frame(i);
    ASSERT_GT(audio.effects, 0) << "setting up: the warm-up played sounds";
    auto captions = [&] {
        std::string all = g.scr.GoukeiTenL.caption + g.scr.BossKyoriL.caption + g.scr.MainSPL.caption;
        for (int k = 1; k <= 6; ++k) all += g.scr.SPL[k].caption;
        return all;
    };
    int quietFrames = 0;
    for (int i = 1500; i < 1800; ++i) {
        const std::string before = captions();
        gAllocations = 0;
        gCounting = true;
        frame(i);
        gCounting = false;
        if (captions() != before) continue;
        ++quietFrames;
        EXPECT_EQ(gAllocations.load(), 0) << "frame " << i << " of play allocates nothing";
    }
    EXPECT_GT(quietFrames, 150) << "setting up: most frames change no caption";
}

}  // namespace
}  // namespace molfo
