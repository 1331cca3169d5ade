// The game window on the screen and how pictures reach it. Every picture
// shown is a whole composed window (645 x 573) that its owner keeps alive
// while it is shown: the game's frame (Screen::window, handed in by
// Present), or a modal screen's copy of it with a box, the settings page
// or the pause note drawn on top. The display keeps no copy of its own
// apart from what the screen needs: a streaming texture when a GPU draws,
// or else the window's own buffer, which X shares with us, and the
// playfield's ring. Only what changed since the last picture is copied,
// and the picture is scaled into the real window with black bars round it;
// where there is no ring, at one window pixel a picture pixel the game's
// frame lives in the window's buffer (Lodging) and showing it copies
// nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/Platform.h"
#include "platform/sdl/HandPacer.h"
#include "platform/sdl/Placement.h"
#include "platform/sdl/X11Shm.h"
#include "render/ShownRing.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Surface;
union SDL_Event;

namespace molfo {

class SdlDisplay final : public Display {
public:
    // Opens the window on an SDL whose video is already initialised.
    // Returns null with a one-line reason when it cannot.
    static std::unique_ptr<SdlDisplay> Create(bool fullscreen, ScaleMode scale, std::string& error);
    ~SdlDisplay() override;
    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;

    // The game's finished frame, the end of the path that ShowFrame
    // begins: `changed` names the rectangles that may differ from the frame
    // presented before (empty: all of it).
    void Present(const Surface& frame, std::span<const Rect> changed) override;
    // Without a GPU on X, a playfield that moved goes into its ring (see
    // render/ShownRing), read through its view: only what changed after
    // the move is written.
    bool PresentMoved(const Surface& frame, std::span<const Rect> changed, const Move& move) override;
    // Without a GPU or the ring, at one window pixel a picture pixel, the
    // place of the picture in the window's buffer, which X shares with us:
    // a frame drawn there is shown without a copy.
    PixelBuffer Lodging(int w, int h, Lodger& lodger) override;
    // A modal screen's picture, or the frame again when the screen closes;
    // shown whole.
    void Show(const Surface& s);
    // What Present or Show showed last, which screenshots take and the
    // modal screens draw over, with its rows in order; null before the
    // first picture.
    const Surface* Shown() {
        Straighten();
        return shown_;
    }
    // Shown whole for a while, leaving Shown() as it is: the pause note.
    void ShowAside(const Surface& s);
    // Shows Shown() again after a picture shown aside.
    void ShowAgain();
    // Shows the last picture again, whole: after the window was exposed,
    // resized or went full screen.
    void Repaint();

    void SetScale(ScaleMode scale);
    void ToggleFullscreen();
    // SDL's window, for what is placed relative to it (the IME's list).
    SDL_Window* Window() const { return window_; }
    // The event by which the X server says it took a frame shown through
    // the ring without waiting for it (X11Shm::Post); -1 without the ring.
    int TakenEventType() const { return shm_ != nullptr ? shm_->TakenEventType() : -1; }
    // When the frame being handed began its work (CLOCK_MONOTONIC, ns), for
    // the present log; unset, the log has no such column.
    std::function<int64_t()> frameBegan;
    // How much later than its tick that work began on purpose (ns), at
    // this display's word (WakeLater).
    std::function<int64_t()> frameLater;
    // How much later than its tick the next frame had best begin its work,
    // so that it need not wait before it is shown (see HandPacer).
    int64_t WakeLater() const;

private:
    explicit SdlDisplay(ScaleMode scale) : scale_(scale) {}

    // The window's buffer. SDL makes it anew after the window changed size,
    // freeing the old one: whatever lodged there leaves first.
    SDL_Surface* WindowBuffer();
    // The lodger, if any, takes its picture out of the window's buffer.
    void Evict();
    // True when `s` is the picture lodged in the window's buffer.
    bool InPlace(const Surface& s) const;
    // Shows what changed of the lodged picture: nothing to copy.
    void ShowInPlace(std::span<const Rect> changed);
    // Black round a picture placed at `p`, leaving the picture alone.
    static void FillBars(SDL_Surface* out, const Placement& p);
    // SDL calls this as it queues each event, before anything frees the
    // old buffer of a resized window.
    static int WatchResize(void* display, SDL_Event* e);

