// Songs and effects through SDL2_mixer: MIDI songs synthesised by FluidSynth
// with a General MIDI soundfont, WAV effects on one channel. Any part of it
// that is missing (no device, no soundfont, a file) leaves that sound
// silent and the game running.
#pragma once

#include <SDL_mixer.h>

#include <string>
#include <vector>
#include <unordered_map>
#include <unordered_set>

#include "platform/Platform.h"

namespace molfo {

struct SdlAudioOptions {
    std::string soundfont;  // tried before the system's soundfonts; may be empty
    bool mute = false;
    int musicVolume = 100;   // percent of the game's own level
    int effectVolume = 100;
    std::vector<std::string> silent;  // sound files already reported as unplayable
};

class SdlAudio final : public Audio {
public:
    explicit SdlAudio(SdlAudioOptions options);
    ~SdlAudio() override;
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

    // Opens the device on the first call; later calls only stop what is
    // playing, as a fresh device would be silent.
    void Init() override;
    void PlayMusic(const std::string& path, int16_t kaisu) override;
    void StopMusic() override;
    void PlayEffect(const std::string& path) override;
    // Holds the song and the effect where they are while the game is paused.
    void Pause(bool paused);
    // Percentages of the game's own levels, 0..100; applied at once.
    void SetVolumes(int music, int effects);

    // The soundfonts tried in order when none is given on the command line.
    static const char* const kSystemSoundfonts[3];
    // The first of `chosen` and the system soundfonts that exists; empty
    // when there is none.
    static std::string FindSoundfont(const std::string& chosen);
    // Mix_PlayMusic's play count for a repeat count: the song plays once
    // more than it repeats; a negative count repeats for ever.
    static int PlayCount(int16_t kaisu) { return kaisu < 0 ? -1 : kaisu + 1; }

private:
    void Open();
    bool OpenDevice(std::string& why);
    void Close();
    Mix_Chunk* Effect(const std::string& path);
    // One line on stderr per distinct problem, so a missing effect played
    // every frame does not flood the terminal.
    void Warn(const std::string& key, const std::string& line);

    SdlAudioOptions options_;
    bool tried_ = false;
    bool subsystem_ = false;
    bool open_ = false;
    bool midi_ = false;
    std::string soundfont_;
    Mix_Music* music_ = nullptr;
    // Decoded once per file: an effect played many times a second must never
    // touch the disk again.
    std::unordered_map<std::string, Mix_Chunk*> effects_;
    std::unordered_set<std::string> warned_;
};

}  // namespace molfo
