// The built songs and effects against what the game asks of them: every song
// the tables name is a General MIDI file with melody, harmony, bass and drums
// and lasts long enough to loop without wearing thin; every effect is short,
// starts and stops without a click and peaks high enough to sit over the
// music without clipping. Lengths come from the files themselves: a WAV's
// sample count, a MIDI file's ticks through its tempo map. The songs'
// loudness is checked apart, in slow/sound_loudness_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

#include "SoundFiles.h"
#include "TestSupport.h"
#include "core/AssetNames.h"
#include "core/GameState.h"

namespace molfo {
namespace {

using test::Built;
using test::Midi;
using test::ReadMidi;
using test::ReadWav;
using test::Wav;

double Db(double amplitude) { return 20.0 * std::log10(std::max(amplitude, 1.0) / 32768.0); }

TEST(SoundAssets, EverySongHasItsPartsAndLength) {
    test::TestGame t;
    t.NewGame();
    struct Case {
        std::string path;
        double minSeconds, maxSeconds;
        const char* rule;
    };
    std::vector<Case> cases = {
        {assets::kOpeningSong, 45.0, 180.0, "the opening lasts at least 45 s a play"},
        {t.s.KyokuFile[12], 45.0, 180.0, "the ending lasts at least 45 s a play"},
        {assets::kGameOverSong, 10.0, 40.0, "the game-over song is short"},
    };
    for (int stage = 1; stage <= 5; ++stage) {
        cases.push_back({t.s.KyokuFile[stage + 1], 60.0, 120.0, "a stage song lasts 60 to 120 s a play"});
        cases.push_back({t.s.KyokuFile[stage + 6], 60.0, 120.0, "a boss song lasts 60 to 120 s a play"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Midi m = ReadMidi(Built(c.path));
        ASSERT_TRUE(m.ok) << "every song the game plays is a standard MIDI file";
        EXPECT_GE(m.seconds, c.minSeconds) << c.rule;
        EXPECT_LE(m.seconds, c.maxSeconds) << c.rule;
        EXPECT_TRUE(m.noteChannels.count(10)) << "every song has drums on the General MIDI drum channel";
        int pitched = 0;
        for (int ch : m.noteChannels) pitched += ch != 10;
        EXPECT_GE(pitched, 3) << "every song has melody, harmony and bass on channels of their own";
        EXPECT_GE(m.programmedChannels.size(), 2u) << "every song chooses its own General MIDI instruments";
    }
}

TEST(SoundAssets, EveryEffectIsShortCleanAndAboveTheMusic) {
    test::TestGame t;
    t.NewGame();
    // Effects 9 (the bomb) and 13 (the boss's destruction) may run to 2 s;
    // the jingles and the player's destruction to 1.5 s; the rest are blips.
    auto limitOf = [](int n) {
        if (n == 9 || n == 13) return 2.0;
        if (n == 1 || n == 12 || n == 14 || n == 15) return 1.5;
        return 0.5;
    };
    int blips = 0;
    for (int n = 1; n <= 16; ++n) {
        const std::string& path = t.s.KoukaonFile[n];
        SCOPED_TRACE(path);
        Wav w = ReadWav(Built(path));
        ASSERT_TRUE(w.ok) << "every effect the game plays is a 16-bit PCM WAV file";
        ASSERT_FALSE(w.samples.empty()) << "every effect makes a sound";
        EXPECT_LE(w.Seconds(), limitOf(n)) << "an effect is short: one effect channel, a new one cuts the last off";
        blips += w.Seconds() < 0.5;

        int peak = 0;
        for (int16_t s : w.samples) peak = std::max(peak, std::abs(int(s)));
        EXPECT_LT(peak, 32767) << "no effect clips";
        EXPECT_GE(Db(peak), -6.0) << "an effect peaks near full scale, over the half-volume music";

        // The finishing fade leaves the last millisecond far below the peak.
        size_t edge = size_t(w.rate * w.channels / 1000);
        ASSERT_GT(w.samples.size(), edge);
        int tail = 0;
        for (size_t i = w.samples.size() - edge; i < w.samples.size(); ++i)
            tail = std::max(tail, std::abs(int(w.samples[i])));
        EXPECT_LE(std::abs(int(w.samples.front())), 64) << "an effect starts from silence, without a click";
        EXPECT_LE(std::abs(int(w.samples.back())), 64) << "an effect stops at silence, without a click";
        EXPECT_LE(Db(tail), Db(peak) - 20.0) << "an effect fades out at its end instead of being cut off";
    }
    EXPECT_GE(blips, 9) << "most effects are under half a second";
}

}  // namespace
}  // namespace molfo