    // Present's and Show's common path; a frame of play (`paced`) is handed
    // when HandPacer says; logs the hand-over when asked to.
    void Hand(const Surface& s, std::span<const Rect> changed, bool paced, const Move* move = nullptr);
    // Copies a picture to the texture or the window's buffer and shows it.
    void Upload(const Surface& s, std::span<const Rect> changed, const Move* move = nullptr);
    // Shows a frame through the playfield's ring, the rest of the window
    // through the window's buffer. False, having shown nothing, when the
    // ring cannot take it.
    bool ToRing(const Surface& s, std::span<const Rect> changed, int movedRows);
    // X shares memory with us and no GPU draws: the ring may show the
    // playfield.
    bool RingUsable() const;
    // Puts the rows of the frame last taken by PresentMoved in order, for
    // reading it otherwise than through the ring.
    void Straighten();
    // Without a GPU: the last uploaded picture into the window's buffer.
    void RepaintWindowBuffer();
    // Copies the changed rectangles into the window's buffer, and shows
    // them when `update`.
    void CopyToWindow(const Surface& s, std::span<const Rect> changed, bool update = true);
    void StretchToWindow(const Surface& s, SDL_Surface* out, const Placement& p);
    // Just before the window is told to show what was copied: waits until
    // showAt_, and notes when the copy was done and the showing began.
    void WaitToShow();
    // Appends to the present log when a picture was handed to the window,
    // when the X server had it and when its frame began (CLOCK_MONOTONIC,
    // ns).
    void LogPresent(int64_t handed, int64_t shown);

    ScaleMode scale_;
    SDL_Window* window_ = nullptr;
    // Null when no GPU draws: the pictures then go into the window's buffer.
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureW_ = 0;
    int textureH_ = 0;
    bool sharp_ = false;  // the texture's sampling, changed only when it must
    // Our pixels as an SDL surface, for scaling into the window's buffer.
    SDL_Surface* view_ = nullptr;
    // The picture last uploaded, and whether the window holds all of it,
    // so that the next frame of it may copy only what changed.
    const Surface* uploaded_ = nullptr;
    bool whole_ = false;
    // The picture last shown by Present or Show. Its owner keeps it alive
    // for every pump that could look at it.
    const Surface* shown_ = nullptr;
    // MOLFO_PRESENT_LOG's file, or -1: one line per picture shown, for
    // scripts/measure-window.
    int presentLog_ = -1;
    // The picture living in the window's buffer (see Lodging): who lodged,
    // where its first pixel lies, its placement and the window's size then.
    Lodger* lodger_ = nullptr;
    const uint32_t* lodged_ = nullptr;
    Placement lodgedAt_{};
    int lodgedW_ = 0, lodgedH_ = 0;
    // The playfield's ring in memory shared with X (none without X, MIT-SHM
    // or with a GPU), and the part of the frame it holds, named by the
    // first move.
    std::unique_ptr<X11Shm> shm_;
    ShownRing ring_;
    Rect ringArea_{};
    // The last moved frame's playfield, read through its own picture, and
    // its window, whose rows there may lie turned (see Move).
    const Surface* ringPicture_ = nullptr;
    Straightener* turned_ = nullptr;
    HandPacer pacer_;
    int64_t showAt_ = 0;  // when the frame being handed may be shown, or 0
    // Whether the frame being handed waits until the X server has taken
    // it, which tells the pacer how long that took; and whether it did.
    bool measure_ = true;
    bool waited_ = true;
    int64_t copied_ = 0;
    int64_t showFrom_ = 0;
};

}  // namespace molfo
