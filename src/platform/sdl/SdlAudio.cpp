#include "platform/sdl/SdlAudio.h"

#include <SDL.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <utility>

namespace molfo {

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
// About 23 ms: effects start within two frames of the hit that raised them.
constexpr int kChunkSamples = 1024;
// Only one effect plays at a time; a new one cuts the old off.
constexpr int kEffectChannel = 0;
constexpr int kMusicVolume = MIX_MAX_VOLUME / 2;

bool IsFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

const char* const SdlAudio::kSystemSoundfonts[3] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

std::string SdlAudio::FindSoundfont(const std::string& chosen) {
    if (IsFile(chosen)) return chosen;
    for (const char* path : kSystemSoundfonts)
        if (IsFile(path)) return path;
    return {};
}

SdlAudio::SdlAudio(SdlAudioOptions options) : options_(std::move(options)) {
    for (const std::string& path : options_.silent) warned_.insert(path);
}

SdlAudio::~SdlAudio() { Close(); }

void SdlAudio::Warn(const std::string& key, const std::string& line) {
    if (warned_.insert(key).second) std::cerr << "molfo: " << line << "\n";
}

bool SdlAudio::OpenDevice(std::string& why) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        why = SDL_GetError();
        return false;
    }
    subsystem_ = true;
    if (Mix_OpenAudio(kRate, MIX_DEFAULT_FORMAT, kChannels, kChunkSamples) != 0) {
        why = Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
        return false;
    }
    return true;
}

void SdlAudio::Open() {
    tried_ = true;
    if (options_.mute) return;

    soundfont_ = FindSoundfont(options_.soundfont);
    if (!options_.soundfont.empty() && soundfont_ != options_.soundfont)
        Warn("soundfont", "soundfont " + options_.soundfont + " not found" +
                              (soundfont_.empty() ? std::string() : "; using " + soundfont_));
    if (soundfont_.empty()) {
        Warn("nosoundfont", "no General MIDI soundfont found (install timgm6mb-soundfont or pass --soundfont); "
                            "the songs stay silent");
    } else {
        // FluidSynth with our soundfont, never Timidity with whatever
        // patches happen to be installed.
        SDL_SetHint("SDL_MIXER_DISABLE_TIMIDITY", "1");
        midi_ = (Mix_Init(MIX_INIT_MID) & MIX_INIT_MID) != 0;
        if (!midi_)
            Warn("nomidi", std::string("no MIDI synthesiser (") + Mix_GetError() + "); the songs stay silent");
        else
            // Debian's SDL_mixer ignores SDL_SOUNDFONTS unless it is set here.
            Mix_SetSoundFonts(soundfont_.c_str());
    }

    std::string why;
    if (!OpenDevice(why)) {
        Warn("nodevice", "no audio device (" + why + "); playing without sound");
        // The dummy driver takes the samples and drops them, so the rest of
        // the sound code runs exactly as on a machine with a device.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (!OpenDevice(why)) return;
    }
    Mix_AllocateChannels(1);
    open_ = true;
    SetVolumes(options_.musicVolume, options_.effectVolume);
}

void SdlAudio::SetVolumes(int music, int effects) {
    options_.musicVolume = std::clamp(music, 0, 100);
    options_.effectVolume = std::clamp(effects, 0, 100);
    if (!open_) return;
    // The synthesised songs peak past full scale at full volume; half keeps
    // them clean and leaves room for the effects on top.
    Mix_VolumeMusic(kMusicVolume * options_.musicVolume / 100);
    Mix_Volume(kEffectChannel, MIX_MAX_VOLUME * options_.effectVolume / 100);
}

void SdlAudio::Close() {
    if (open_) {
        Mix_HaltChannel(-1);
        Mix_HaltMusic();
    }
    if (music_ != nullptr) Mix_FreeMusic(music_);
    music_ = nullptr;
    for (auto& [path, chunk] : effects_)
        if (chunk != nullptr) Mix_FreeChunk(chunk);
    effects_.clear();
    if (open_) Mix_CloseAudio();
    open_ = false;
    if (midi_) Mix_Quit();
    midi_ = false;
    if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
}

void SdlAudio::Init() {
    if (!tried_) {
        Open();
        return;
    }
    // Every title screen initialises again; the device stays open and only
    // falls silent, as a freshly made one would be.
    if (!open_) return;
    Mix_HaltChannel(-1);
    StopMusic();
}

void SdlAudio::StopMusic() {
    if (!open_) return;
    Mix_HaltMusic();
    if (music_ != nullptr) Mix_FreeMusic(music_);
    music_ = nullptr;
}

void SdlAudio::PlayMusic(const std::string& path, int16_t kaisu) {
    // The devices come up lazily when a song is asked for first.
    if (!tried_) Open();
    StopMusic();
    if (!open_ || !midi_) return;
    music_ = Mix_LoadMUS(path.c_str());
    if (music_ == nullptr) {
        Warn(path, "cannot play " + path + " (" + Mix_GetError() + ")");
        return;
    }
    if (Mix_PlayMusic(music_, PlayCount(kaisu)) != 0) Warn(path, "cannot play " + path + " (" + Mix_GetError() + ")");
}

Mix_Chunk* SdlAudio::Effect(const std::string& path) {
    const auto it = effects_.find(path);
    if (it != effects_.end()) return it->second;
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (chunk == nullptr) Warn(path, "cannot play " + path + " (" + Mix_GetError() + ")");
    // A file that failed is remembered too, so it is not tried every frame.
    effects_.emplace(path, chunk);
    return chunk;
}

void SdlAudio::PlayEffect(const std::string& path) {
    if (!tried_) Open();
    if (!open_) return;
    Mix_Chunk* chunk = Effect(path);
    if (chunk == nullptr) return;
    Mix_PlayChannel(kEffectChannel, chunk, 0);
}

void SdlAudio::Pause(bool paused) {
    if (!open_) return;
    if (paused) {
        Mix_PauseMusic();
        Mix_Pause(-1);
    } else {
        Mix_ResumeMusic();
        Mix_Resume(-1);
    }
}

}  // namespace molfo
