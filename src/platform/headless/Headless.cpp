#include "platform/headless/Headless.h"

namespace molfo {

bool HeadlessEvents::Pump() {
    ++pumps;
    if (onPump) onPump();
    const bool close = closePending_;
    closePending_ = false;
    return close;
}

bool HeadlessKeys::Query(int vkCode) {
    if (!InRange(vkCode)) return false;
    const bool result = held_[vkCode] || latched_[vkCode];
    latched_[vkCode] = false;
    return result;
}

void HeadlessKeys::Hold(int vkCode, bool down) {
    if (!InRange(vkCode)) return;
    held_[vkCode] = down;
    if (down) latched_[vkCode] = true;
}

void HeadlessKeys::ReleaseAll() { held_.fill(false); }

void HeadlessKeys::Press(int vkCode) {
    if (InRange(vkCode)) latched_[vkCode] = true;
}

void HeadlessDisplay::Present(const Surface& window, std::span<const Rect> changedRects) {
    ++presents;
    changed = changedRects;
    if (onPresent) onPresent(window);
}

std::string HeadlessDialogs::InputBox(const std::string& prompt, const Surface&) {
    if (beforeInput) beforeInput();
    std::string answer;
    if (!answers.empty()) {
        answer = answers.front().value_or("");
        answers.pop_front();
    }
    shown.push_back({"input", prompt, answer});
    return answer;
}

void HeadlessDialogs::MessageBox(const std::string& text, const Surface&) {
    shown.push_back({"message", text, ""});
}

void HeadlessAudio::Init() { log.push_back({clock_.Ticks(), "init", "", 0}); }

void HeadlessAudio::PlayMusic(const std::string& path, int16_t kaisu) {
    music = path;
    log.push_back({clock_.Ticks(), "music", path, kaisu});
}

void HeadlessAudio::StopMusic() {
    music.clear();
    log.push_back({clock_.Ticks(), "stop", "", 0});
}

void HeadlessAudio::PlayEffect(const std::string& path) {
    effect = path;
    log.push_back({clock_.Ticks(), "effect", path, 0});
}

}  // namespace molfo
