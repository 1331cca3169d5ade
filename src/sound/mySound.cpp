#include "sound/mySound.h"

#include <utility>

#include "platform/Platform.h"

namespace molfo {

mySound::mySound(Audio& audio, std::function<std::string(const std::string&)> mapPath)
    : audio_(audio), mapPath_(std::move(mapPath)) {}

void mySound::SHOKIKA() { audio_.Init(); }

void mySound::Play(const std::string& Kyokumei, int16_t Kaisu) { audio_.PlayMusic(mapPath_(Kyokumei), Kaisu); }

void mySound::TEISI() { audio_.StopMusic(); }

void mySound::Play2(const std::string& Kyokumei, int16_t Kaisu) {
    TEISI();
    Play(Kyokumei, Kaisu);
}

void mySound::Koukaon(const std::string& OtoFile) { audio_.PlayEffect(Mapped(OtoFile)); }

const std::string& mySound::Mapped(const std::string& gamePath) {
    auto it = mapped_.find(gamePath);
    if (it == mapped_.end()) it = mapped_.emplace(gamePath, mapPath_(gamePath)).first;
    return it->second;
}

}  // namespace molfo
