// The game window on SDL2: one resizable window that shows the composed
// 645 x 573 buffer scaled to fit, the key events turned into the game's key
// query, close requests, and the modal dialogs drawn inside the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/KeyLatch.h"
#include "platform/Platform.h"
#include "render/Surface.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;
struct SDL_KeyboardEvent;

namespace molfo {

class TextRenderer;

class SdlWindow final : public Events, public Keys, public Display, public Dialogs {
public:
    // Creates the window on an SDL whose video is already initialised.
    // Returns null with a one-line reason when it cannot.
    static std::unique_ptr<SdlWindow> Create(bool fullscreen, std::string& error);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool Pump() override;
    bool Query(int vkCode) override;
    void Present(const Surface& window) override;
    std::string InputBox(const std::string& prompt, const Surface& window) override;
    void MessageBox(const std::string& text, const Surface& window) override;

    // Maps an SDL key to the game's virtual-key code and tells left from
    // right for the keys that come in pairs; 0 for keys the game ignores.
    static int VirtualKey(const SDL_KeyboardEvent& key, int& source);

private:
    SdlWindow() = default;

    // Takes one event outside a dialog.
    void Handle(const SDL_Event& e);
    // Window events both loops share: close requests and repaints.
    void HandleWindowEvent(const SDL_Event& e);
    // F11 or Alt+Enter; true when the key was one of them.
    bool FullscreenShortcut(const SDL_KeyboardEvent& key);
    void ToggleFullscreen();
    // Uploads a buffer and shows it.
    void Show(const Surface& s);
    // Shows the last uploaded buffer again.
    void Repaint();

    enum class BoxKind { Input, Message };
    // The modal loop of both boxes. Returns true when confirmed.
    bool RunBox(BoxKind kind, const std::string& text, const Surface& window, std::string& typed);
    void DrawBox(BoxKind kind, const std::string& text, const Surface& window, const std::string& typed,
                 const std::string& composing, bool caretOn);

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureW_ = 0;
    int textureH_ = 0;
    bool haveFrame_ = false;
    bool closePending_ = false;
    KeyLatch keys_;
    // The dialogs draw the box over a copy of the composed window; kept so
    // that a dialog's frames reuse one buffer.
    Surface boxBuffer_;
    std::unique_ptr<TextRenderer> text_;
};

}  // namespace molfo
