// The settings page in the browser, as in the window: drawn over the last
// composed window by render/SettingsView, worked by settings::Page, opened
// from the title by F1, the page's button or a pad's Back alone. It runs
// inside a pump of the title's wait, so the game never sees it. The
// settings are kept in the browser's storage.
#include <array>
#include <string>
#include <vector>

#include "platform/web/WebImports.h"
#include "platform/web/WebPlatform.h"
#include "settings/StoredText.h"
#include "render/SettingsView.h"
#include "render/Text.h"
#include "settings/SettingsPage.h"

namespace molfo {

namespace {

constexpr uint32_t kBlinkMs = 400;
constexpr int kPollMs = 16;
constexpr int kNameCap = 64;
constexpr int kStoredCap = 8192;

using Nav = settings::Page::Nav;

// The page's own keys, by the names the page gives keys (as SDL names them).
bool KeyNav(const std::string& k, Nav& n) {
    if (k == "Up") n = Nav::Up;
    else if (k == "Down") n = Nav::Down;
    else if (k == "Left") n = Nav::Left;
    else if (k == "Right") n = Nav::Right;
    else if (k == "Return" || k == "Keypad Enter" || k == "Space") n = Nav::Activate;
    else if (k == "Delete" || k == "Backspace") n = Nav::Clear;
    else if (k == "Escape" || k == "F1") n = Nav::Leave;
    else return false;
    return true;
}

// The standard mapping's buttons, as the window's pads move on the page.
bool PadNav(int standard, Nav& n) {
    switch (standard) {
        case 12: n = Nav::Up; return true;
        case 13: n = Nav::Down; return true;
        case 14: n = Nav::Left; return true;
        case 15: n = Nav::Right; return true;
        case 0:
        case 9: n = Nav::Activate; return true;
        case 2:
        case 3: n = Nav::Clear; return true;
        case 1:
        case 8: n = Nav::Leave; return true;
        default: return false;
    }
}

constexpr int kStandardBack = 8;

bool IsKeyName(const std::string& name) { return molfo_is_key_name(name.c_str()) != 0; }

}  // namespace

settings::Settings WebPlatform::StoredSettings() const {
    std::string text(kStoredCap, '\0');
    const int n = molfo_settings_stored(text.data(), kStoredCap);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return settings::SettingsFromText(text, &IsKeyName);
}

void WebPlatform::ApplySettings(const settings::Settings& s) {
    settings_ = s;
    std::string lines;
    std::vector<pad::Binding> buttons;
    for (size_t a = 0; a < settings::kActions; ++a) {
        const int vk = settings::kActionTable[a].vk;
        for (int slot = 0; slot < settings::kSlots; ++slot) {
            if (!s.keys[a][slot].empty())
                lines += s.keys[a][slot] + "\t" + std::to_string(vk) + "\t" + std::to_string(slot) + "\n";
            const int b = settings::PadButton(s.pad[a][slot]);
            if (b >= 0) buttons.push_back({static_cast<pad::Input>(b), vk, 0});
        }
    }
    molfo_bind_keys(lines.c_str());
    TakeKeys();
    keys_.Forget();
    pads_.SetButtons(std::move(buttons));
    audio_.SetVolumes(s.musicVolume, s.effectVolume);
}

void WebPlatform::RunSettingsPage() {
    if (shown_ == nullptr || shown_->Empty()) return;
    // The game's composed window, under the page; a change of language
    // recomposes it, so the labels behind follow too.
    const Surface* const base = shown_;
    if (!text_) text_ = std::make_unique<TextRenderer>();
    molfo_settings_open(1);
    TakeKeys();
    keys_.Forget();
    pads_.Forget();
    settings::Page page(settings_, hooks_.languages);
    bool caretOn = true, dirty = true;
    uint32_t nextBlink = clock_.Ticks() + kBlinkMs;
    std::array<char, kNameCap> name{};
    std::vector<int> padDown;
    while (!page.Done()) {
        if (dirty) {
            boxBuffer_ = *base;
            DrawSettingsPage(boxBuffer_, *text_, *words_, page, caretOn);
            Present(boxBuffer_, {});
            dirty = false;
        }
        bool acted = false;
        Nav n{};
        while (molfo_settings_key(name.data(), kNameCap) > 0) {
            const std::string k(name.data());
            acted = true;
            if (page.Capturing()) {
                if (k == "Escape") page.CancelCapture();
                else if (!page.CapturingPad()) page.Captured(k);
            } else if (KeyNav(k, n)) {
                page.Press(n);
            }
        }
        padDown.clear();
        PollPads(&padDown);
        for (int b : padDown) {
            acted = true;
            if (page.CapturingPad()) {
                if (b == kStandardBack) page.CancelCapture();
                else if (const std::string p = PadButtonName(b); !p.empty()) page.Captured(p);
            } else if (page.Capturing()) {
                page.CancelCapture();  // a key was asked for
            } else if (PadNav(b, n)) {
                page.Press(n);
            }
        }
        if (page.TakeChanged()) {
            ApplySettings(page.Current());
            molfo_settings_store(settings::SettingsToText(page.Current()).c_str());
            if (hooks_.changed) hooks_.changed(settings_);
        }
        if (acted) {
            caretOn = true;
            nextBlink = clock_.Ticks() + kBlinkMs;
            dirty = true;
        } else if (page.Capturing() && static_cast<int32_t>(clock_.Ticks() - nextBlink) >= 0) {
            caretOn = !caretOn;
            nextBlink = clock_.Ticks() + kBlinkMs;
            dirty = true;
        }
        molfo_sleep(kPollMs);
    }
    ApplySettings(page.Current());
    molfo_settings_store(settings::SettingsToText(page.Current()).c_str());
    molfo_settings_open(0);
    // Nothing pressed on the page reaches the game.
    TakeKeys();
    keys_.Forget();
    pads_.Forget();
    Present(*base, {});
}

}  // namespace molfo
