// The built songs and effects against what the game asks of them: every song
// the tables name is a General MIDI file with melody, harmony, bass and drums
// and lasts long enough to loop without wearing thin; every effect is short,
// starts and stops without a click and peaks high enough to sit over the
// music without clipping; every song, played through FluidSynth with the
// game's soundfont as the game plays it, sits at one loudness with the
// others, and the stage and boss songs rise and fall. Lengths come from the
// files themselves: a WAV's sample count, a MIDI file's ticks through its
// tempo map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "core/AssetNames.h"
#include "core/GameState.h"

namespace molfo {
namespace {

using Bytes = std::vector<uint8_t>;

// A game path ("sys\name.ext") as a file of the built data folder.
std::string Built(const std::string& gamePath) {
    std::string rel = gamePath;
    std::replace(rel.begin(), rel.end(), '\\', '/');
    return std::string(test::DataDir()) + "/" + rel;
}

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

uint32_t Be(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | b[at + i];
    return v;
}

struct Wav {
    bool ok = false;
    int rate = 0, channels = 0, bits = 0;
    std::vector<int16_t> samples;
    double Seconds() const { return rate > 0 ? double(samples.size()) / channels / rate : 0.0; }
};

Wav ReadWav(const std::string& path) {
    Wav w;
    Bytes b = ReadAll(path);
    if (b.size() < 12 || Be(b, 0, 4) != 0x52494646 || Be(b, 8, 4) != 0x57415645) return w;  // "RIFF" "WAVE"
    for (size_t at = 12; at + 8 <= b.size();) {
        uint32_t id = Be(b, at, 4), size = Le(b, at + 4, 4);
        size_t body = at + 8;
        if (body + size > b.size()) break;
        if (id == 0x666d7420) {  // "fmt "
            w.channels = int(Le(b, body + 2, 2));
            w.rate = int(Le(b, body + 4, 4));
            w.bits = int(Le(b, body + 14, 2));
        } else if (id == 0x64617461 && w.bits == 16) {  // "data"
            for (size_t i = 0; i + 1 < size; i += 2) w.samples.push_back(int16_t(Le(b, body + i, 2)));
            w.ok = w.rate > 0 && w.channels > 0;
        }
        at = body + size + (size & 1);
    }
    return w;
}

double Db(double amplitude) { return 20.0 * std::log10(std::max(amplitude, 1.0) / 32768.0); }

struct Midi {
    bool ok = false;
    double seconds = 0.0;
    std::set<int> noteChannels;  // 1-based, as General MIDI numbers them
    std::set<int> programmedChannels;
};

// Reads a standard MIDI file: the time of its last event through every tempo
// change, and which channels play notes and which set an instrument.
Midi ReadMidi(const std::string& path) {
    Midi m;
    Bytes b = ReadAll(path);
    if (b.size() < 14 || Be(b, 0, 4) != 0x4d546864) return m;  // "MThd"
    int tracks = int(Be(b, 10, 2));
    int division = int(Be(b, 12, 2));
    if (division <= 0 || (division & 0x8000)) return m;
    std::map<uint32_t, uint32_t> tempos{{0, 500000}};  // tick -> microseconds per quarter
    uint32_t lastTick = 0;
    size_t at = 8 + Be(b, 4, 4);
    for (int t = 0; t < tracks; ++t) {
        if (at + 8 > b.size() || Be(b, at, 4) != 0x4d54726b) return m;  // "MTrk"
        size_t end = at + 8 + Be(b, at + 4, 4), p = at + 8;
        if (end > b.size()) return m;
        uint32_t tick = 0;
        uint8_t status = 0;
        auto varlen = [&]() {
            uint32_t v = 0;
            while (p < end) {
                uint8_t c = b[p++];
                v = (v << 7) | (c & 0x7f);
                if (!(c & 0x80)) break;
            }
            return v;
        };
        while (p < end) {
            tick += varlen();
            if (p >= end) break;
            if (b[p] & 0x80) status = b[p++];
            if (status == 0xff) {
                uint8_t type = b[p++];
                uint32_t len = varlen();
                if (type == 0x51 && len == 3) tempos[tick] = Be(b, p, 3);
                p += len;
            } else if (status == 0xf0 || status == 0xf7) {
                p += varlen();
            } else {
                int kind = status >> 4, channel = (status & 0x0f) + 1;
                if (kind == 0x9 && b[p + 1] > 0) m.noteChannels.insert(channel);
                if (kind == 0xc) m.programmedChannels.insert(channel);
                p += (kind == 0xc || kind == 0xd) ? 1 : 2;
            }
        }
        lastTick = std::max(lastTick, tick);
        at = end;
    }
    uint32_t from = 0, usPerQuarter = 500000;
    for (auto [tick, us] : tempos) {
        if (tick >= lastTick) break;
        m.seconds += double(tick - from) * usPerQuarter / division / 1e6;
        from = tick;
        usPerQuarter = us;
    }
    m.seconds += double(lastTick - from) * usPerQuarter / division / 1e6;
    m.ok = true;
    return m;
}

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

// One play of a song as the game hears it: FluidSynth with the first
// soundfont the game looks for, at the gain the game's half music volume
// gives it; at a quarter of the game's sample rate, which keeps the test
// quick and moves no song's loudness by more than a few tenths of a decibel.
// Empty when FluidSynth or the soundfont is not installed.
Wav Synthesise(const std::string& midi) {
    const char* soundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    if (!std::filesystem::exists(soundfont) || std::system("fluidsynth --version >/dev/null 2>&1") != 0) return {};
    const std::string out = testing::TempDir() + "molfo-song-" + std::filesystem::path(midi).stem().string() + ".wav";
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
