// The browser's back end, the third twin of platform/sdl and
// platform/headless: the page's clock, its keyboard events, the canvas, the
// name box over a hidden text field, and Web Audio. The game's waits stay
// blocking; built with Asyncify, Sleep hands the thread back to the browser.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "i18n/Catalog.h"
#include "platform/KeyLatch.h"
#include "platform/PadMap.h"
#include "platform/Platform.h"
#include "render/Surface.h"
#include "settings/Settings.h"

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

// The pace of a replay being watched, at the speed the page's control
// asks for: the real clock run 1, 2 or 4 times as fast, or, at speed 0, as
// fast as the browser allows, never waiting but handing the thread back
// every few milliseconds so the page keeps drawing and answering. The speed
// may change at any moment; the replay goes on from where it is.
class WebReplayClock final : public Clock {
public:
    explicit WebReplayClock(WebClock& real) : real_(real) {}
    uint32_t Ticks() override;
    void Sleep(uint32_t ms) override { SleepUntil(Ticks() + ms); }
    void SleepUntil(uint32_t tick) override;
    void Nap(uint32_t ms) override { Sleep(ms); }

private:
    WebClock& real_;
    bool started_ = false;
    uint32_t lastReal_ = 0;  // the real reading the scaled time was last brought up to
    uint32_t scaled_ = 0;
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
    void SetVolumes(int music, int effect);

private:
    bool mute_;
};

// What the settings page needs from the program around it, as in the window.
struct WebSettingsHooks {
    // Whether the page may open now (the title shows, no replay plays).
    std::function<bool()> mayOpen;
    // Told of every change while the page is open (the language); the keys,
    // pads, volumes and scaling the back end applies itself.
    std::function<void(const settings::Settings&)> changed;
    // The language codes there are catalogs for, "ja" first.
    std::vector<std::string> languages;
};

// The settings' name of the pad button at this place of the standard
// mapping, or an empty text.
std::string PadButtonName(int standard);

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

    // Lets the page answer before a long piece of work; the time it takes
    // is left out of the game's clock.
    void Yield();

    // Every key and button up, none pending: a key that ended a session
    // (Escape still held) must not end the next one too.
    void ForgetKeys();

    // The label font with every character a name may hold, for the boxes.
    void SetNameFont(std::string path) { nameFont_ = std::move(path); }

    // Waits for a file the page is still fetching, with a note on the page;
    // like a hidden page, the wait is left out of the game's clock.
    void Need(const std::string& path);

    // The player's settings kept in the browser (defaults when none are),
    // and the keys, pads, volumes and scaling set from them.
    settings::Settings StoredSettings() const;
    void ApplySettings(const settings::Settings& s);
    void SetSettingsHooks(WebSettingsHooks hooks) { hooks_ = std::move(hooks); }

    // Touch controls send their keys under a source of their own, and the
    // page's pads take the sources before it.
    static constexpr int kTouchSource = KeyLatch::kSources - 1;
    static constexpr int kMaxPads = 4;
    static_assert(pad::PadKeys::kFirstSource + kMaxPads <= kTouchSource, "pads and touch keep apart");

private:
    enum class BoxKind { Input, Message };
    bool RunBox(BoxKind kind, const std::string& text, const Surface& window, std::string& typed);
    void TakeKeys();
    void WaitWhileHidden();
    // Reads the pads once; `nav` receives the standard buttons newly down.
    void PollPads(std::vector<int>* nav = nullptr);
    void RunSettingsPage();

    struct PadSeen {
        bool connected = false;
        uint32_t buttons = 0;
        int x = 0, y = 0;
        bool backAlone = false;  // Back went down with nothing else: the title's settings
    };

    WebClock clock_;
    WebAudio audio_;
    KeyLatch keys_;
    pad::PadKeys pads_{keys_};
    std::array<PadSeen, kMaxPads> padSeen_{};
    settings::Settings settings_ = settings::Settings::Defaults();
    WebSettingsHooks hooks_;
    std::vector<uint8_t> rgba_;  // the canvas's pixels, kept between frames
    const Surface* shown_ = nullptr;  // the window last presented
    // The picture rgba_ holds, so that the next frame of it converts and
    // sends only the rows that changed.
    const Surface* canvasOf_ = nullptr;
    bool settingsWanted_ = false;     // a pad's Back asked for the settings page
    Surface boxBuffer_;
    std::unique_ptr<TextRenderer> text_;     // the settings page's
    std::unique_ptr<TextRenderer> boxText_;  // the boxes', from nameFont_
    std::string nameFont_;
    const i18n::Catalog* words_;
    Platform platform_{clock_, *this, *this, *this, *this, audio_};
};

}  // namespace molfo
