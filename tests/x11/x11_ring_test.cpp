// The playfield's ring on a real X server (run under xvfb-run): what is
// posted without waiting is on the screen before the ring is written
// again, and the X server's word that it took it is no event for SDL.
// GoogleTest before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "platform/sdl/X11Events.h"
#include "platform/sdl/X11Shm.h"

namespace molfo {
namespace {

constexpr int kW = 64, kH = 48;

class X11Ring : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "x11") << "these tests need an X server (xvfb-run)";
        window_ = SDL_CreateWindow("ring", 0, 0, kW, kH, SDL_WINDOW_SHOWN);
        ASSERT_NE(window_, nullptr) << SDL_GetError();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_EQ(SDL_GetWindowWMInfo(window_, &info), SDL_TRUE);
        display_ = info.info.x11.display;
        xwindow_ = info.info.x11.window;
        // Mapped, so that its pixels can be read back.
        XSync(display_, False);
        SDL_PumpEvents();
        shm_ = X11Shm::Open(window_);
        ASSERT_NE(shm_, nullptr) << "no MIT-SHM on this X server";
    }
    void TearDown() override {
        events_.reset();
        shm_.reset();
        if (window_ != nullptr) SDL_DestroyWindow(window_);
        SDL_Quit();
    }

    // The window's pixel at (x, y) as the X server holds it.
    uint32_t OnScreen(int x, int y) {
        XImage* image = XGetImage(display_, xwindow_, x, y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr) return 0xDEADBEEF;
        const uint32_t p = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
        XDestroyImage(image);
        return p;
    }

    // The look for input, with what mapping the window brought taken.
    void OpenEvents() {
        events_ = X11Events::Open(window_);
        if (events_ == nullptr) return;
        SDL_PumpEvents();
        XSync(display_, False);
        while (events_->Waiting()) SDL_PumpEvents();
    }

    // A picture of one colour shown with Post, and the X server waited
    // for: its word that it took the picture is then in Xlib's queue.
    void PostAndSync(uint32_t colour) {
        bool kept = false;
        PixelBuffer b = shm_->Buffer(kW, kH, kept);
        ASSERT_NE(b.pixels, nullptr);
        Fill(b, colour);
        shm_->Send(Rect{0, 0, kW, kH}, 0, 0);
        shm_->Post();
        XSync(display_, False);
    }

    static void Fill(const PixelBuffer& b, uint32_t colour) {
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x) b.pixels[y * b.pitch + x] = colour;
    }

    SDL_Window* window_ = nullptr;
    Display* display_ = nullptr;
    Window xwindow_ = 0;
    std::unique_ptr<X11Shm> shm_;
    std::unique_ptr<X11Events> events_;
};

TEST_F(X11Ring, WhatIsShownIsTakenBeforeTheRingIsWrittenAgain) {
    // Each way of showing, then at once the next frame's colour written
    // into the ring: the screen must hold the colour shown, never the one
    // written after. Without the wait, the X server would read the ring
    // after it was overwritten.
    enum class Way { Post, Sync, QueueThenSync };
    struct Case { const char* rule; Way way; } cases[] = {
        {"posted: the X server says when it took it", Way::Post},
        {"synced: waited for at once", Way::Sync},
        {"queued behind a request that waits", Way::QueueThenSync},
    };
    for (const Case& c : cases) {
        for (int round = 0; round < 20; ++round) {
            const uint32_t shown = round % 2 == 0 ? 0xFF0000 : 0x00FF00, after = 0x0000FF;
            bool kept = false;
            PixelBuffer b = shm_->Buffer(kW, kH, kept);
            ASSERT_NE(b.pixels, nullptr);
            Fill(b, shown);
            // Two requests: the first goes at once, the last is held.
            shm_->Send(Rect{0, 0, kW, kH / 2}, 0, 0);
            shm_->Send(Rect{0, kH / 2, kW, kH - kH / 2}, 0, kH / 2);
            switch (c.way) {
                case Way::Post: shm_->Post(); break;
                case Way::Sync: shm_->Sync(); break;
                case Way::QueueThenSync:
                    shm_->Queue();
                    XSync(display_, False);
                    break;
            }
            b = shm_->Buffer(kW, kH, kept);
            ASSERT_TRUE(kept) << c.rule;
            Fill(b, after);
            EXPECT_EQ(OnScreen(1, 1), shown) << c.rule << ", round " << round;
            EXPECT_EQ(OnScreen(kW - 2, kH - 2), shown) << c.rule << ", the held request, round " << round;
        }
    }
}

TEST_F(X11Ring, TheWordThatAPictureWasTakenIsNoEventForSdl) {
    OpenEvents();
    ASSERT_NE(events_, nullptr);
    events_->Ignore(shm_->TakenEventType());

    // The answer arrives as an event; the look for input drops it.
    PostAndSync(0x123456);
    EXPECT_FALSE(events_->Waiting()) << "only the X server's word that it took the picture was queued";
    EXPECT_EQ(XQLength(display_), 0) << "and it left the queue";
    bool again = false;
    shm_->Buffer(kW, kH, again);
    EXPECT_TRUE(again) << "the ring is handed out with its answer read by someone else";

    // Anything else is still seen, even behind the word.
    shm_->Send(Rect{0, 0, kW, kH}, 0, 0);
    shm_->Post();
    XSync(display_, False);
    SDL_SetWindowSize(window_, kW + 10, kH + 10);
    XSync(display_, False);
    EXPECT_TRUE(events_->Waiting()) << "the window's new size is an event for SDL";
}

// The word that a picture was taken is often read along with the request
// that sent it, and then sits in Xlib's queue; Xlib reads the connection
// only when its queue is empty. Input that came meanwhile (here a change of
// the window's name by another client) is still seen at the next look.
TEST_F(X11Ring, InputBehindTheWordThatAPictureWasTakenIsSeenAtOnce) {
    OpenEvents();
    ASSERT_NE(events_, nullptr);
    events_->Ignore(shm_->TakenEventType());
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    PostAndSync(0x654321);
    ASSERT_GE(XQLength(display_), 1) << "the word is queued";
    XStoreName(other, xwindow_, "renamed");
    XSync(other, False);
    EXPECT_TRUE(events_->Waiting()) << "the change that arrived behind the word is input for SDL";
    while (events_->Waiting()) SDL_PumpEvents();
    XCloseDisplay(other);
}

// SDL stamps the window's _NET_WM_USER_TIME on every key pressed; the
// notice of that change is no input, while a change SDL does read (the
// window's state) still is.
TEST_F(X11Ring, ANoticeOfSdlsOwnKeyTimeIsNoEventForSdl) {
    OpenEvents();
    ASSERT_NE(events_, nullptr);

    struct Case {
        const char* property;
        bool input;
    };
    const Case cases[] = {{"_NET_WM_USER_TIME", false}, {"_NET_WM_STATE", true}, {"WM_NAME", true}};
    for (const Case& c : cases) {
        const Atom atom = XInternAtom(display_, c.property, False);
        const long value = 42;
        XChangeProperty(display_, xwindow_, atom, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
        XSync(display_, False);
        EXPECT_EQ(events_->Waiting(), c.input) << c.property;
        while (events_->Waiting()) SDL_PumpEvents();
        EXPECT_EQ(XQLength(display_), 0) << c.property << ": the notice left the queue";
    }
}

}  // namespace
}  // namespace molfo
