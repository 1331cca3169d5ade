// The browser's back end, the third twin of platform/sdl and
// platform/headless: the page's clock, its keyboard events, the canvas, the
// name box over a hidden text field, and Web Audio. The game's waits stay
// blocking; built with Asyncify, Sleep hands the thread back to the browser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "i18n/Catalog.h"
#include "platform/KeyLatch.h"
#include "platform/Platform.h"
#include "render/Surface.h"

namespace molfo {

class TextRenderer;

// performance.now() in whole milliseconds, less the time the page spent
// hidden: the game's timing never sees the pause.
class WebClock final : public Clock {
public:
    uint32_t Ticks() override;
    void Sleep(uint32_t ms) override;
    // The page's timers count whole milliseconds: one wake-up, in time
    // for the tick.
    void SleepUntil(uint32_t tick) override;
    void Nap(uint32_t ms) override { Sleep(ms); }
    void LeaveOut(uint32_t ms) { pausedMs_ += ms; }

private:
    uint32_t pausedMs_ = 0;
};

// The pace of a replay played as fast as the browser allows: it never
// waits, but hands the thread back every few milliseconds so the page
// keeps drawing and answering.
class WebTurboClock final : public Clock {
public:
    uint32_t Ticks() override;
    void Sleep(uint32_t ms) override;
    void SleepUntil(uint32_t) override { Sleep(0); }
    void Nap(uint32_t ms) override { Sleep(ms); }

private:
    uint32_t lastYield_ = 0;
};

class WebAudio final : public Audio {
public:
    explicit WebAudio(bool mute) : mute_(mute) {}
    void Init() override;
    void PlayMusic(const std::string& path, int16_t kaisu) override;
    void StopMusic() override;
    void PlayEffect(const std::string& path) override;
    void Pause(bool paused);

private:
    bool mute_;
};

class WebPlatform final : public Events, public Keys, public Display, public Dialogs {
public:
    explicit WebPlatform(bool mute);
    ~WebPlatform() override;
    WebPlatform(const WebPlatform&) = delete;
    WebPlatform& operator=(const WebPlatform&) = delete;

    Platform& platform() { return platform_; }
    WebClock& clock() { return clock_; }
    WebAudio& audio() { return audio_; }

    bool Pump() override;
    bool Query(int vkCode) override { return keys_.Query(vkCode); }
    void Present(const Surface& window, std::span<const Rect> changed) override;
    std::string InputBox(const std::string& prompt, const Surface& window) override;
    void MessageBox(const std::string& text, const Surface& window) override;

    // Tells the page the program has ended, with its exit status.
    static void Finished(int status);
    // The language of the boxes' words; the catalog must outlive the
    // platform or the next call.
    void SetLanguage(const i18n::Catalog* words);

private:
    enum class BoxKind { Input, Message };
    bool RunBox(BoxKind kind, const std::string& text, const Surface& window, std::string& typed);
    void TakeKeys();
    void WaitWhileHidden();

    WebClock clock_;
    WebAudio audio_;
    KeyLatch keys_;
    std::vector<uint8_t> rgba_;  // the canvas's pixels, kept between frames
    Surface boxBuffer_;
    std::unique_ptr<TextRenderer> text_;
    const i18n::Catalog* words_;
    Platform platform_{clock_, *this, *this, *this, *this, audio_};
};

}  // namespace molfo
