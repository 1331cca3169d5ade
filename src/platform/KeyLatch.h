// The asynchronous key query rebuilt from key events. A window back end
// sees presses and releases as events, while the game asks "is the key down
// now, or was it pressed since I last asked?" once per step. The latch keeps
// a press that began and ended between two queries, so a quick tap of a key
// is never lost to the 15 ms frame.
#pragma once

#include <array>
#include <cstdint>

namespace molfo {

class KeyLatch {
public:
    static constexpr int kCodes = 256;
    // Two physical keys may share one code (left and right Shift or Ctrl);
    // each holds the code down on its own.
    static constexpr int kSources = 8;

    // A key went down. Auto-repeat events only confirm that it is still held:
    // they must not count as fresh presses, or holding X would look like
    // tapping it.
    void Press(int vk, int source, bool repeat) {
        if (!Valid(vk, source)) return;
        held_[vk] = static_cast<uint8_t>(held_[vk] | Bit(source));
        if (!repeat) latched_[vk] = true;
    }

    void Release(int vk, int source) {
        if (!Valid(vk, source)) return;
        held_[vk] = static_cast<uint8_t>(held_[vk] & ~Bit(source));
    }

    // True when the key is down now or was pressed since the previous query
    // of this key; the query clears the pending press.
    bool Query(int vk) {
        if (vk < 0 || vk >= kCodes) return false;
        const bool result = held_[vk] != 0 || latched_[vk];
        latched_[vk] = false;
        return result;
    }

    bool Held(int vk) const { return vk >= 0 && vk < kCodes && held_[vk] != 0; }

    // Every key up and no press pending: after a dialog has taken the
    // keyboard, the keys typed into it must not reach the game.
    void Forget() {
        held_.fill(0);
        latched_.fill(false);
    }

private:
    static bool Valid(int vk, int source) { return vk >= 0 && vk < kCodes && source >= 0 && source < kSources; }
    static uint8_t Bit(int source) { return static_cast<uint8_t>(1u << source); }

    std::array<uint8_t, kCodes> held_{};  // one bit per physical source
    std::array<bool, kCodes> latched_{};
};

}  // namespace molfo
