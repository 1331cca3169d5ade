// How a picture reaches the screen. The game's frame comes by Present, a
// modal screen's by Show; both are handed on by Hand and copied by Upload:
// with a GPU, the changed rectangles into the texture and the texture
// drawn scaled (Repaint). Without one, on a local X server, a frame whose
// playfield moved comes by PresentMoved: the playfield goes through its
// ring (ToRing), the view of it turned rather than its rows copied, and
// the rest into the window's buffer. Without the ring, at one window pixel
// a picture pixel, the game's frame lives in the window's buffer and is
// drawn there, so showing it copies nothing (Lodging, ShowInPlace);
// otherwise the changed rectangles go straight into the window's buffer,
// scaled there by whole multiples as they are written (CopyToWindow), or
// the whole picture when the window lost its contents
// (RepaintWindowBuffer).
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cerrno>
#include <ctime>

#include "platform/sdl/SdlDisplay.h"
#include "render/Surface.h"
#include "render/Upscale.h"

namespace molfo {

namespace {

// 0x00RRGGBB words are exactly SDL's RGB888 (XRGB8888) layout.
constexpr Uint32 kOurFormat = SDL_PIXELFORMAT_RGB888;
// Rectangles shown in one update; a compose draws fewer.
constexpr int kMostRects = 128;

// The part of `r` inside a w x h picture.
SDL_Rect Clip(const Rect& r, int w, int h) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.w, w), y1 = std::min(r.y + r.h, h);
    return SDL_Rect{x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

const void* At(const Surface& s, const SDL_Rect& r) { return s.Row(r.y) + r.x; }

int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

int Pitch(const Surface& s) { return s.Stride() * static_cast<int>(sizeof(uint32_t)); }

void SleepUntilNs(int64_t ns) {
    const timespec t{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
}

}  // namespace

void SdlDisplay::Present(const Surface& frame, std::span<const Rect> changed) {
    // Its rows lie in order: nothing is to be straightened before reading it.
    turned_ = nullptr;
    Hand(frame, changed, true);
}

bool SdlDisplay::PresentMoved(const Surface& frame, std::span<const Rect> changed, const Move& move) {
    // Only on top of this same frame shown whole, so that the window holds
    // everything the changes leave out; never a frame lodged in the
    // window's buffer, which the ring's rows would not match.
    if (!RingUsable() || uploaded_ != &frame || !whole_ || changed.empty() || InPlace(frame) ||
        move.picture == nullptr)
        return false;
    // A frame in which nothing moved goes to the ring only while the ring
    // holds the playfield; the first move fills it.
    if (move.rows == 0 && !ring_.Live()) return false;
    ringArea_ = move.area;
    ringPicture_ = move.picture;
    turned_ = move.window;
    Hand(frame, changed, true, &move);
    return true;
}

bool SdlDisplay::RingUsable() const { return shm_ != nullptr && !shm_->Broken() && renderer_ == nullptr; }

void SdlDisplay::Straighten() {
    if (turned_ != nullptr) turned_->Straighten();
}

bool SdlDisplay::ToRing(const Surface& s, std::span<const Rect> changed, int movedRows) {
    SDL_Surface* out = WindowBuffer();
    if (out == nullptr || IsEmpty(ringArea_) || ringPicture_ == nullptr || out->format->format != kOurFormat)
        return false;
    const Placement p = PlacePicture(out->w, out->h, s.Width(), s.Height(), scale_);
    if (!p.sharp || p.w % s.Width() != 0) return false;
    // Fewer than CopyToWindow shows one by one: past that it would update
    // the whole window, whose buffer lacks the ring's playfield.
    Rect rest[kMostRects - 1];
    size_t n = 0;
    if (!ring_.Take(*ringPicture_, ringArea_, p.w / s.Width(), p.x, p.y, changed, movedRows, *shm_, rest, n)) {
        // Whatever it sent goes before the window is shown whole.
        shm_->Queue();
        return false;
    }
    // SDL's update of the rest waits for the X server to take the ring's
    // requests with its own.
    if (n > 0) {
        shm_->Queue();
        CopyToWindow(s, std::span<const Rect>(rest, n));
    } else {
        WaitToShow();
        if (measure_) {
            shm_->Sync();
        } else {
            shm_->Post();
            waited_ = false;
        }
    }
    return true;
}

PixelBuffer SdlDisplay::Lodging(int w, int h, Lodger& lodger) {
    // Where the ring can show the playfield, the frame lives in memory of
    // its own: a playfield that moves then moves by turning, with no pixel
    // copied, and the ring takes only what was drawn after the move. That
    // costs less than moving every row of a frame drawn in place.
    if (RingUsable()) {
        Evict();
        return {};
    }
    SDL_Surface* out = renderer_ == nullptr ? WindowBuffer() : nullptr;
    const bool ours = out != nullptr && out->format->format == kOurFormat && out->pitch % sizeof(uint32_t) == 0 &&
                      !SDL_MUSTLOCK(out);
    const Placement p = ours ? PlacePicture(out->w, out->h, w, h, scale_) : Placement{};
    if (!ours || !p.sharp || p.w != w || p.h != h) {
        Evict();
        return {};
    }
    const int pitch = out->pitch / static_cast<int>(sizeof(uint32_t));
    uint32_t* first = static_cast<uint32_t*>(out->pixels) + static_cast<ptrdiff_t>(p.y) * pitch + p.x;
    if (lodger_ != &lodger || lodged_ != first) Evict();
    lodger_ = &lodger;
    lodged_ = first;
    lodgedAt_ = p;
    SDL_GetWindowSize(window_, &lodgedW_, &lodgedH_);
    return PixelBuffer{first, pitch, w, h};
}

SDL_Surface* SdlDisplay::WindowBuffer() {
    // The resize watch has normally evicted the lodger already; a size
    // changed behind its back still must not leave it in a freed buffer.
    if (lodger_ != nullptr) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        if (w != lodgedW_ || h != lodgedH_) Evict();
    }
    return SDL_GetWindowSurface(window_);
}

void SdlDisplay::Evict() {
    if (lodger_ == nullptr) return;
    Lodger* const leaving = lodger_;
    lodger_ = nullptr;
    lodged_ = nullptr;
    // Its pixels stay in the buffer as well, so what the window holds is
    // unchanged: whole_ stands.
    leaving->LeaveLodging();
}

bool SdlDisplay::InPlace(const Surface& s) const { return lodger_ != nullptr && !s.Empty() && s.Row(0) == lodged_; }

int SdlDisplay::WatchResize(void* display, SDL_Event* e) {
    auto* d = static_cast<SdlDisplay*>(display);
    if (e->type == SDL_WINDOWEVENT && e->window.windowID == SDL_GetWindowID(d->window_) &&
        (e->window.event == SDL_WINDOWEVENT_SIZE_CHANGED || e->window.event == SDL_WINDOWEVENT_RESIZED))
        d->Evict();
    return 0;
}

void SdlDisplay::ShowInPlace(std::span<const Rect> changed) {
    const Placement& p = lodgedAt_;
    SDL_Rect updates[kMostRects];
    int n = 0;
    bool all = changed.empty();
    for (const Rect& r : changed) {
        const SDL_Rect c = Clip(r, p.w, p.h);
        if (c.w <= 0 || c.h <= 0) continue;
        if (n == kMostRects) {
            all = true;
            break;
        }
        updates[n++] = SDL_Rect{p.x + c.x, p.y + c.y, c.w, c.h};
    }
    WaitToShow();
    if (all)
        SDL_UpdateWindowSurface(window_);
    else if (n > 0)
        SDL_UpdateWindowSurfaceRects(window_, updates, n);
}

void SdlDisplay::FillBars(SDL_Surface* out, const Placement& p) {
    const Uint32 black = SDL_MapRGB(out->format, 0, 0, 0);
    const SDL_Rect bars[] = {{0, 0, out->w, p.y},
                             {0, p.y + p.h, out->w, out->h - p.y - p.h},
                             {0, p.y, p.x, p.h},
                             {p.x + p.w, p.y, out->w - p.x - p.w, p.h}};
    for (const SDL_Rect& bar : bars)
        if (bar.w > 0 && bar.h > 0) SDL_FillRect(out, &bar, black);
}

void SdlDisplay::Show(const Surface& s) { Hand(s, {}, false); }

void SdlDisplay::ShowAside(const Surface& s) { Upload(s, {}); }

void SdlDisplay::ShowAgain() {
    if (shown_ != nullptr) Upload(*shown_, {});
}

void SdlDisplay::Hand(const Surface& s, std::span<const Rect> changed, bool paced, const Move* move) {
    if (s.Empty()) return;
    shown_ = &s;
    const int64_t ready = MonotonicNs();
    const int64_t began = paced && frameBegan ? frameBegan() : 0;
    // The frame's tick: where its work would have begun but for WakeLater.
    const int64_t tick = began > 0 && frameLater ? began - frameLater() : began;
    int64_t pixels = changed.empty() ? int64_t{s.Width()} * s.Height() : 0;
    for (const Rect& r : changed) pixels += int64_t{std::max(0, r.w)} * std::max(0, r.h);
    // A moved area goes to the screen whole.
    if (move != nullptr && move->rows > 0) pixels += int64_t{std::max(0, move->area.w)} * std::max(0, move->area.h);
    // A frame the X server would take sooner than the last slow one waits
    // a moment, once its pixels are copied (see HandPacer and WaitToShow).
    showAt_ = pacer_.StartAt(tick, ready, pixels);
    copied_ = showFrom_ = 0;
    // Most frames of play need not wait for the X server to take them;
    // every one does while the present log wants to know when it did.
    measure_ = !paced || presentLog_ >= 0 || pacer_.Measures(pixels);
    waited_ = true;
    Upload(s, changed, move);
    const int64_t done = MonotonicNs();
    if (waited_)
        pacer_.Took(began, copied_, showFrom_, done, pixels);
    else
        pacer_.Passed(pixels, done);
    showAt_ = 0;
    measure_ = true;
    if (presentLog_ >= 0) LogPresent(ready, done);
}

int64_t SdlDisplay::WakeLater() const { return pacer_.WakeLater(MonotonicNs()); }

void SdlDisplay::WaitToShow() {
    copied_ = MonotonicNs();
    const bool wait = showAt_ > 0 && HandPacer::WorthWaiting(copied_, showAt_);
    if (wait) SleepUntilNs(showAt_);
    showFrom_ = wait ? MonotonicNs() : copied_;
    showAt_ = 0;
}

void SdlDisplay::LogPresent(int64_t handed, int64_t shown) {
    char line[72];
    const int n = frameBegan ? std::snprintf(line, sizeof line, "%lld %lld %lld\n", static_cast<long long>(handed),
                                             static_cast<long long>(shown), static_cast<long long>(frameBegan()))
                             : std::snprintf(line, sizeof line, "%lld %lld\n", static_cast<long long>(handed),
                                             static_cast<long long>(shown));
    if (n > 0 && write(presentLog_, line, static_cast<size_t>(n)) != n) {
        close(presentLog_);
        presentLog_ = -1;
    }
}

void SdlDisplay::Upload(const Surface& s, std::span<const Rect> changed, const Move* move) {
    if (s.Empty()) return;
    // A part of a buffer is enough only on top of that same buffer, shown
    // whole since the window last lost its contents (a dialog, the pause
    // note, a new size).
    bool part = !changed.empty() && uploaded_ == &s && whole_;
    uploaded_ = &s;
    if (renderer_ == nullptr && (move != nullptr || ring_.Live())) {
        if (part && ToRing(s, changed, move != nullptr ? move->rows : 0)) return;
        // The window's buffer lacks the playfield the ring held, and the
        // changes alone no longer say what the window lacks: all of it,
        // read with its rows in order.
        Straighten();
        ring_.Lose();
        whole_ = false;
        Repaint();
        return;
    }
    if (renderer_ == nullptr) {
        if (InPlace(s) && whole_) {
            ShowInPlace(changed);
            return;
        }
        // Another picture goes where the lodged one lives.
        if (!InPlace(s)) Evict();
        if (part)
            CopyToWindow(s, changed);
        else
            Repaint();
        return;
    }
    if (texture_ == nullptr || textureW_ != s.Width() || textureH_ != s.Height()) {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, kOurFormat, SDL_TEXTUREACCESS_STREAMING, s.Width(), s.Height());
        if (texture_ == nullptr) return;
        part = false;
        textureW_ = s.Width();
        textureH_ = s.Height();
        SDL_SetTextureScaleMode(texture_, sharp_ ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    }
    if (part) {
        for (const Rect& r : changed) {
            const SDL_Rect c = Clip(r, s.Width(), s.Height());
            if (c.w > 0 && c.h > 0) SDL_UpdateTexture(texture_, &c, At(s, c), Pitch(s));
        }
    } else {
        SDL_UpdateTexture(texture_, nullptr, s.Row(0), Pitch(s));
    }
    whole_ = true;
    Repaint();
}

void SdlDisplay::Repaint() {
    if (renderer_ == nullptr) {
        RepaintWindowBuffer();
        return;
    }
    // Real pixels, not window points, so a high-DPI screen gets the whole
    // scale it can hold.
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(renderer_, &ow, &oh);
    const bool haveFrame = uploaded_ != nullptr && texture_ != nullptr;
    const Placement p = PlacePicture(ow, oh, textureW_, textureH_, scale_);
    // Clearing matters only for the bars; a picture that covers the whole
    // window is not drawn over black first.
    if (!haveFrame || p.w != ow || p.h != oh) {
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
    }
    if (haveFrame) {
        if (p.sharp != sharp_) {
            sharp_ = p.sharp;
            SDL_SetTextureScaleMode(texture_, sharp_ ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        }
        const SDL_Rect dst{p.x, p.y, p.w, p.h};
        SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
    }
    WaitToShow();
    SDL_RenderPresent(renderer_);
}

void SdlDisplay::RepaintWindowBuffer() {
    // The whole window goes from the window's buffer: the ring, if it was
    // in use, is filled again at the next frame that uses it.
    ring_.Lose();
    Straighten();
    // After a resize SDL makes the buffer anew at the new size.
    SDL_Surface* out = WindowBuffer();
    if (out == nullptr) return;
    const Surface* s = uploaded_;
    const Placement p = s != nullptr ? PlacePicture(out->w, out->h, s->Width(), s->Height(), scale_)
                                     : Placement{};
    // A lodged picture is in the buffer already: only the bars round it.
    if (s != nullptr && InPlace(*s)) {
        FillBars(out, lodgedAt_);
        WaitToShow();
        SDL_UpdateWindowSurface(window_);
        whole_ = true;
        return;
    }
    if (s == nullptr || p.w != out->w || p.h != out->h) SDL_FillRect(out, nullptr, SDL_MapRGB(out->format, 0, 0, 0));
    if (s != nullptr && p.w > 0 && p.h > 0) {
        const Rect all{0, 0, s->Width(), s->Height()};
        CopyToWindow(*s, std::span<const Rect>(&all, 1), false);
    }
    WaitToShow();
    SDL_UpdateWindowSurface(window_);
    whole_ = s != nullptr;
}

void SdlDisplay::CopyToWindow(const Surface& s, std::span<const Rect> changed, bool update) {
    SDL_Surface* out = WindowBuffer();
    if (out == nullptr) return;
    const Placement p = PlacePicture(out->w, out->h, s.Width(), s.Height(), scale_);
    const int scale = p.sharp ? p.w / s.Width() : 0;
    // Our own pixels go in as they are, each row widened on the way;
    // anything else (smoothing, another pixel format) SDL stretches whole.
    const bool ours = out->format->format == kOurFormat && out->pitch % sizeof(uint32_t) == 0;
    if (scale == 0 || (scale > 1 && !ours)) {
        StretchToWindow(s, out, p);
        if (!update) return;
        WaitToShow();
        SDL_UpdateWindowSurface(window_);
        return;
    }
    const bool locked = SDL_MUSTLOCK(out) && SDL_LockSurface(out) == 0;
    const PixelBuffer buffer{static_cast<uint32_t*>(out->pixels), out->pitch / static_cast<int>(sizeof(uint32_t)),
                             out->w, out->h};
    SDL_Rect updates[kMostRects];
    int n = 0;
    bool all = false;
    for (const Rect& r : changed) {
        const SDL_Rect c = Clip(r, s.Width(), s.Height());
        if (c.w <= 0 || c.h <= 0) continue;
        SDL_Rect written{};
        if (ours) {
            const Rect w = CopyScaled(s, Rect{c.x, c.y, c.w, c.h}, scale, buffer, p.x, p.y);
            written = SDL_Rect{w.x, w.y, w.w, w.h};
        } else {
            auto* dst = static_cast<uint8_t*>(out->pixels) + static_cast<ptrdiff_t>(p.y + c.y) * out->pitch +
                        static_cast<ptrdiff_t>(p.x + c.x) * out->format->BytesPerPixel;
            SDL_ConvertPixels(c.w, c.h, kOurFormat, At(s, c), Pitch(s), out->format->format, dst, out->pitch);
            written = SDL_Rect{p.x + c.x, p.y + c.y, c.w, c.h};
        }
        if (written.w <= 0 || written.h <= 0) continue;
        if (n < kMostRects)
            updates[n++] = written;
        else
            all = true;
    }
    if (locked) SDL_UnlockSurface(out);
    if (!update) return;
    WaitToShow();
    if (all)
        SDL_UpdateWindowSurface(window_);
    else if (n > 0)
        SDL_UpdateWindowSurfaceRects(window_, updates, n);
}

void SdlDisplay::StretchToWindow(const Surface& s, SDL_Surface* out, const Placement& p) {
    // A view of our pixels, made again only when the buffer moved.
    if (view_ == nullptr || view_->pixels != s.Row(0) || view_->w != s.Width() || view_->h != s.Height() ||
        view_->pitch != Pitch(s)) {
        if (view_ != nullptr) SDL_FreeSurface(view_);
        view_ = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(s.Row(0)), s.Width(), s.Height(), 32,
                                                   Pitch(s), kOurFormat);
        if (view_ == nullptr) return;
    }
    SDL_Rect dst{p.x, p.y, p.w, p.h};
    // Sizes that are not whole multiples are smoothed, as the GPU would;
    // whole multiples land here only for a window of another pixel format.
    if (!p.sharp && out->format->format == kOurFormat)
        SDL_SoftStretchLinear(view_, nullptr, out, &dst);
    else
        SDL_BlitScaled(view_, nullptr, out, &dst);
}

}  // namespace molfo
