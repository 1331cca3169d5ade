#include "platform/web/WebPlatform.h"

#include <emscripten.h>

#include <algorithm>
#include <array>

#include "platform/web/WebImports.h"
#include "render/Text.h"
#include "render/Surface.h"

namespace molfo {

namespace {

uint32_t NowMs() { return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now())); }

// How often the page is looked at while it is hidden.
constexpr int kHiddenPollMs = 100;
// A fast replay hands the thread back this often, so the page stays alive.
constexpr uint32_t kTurboSliceMs = 30;

}  // namespace

uint32_t WebClock::Ticks() { return NowMs() - pausedMs_; }

void WebClock::Sleep(uint32_t ms) { molfo_sleep(static_cast<int>(ms)); }

void WebClock::SleepUntil(uint32_t tick) {
    const auto ahead = static_cast<int32_t>(tick - Ticks());
    if (ahead > 0) molfo_sleep(ahead);
}

uint32_t WebReplayClock::Ticks() {
    const uint32_t now = real_.Ticks();
    if (!started_) {
        started_ = true;
        lastReal_ = now;
        scaled_ = now;
    }
    const int speed = molfo_replay_speed();
    scaled_ += (now - lastReal_) * static_cast<uint32_t>(speed > 0 ? speed : 1);
    lastReal_ = now;
    return scaled_;
}

void WebReplayClock::SleepUntil(uint32_t tick) {
    const int speed = molfo_replay_speed();
    const auto ahead = static_cast<int32_t>(tick - Ticks());
    if (speed > 0) {
        // Whole real milliseconds, rounded up, so the wait is never short.
        if (ahead > 0) real_.Sleep(static_cast<uint32_t>((ahead + speed - 1) / speed));
        return;
    }
    // As fast as it goes: the wait is over at once.
    if (ahead > 0) scaled_ = tick;
    const uint32_t now = real_.Ticks();
    if (now - lastYield_ < kTurboSliceMs) return;
    lastYield_ = now;
    molfo_yield();
}

void WebAudio::Init() {
    if (!mute_) molfo_audio_init();
}

void WebAudio::PlayMusic(const std::string& path, int16_t kaisu) {
    if (!mute_) molfo_audio_music(path.c_str(), kaisu);
}

void WebAudio::StopMusic() {
    if (!mute_) molfo_audio_stop();
}

void WebAudio::PlayEffect(const std::string& path) {
    if (!mute_) molfo_audio_effect(path.c_str());
}

void WebAudio::Pause(bool paused) {
    if (!mute_) molfo_audio_pause(paused ? 1 : 0);
}

void WebAudio::SetVolumes(int music, int effect) {
    if (!mute_) molfo_audio_volumes(music, effect);
}

namespace {
const i18n::Catalog kOwnWords;
}  // namespace

WebPlatform::WebPlatform(bool mute) : audio_(mute), words_(&kOwnWords) { molfo_web_init(mute ? 1 : 0); }

void WebPlatform::SetLanguage(const i18n::Catalog* words) { words_ = words != nullptr ? words : &kOwnWords; }

WebPlatform::~WebPlatform() = default;

void WebPlatform::TakeKeys() {
    std::array<int, 64> events{};
    for (;;) {
        const int n = molfo_take_keys(events.data(), static_cast<int>(events.size()));
        for (int i = 0; i < n; ++i) {
            const int e = events[i];
            const int vk = e & 0xFF, source = (e >> 12) & 0x7;
            if (e & 0x100)
                keys_.Press(vk, source, (e & 0x200) != 0);
            else
                keys_.Release(vk, source);
        }
        if (n < static_cast<int>(events.size())) return;
    }
}

void WebPlatform::WaitWhileHidden() {
    if (!molfo_hidden()) return;
    // A hidden page pauses the game as a window that lost focus does: no
    // frame runs, the music holds, and the time away is left out.
    const uint32_t start = NowMs();
    audio_.Pause(true);
    while (molfo_hidden()) molfo_sleep(kHiddenPollMs);
    audio_.Pause(false);
    clock_.LeaveOut(NowMs() - start);
    // Keys let go while the page was away never sent their release.
    TakeKeys();
    keys_.Forget();
    pads_.Forget();
}

bool WebPlatform::Pump() {
    WaitWhileHidden();
    TakeKeys();
    PollPads();
    const bool asked = molfo_settings_wanted() != 0 || settingsWanted_;
    settingsWanted_ = false;
    if (asked && hooks_.mayOpen && hooks_.mayOpen()) RunSettingsPage();
    // A page has no close button of its own; Escape ends the game.
    return false;
}

void WebPlatform::Yield() {
    const uint32_t start = NowMs();
    molfo_yield();
    clock_.LeaveOut(NowMs() - start);
}

void WebPlatform::ForgetKeys() {
    TakeKeys();
    keys_.Forget();
    pads_.Forget();
}

void WebPlatform::Need(const std::string& path) {
    // Decoding a picture is long enough for the page to answer first.
    if (molfo_have(path.c_str()) != 0) {
        Yield();
        return;
    }
    const uint32_t start = NowMs();
    molfo_need(path.c_str());
    clock_.LeaveOut(NowMs() - start);
}

void WebPlatform::Present(const Surface& window, std::span<const Rect> changed) {
    if (&window != &boxBuffer_) shown_ = &window;
    const int w = window.Width(), h = window.Height();
    const size_t n = static_cast<size_t>(w) * h;
    // Only the rows that changed go to the canvas, in one piece: on top of
    // the same picture shown whole before, the rows the changed rectangles
    // span; otherwise all of them.
    int top = 0, bottom = h;
    if (rgba_.size() != n * 4) {
        rgba_.assign(n * 4, 255);
    } else if (&window == canvasOf_ && !changed.empty()) {
        top = h;
        bottom = 0;
        for (const Rect& r : changed) {
            if (r.w <= 0 || r.h <= 0) continue;
            top = std::min(top, std::max(0, r.y));
            bottom = std::max(bottom, std::min(h, r.y + r.h));
        }
    }
    canvasOf_ = &window;
    const uint32_t* in = window.Pixels().data();
    for (int y = top; y < bottom; ++y) {
        const size_t from = static_cast<size_t>(y) * w;
        uint8_t* out = rgba_.data() + from * 4;
        for (size_t i = from; i < from + w; ++i, out += 4) {
            out[0] = static_cast<uint8_t>(in[i] >> 16);
            out[1] = static_cast<uint8_t>(in[i] >> 8);
            out[2] = static_cast<uint8_t>(in[i]);
        }
    }
    molfo_present(rgba_.data(), w, h, top, std::max(0, bottom - top));
}

void WebPlatform::Finished(int status) { molfo_finished(status); }

}  // namespace molfo
