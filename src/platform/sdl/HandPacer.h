// When to hand a frame to the window so that the X server takes every frame
// at the same point of its 15 ms. A frame whose background moved changes
// the whole playfield and takes the X server far longer to take (over a
// millisecond at twice the size) than one in which only the sprites moved
// (a tenth of that), and the two alternate; handed as soon as drawn, the
// X server would take them unevenly, long and short intervals in turn. So
// a frame that will be taken quickly waits, before it is handed, for about
// the time the slowest kind of recent frame needed; that costs it a
// millisecond or so of latency, never a frame.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace molfo {

class HandPacer {
public:
    // When to start showing a frame whose work began at `began` and that is
    // ready at `now`, changing `pixels` of the picture: `now`, or a little
    // later. Its pixels may be copied to the window meanwhile.
    int64_t StartAt(int64_t began, int64_t now, int64_t pixels) const {
        const Kind& k = kinds_[KindOf(pixels)];
        if (began <= 0 || now < began || now - began > kFrameNs || k.hand == 0) return now;
        int64_t slowest = 0;
        for (const Kind& other : kinds_)
            if (other.hand > 0 && frames_ - other.seen < kRecentFrames) slowest = std::max(slowest, other.done);
        const int64_t start = began + slowest - k.hand;
        return std::clamp(start, now, now + kMostWaitNs);
    }

    // What showing that frame cost: its pixels copied at `now`, it was
    // shown from `start` (later, when it waited) until the X server had it
    // at `done`.
    void Took(int64_t began, int64_t now, int64_t start, int64_t done, int64_t pixels) {
        if (began <= 0 || now < began || now - began > kFrameNs || start < now || done < start) return;
        Kind& k = kinds_[KindOf(pixels)];
        const int64_t hand = done - start, natural = now - began + hand;
        // Running averages, so that one slow moment of a busy machine does
        // not hold the next frames back.
        k.hand = k.hand == 0 ? hand : k.hand + (hand - k.hand) / kSmoothing;
        k.done = k.done == 0 ? natural : k.done + (natural - k.done) / kSmoothing;
        k.seen = ++frames_;
    }

private:
    static constexpr int64_t kFrameNs = 15'000'000;
    static constexpr int64_t kMostWaitNs = 3'000'000;
    // A kind of frame not seen for this many frames no longer counts.
    static constexpr uint64_t kRecentFrames = 16;
    static constexpr int64_t kSmoothing = 8;
    // Frames are of a kind by the size of their change, in powers of two.
    static constexpr int kKinds = 40;

    struct Kind {
        int64_t hand = 0;  // from the start of showing to the X server's taking, ns
        int64_t done = 0;  // from the frame's start to the X server's taking, unpaced, ns
        uint64_t seen = 0;
    };
    static int KindOf(int64_t pixels) {
        return pixels <= 0 ? 0 : std::min(kKinds - 1, static_cast<int>(std::bit_width(static_cast<uint64_t>(pixels))));
    }

    std::array<Kind, kKinds> kinds_{};
    uint64_t frames_ = 0;
};

}  // namespace molfo
