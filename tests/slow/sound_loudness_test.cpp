// Every song, played through FluidSynth with the game's soundfont as the
// game plays it, sits at one loudness with the others, and the stage and
// boss songs rise and fall. Seconds of synthesis: this binary is apart from
// the unit tests so that their default run stays quick.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
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

// One play of a song as the game hears it: FluidSynth with the first
// soundfont the game looks for, at the gain the game's half music volume
// gives it; at a quarter of the game's sample rate, which keeps the test
// quick and moves no song's loudness by more than a few tenths of a decibel.
// Empty when FluidSynth or the soundfont is not installed.
Wav Synthesise(const std::string& midi) {
    const char* soundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    if (!std::filesystem::exists(soundfont) || std::system("fluidsynth --version >/dev/null 2>&1") != 0) return {};
    // Named for this process: another build on the machine may render the
    // same song at the same time.
    const std::string out = testing::TempDir() + "molfo-song-" + std::to_string(::getpid()) + "-" +
                            std::filesystem::path(midi).stem().string() + ".wav";
    const std::string cmd = "fluidsynth -ni -q -g 0.6 -r 11025 -F '" + out + "' " + soundfont + " '" + midi + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return {};
    Wav w = ReadWav(out);
    std::filesystem::remove(out);
    // FluidSynth lets the last notes ring on; the game starts the song over
    // at its last tick instead.
    const Midi m = ReadMidi(midi);
    const size_t play = size_t(m.seconds * w.rate) * size_t(w.channels);
    if (w.ok && m.ok && w.samples.size() > play) w.samples.resize(play);
    return w;
}

// Mean power in decibels of the samples in [from, to).
double PowerDb(const Wav& w, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += double(w.samples[i]) * w.samples[i];
    return 10.0 * std::log10(std::max(sum / double(std::max<size_t>(to - from, 1)), 1.0) / (32768.0 * 32768.0));
}

TEST(SoundAssets, SongsShareOneLoudnessAndTheFightsRiseAndFall) {
    test::TestGame t;
    t.NewGame();
    std::vector<std::pair<std::string, bool>> songs = {{assets::kOpeningSong, false}, {assets::kGameOverSong, false},
                                                       {t.s.KyokuFile[12], false}};
    for (int stage = 1; stage <= 5; ++stage) {
        songs.push_back({t.s.KyokuFile[stage + 1], true});
        songs.push_back({t.s.KyokuFile[stage + 6], true});
    }
    double quietest = 0.0, loudest = -200.0;
    for (const auto& [path, shaped] : songs) {
        SCOPED_TRACE(path);
        const Wav w = Synthesise(Built(path));
        if (!w.ok) GTEST_SKIP() << "FluidSynth or the TimGM6mb soundfont is not installed";
        ASSERT_EQ(w.channels, 2);
        const double level = PowerDb(w, 0, w.samples.size());
        quietest = std::min(quietest, level);
        loudest = std::max(loudest, level);
        if (!shaped) continue;
        // The loudest four seconds, in steps of one.
        const size_t second = size_t(w.rate) * 2, n = w.samples.size();
        ASSERT_GT(n, 10 * second);
        double peak = -200.0;
        size_t peakAt = 0;
        for (size_t at = 0; at + 4 * second <= n; at += second) {
            const double p = PowerDb(w, at, at + 4 * second);
            if (p > peak) { peak = p; peakAt = at; }
        }
        EXPECT_LE(PowerDb(w, 0, 3 * second), peak - 6.0) << "a stage or boss song opens quietly and grows";
        EXPECT_GE(peakAt * 2, n) << "its loudest stretch comes in its second half, building towards the loop";
        EXPECT_LE(PowerDb(w, n - 2 * second, n), peak - 3.0)
            << "its last two seconds drop away from the peak, so the loop's return is heard";
    }
    EXPECT_LE(loudest - quietest, 2.5) << "no song is more than 2.5 dB louder than another, so none jumps out "
                                          "when the music changes";
}

}  // namespace
}  // namespace molfo
