// The music and effect facade. Every mySound shares the one audio device of
// the platform, so short-lived objects of the end screens and the game's
// own Oto drive the same song and effect channel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace molfo {

class Audio;

class mySound {
public:
    // mapPath turns a game path ("sys\x.mid") into a host path.
    mySound(Audio& audio, std::function<std::string(const std::string&)> mapPath);

    void SHOKIKA();
    void Play(const std::string& Kyokumei, int16_t Kaisu);
    void TEISI();
    void Play2(const std::string& Kyokumei, int16_t Kaisu);
    void Koukaon(const std::string& OtoFile);

private:
    // Effects fire many times a frame; their host paths are worked out once.
    const std::string& Mapped(const std::string& gamePath);

    Audio& audio_;
    std::function<std::string(const std::string&)> mapPath_;
    std::unordered_map<std::string, std::string> mapped_;
};

}  // namespace molfo
