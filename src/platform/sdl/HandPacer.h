// When to hand a frame to the window so that the X server takes every frame
// at the same point of its 15 ms. A frame whose background moved changes
// the whole playfield and takes the X server far longer to take (over a
// millisecond at twice the size) than one in which only the sprites moved
// (a tenth of that), and the two alternate; handed as soon as drawn, the
// X server would take them unevenly, long and short intervals in turn. So
// a frame that will be taken quickly waits, before it is handed, for about
// the time the slowest kind of recent frame needed; that costs it a
// millisecond or so of latency, never a frame. Where it can, that frame
// rather begins its work a little later than its tick (WakeLater), so
// that it is ready at its moment and waits without a second wake-up.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace molfo {

class HandPacer {
public:
    // When to start showing a frame whose tick was `began` (when its work
    // would have begun, had it not begun later on purpose) and that is
    // ready at `now`, changing `pixels` of the picture: `now`, or a little
    // later. Its pixels may be copied to the window meanwhile.
    int64_t StartAt(int64_t began, int64_t now, int64_t pixels) const {
        const Kind& k = kinds_[KindOf(pixels)];
        if (began <= 0 || now < began || now - began > kFrameNs || k.hand == 0) return now;
        const int64_t start = began + Slowest() - k.hand;
        if (!WorthWaiting(now, start)) return now;
        return std::min(start, now + kMostWaitNs);
    }

    // Whether a frame ready at `now` should sleep until `start`: a wait
    // too short to matter costs a sleep and a wake-up (tens of
    // microseconds of CPU) for nothing. Asked again once its pixels are
    // copied, since the copy itself used up part of the wait.
    static bool WorthWaiting(int64_t now, int64_t start) { return start - now >= kLeastWaitNs; }

    // How much later than its tick the next frame had best begin: the wait
    // StartAt would give a frame of the kind expected next, less a margin
    // for its work taking longer than usual, small enough that StartAt
    // then lets it go at once. In play the two kinds alternate, so the one
    // expected is the kind before last. None when no frame was shown
    // lately (a title, a pause).
    int64_t WakeLater(int64_t now) const {
        if (lastTookNs_ == 0 || now - lastTookNs_ > 2 * kFrameNs) return 0;
        const Kind& k = kinds_[kindBeforeLast_];
        if (k.hand == 0) return 0;
        return std::max<int64_t>(0, Slowest() - k.done - kLeastWaitNs / 2);
    }

    // Whether a frame changing `pixels` should wait until the X server has
    // taken it, to learn how long that took. The wait costs a round trip
    // and a wake-up, so a kind is measured once in kMeasureEvery frames,
    // and at once when it has not been measured yet.
    bool Measures(int64_t pixels) const {
        const Kind& k = kinds_[KindOf(pixels)];
        return k.hand == 0 || frames_ - k.measured >= kMeasureEvery;
    }

    // A frame changing `pixels` was handed at `now` without waiting for
    // the X server: it counts as seen, and what its kind costs stays as
    // last measured.
    void Passed(int64_t pixels, int64_t now) { Count(KindOf(pixels), now); }

    // What showing that frame cost: its work began at `began` (its tick,
    // or later when it began later), its pixels were copied at `now`, it
    // was shown from `start` (later, when it waited) until the X server
    // had it at `done`.
    void Took(int64_t began, int64_t now, int64_t start, int64_t done, int64_t pixels) {
        if (began <= 0 || now < began || now - began > kFrameNs || start < now || done < start) return;
        const int kind = KindOf(pixels);
        Kind& k = kinds_[kind];
        const int64_t hand = done - start, natural = now - began + hand;
        // The middle of the last few measures, so that one slow moment of a
        // busy machine does not hold the next frames back, nor a slow first
        // frame (caches cold as play begins) for long after.
        k.hands[k.next] = hand;
        k.dones[k.next] = natural;
        k.next = (k.next + 1) % kKept;
        k.count = std::min(k.count + 1, kKept);
        k.hand = Middle(k.hands, k.count);
        k.done = Middle(k.dones, k.count);
        Count(kind, done);
        k.measured = frames_;
    }

private:
    static constexpr int64_t kFrameNs = 15'000'000;
    static constexpr int64_t kMostWaitNs = 3'000'000;
    static constexpr int64_t kLeastWaitNs = 100'000;
    // A kind of frame not seen for this many frames no longer counts.
    static constexpr uint64_t kRecentFrames = 16;
    // Measures kept of each kind.
    static constexpr int kKept = 5;
    static constexpr uint64_t kMeasureEvery = 8;
    // Frames are of a kind by the size of their change, in powers of two.
    static constexpr int kKinds = 40;

    struct Kind {
        int64_t hand = 0;  // from the start of showing to the X server's taking, ns
        int64_t done = 0;  // from the frame's start to the X server's taking, unpaced, ns
        uint64_t seen = 0;
        uint64_t measured = 0;
        // The last measures of both, round a ring.
        std::array<int64_t, kKept> hands{}, dones{};
        int next = 0, count = 0;
    };
    // The middle of the first `count` values; of two in the middle, the
    // lower, so that a wait is rather too short than too long.
    static int64_t Middle(std::array<int64_t, kKept> v, int count) {
        const auto mid = v.begin() + (count - 1) / 2;
        std::nth_element(v.begin(), mid, v.begin() + count);
        return *mid;
    }
    static int KindOf(int64_t pixels) {
        return pixels <= 0 ? 0 : std::min(kKinds - 1, static_cast<int>(std::bit_width(static_cast<uint64_t>(pixels))));
    }

    void Count(int kind, int64_t now) {
        kinds_[kind].seen = ++frames_;
        kindBeforeLast_ = lastKind_;
        lastKind_ = kind;
        lastTookNs_ = now;
    }

    // The longest a recent kind took from its start to the X server's taking.
    int64_t Slowest() const {
        int64_t slowest = 0;
        for (const Kind& other : kinds_)
            if (other.hand > 0 && frames_ - other.seen < kRecentFrames) slowest = std::max(slowest, other.done);
        return slowest;
    }

    std::array<Kind, kKinds> kinds_{};
    uint64_t frames_ = 0;
    int lastKind_ = 0, kindBeforeLast_ = 0;
    int64_t lastTookNs_ = 0;
};

}  // namespace molfo
