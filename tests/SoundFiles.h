// The built sound files read back: a WAV file's samples, a MIDI file's
// length and channels.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace molfo::test {

// A game path ("sys\name.ext") as a file of the built data folder.
std::string Built(const std::string& gamePath);

struct Wav {
    bool ok = false;
    int rate = 0, channels = 0, bits = 0;
    std::vector<int16_t> samples;
    double Seconds() const { return rate > 0 ? double(samples.size()) / channels / rate : 0.0; }
};

// A 16-bit PCM WAV file's format and samples; not ok when it is none.
Wav ReadWav(const std::string& path);

struct Midi {
    bool ok = false;
    double seconds = 0.0;
    std::set<int> noteChannels;  // 1-based, as General MIDI numbers them
    std::set<int> programmedChannels;
};

// Reads a standard MIDI file: the time of its last event through every tempo
// change, and which channels play notes and which set an instrument.
Midi ReadMidi(const std::string& path);

}  // namespace molfo::test
