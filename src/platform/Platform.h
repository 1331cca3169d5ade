// The services the game takes from the outside world, each a small
// interface with an SDL implementation (platform/sdl) and a headless twin
// (platform/headless). Nothing in the game library touches SDL's video,
// input, audio or timer, nor the system clock, except through these.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/PixelBuffer.h"
#include "platform/Rect.h"

namespace molfo {

class Surface;

// Virtual-key codes the game polls.
namespace vk {
inline constexpr int Shift = 16;
inline constexpr int Control = 17;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int C = 67;
inline constexpr int X = 88;
inline constexpr int Z = 90;
}  // namespace vk

// Millisecond ticks; differences are taken modulo 2^32.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Ticks() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    // The pause of a waiting loop between two looks at its input: until
    // Ticks() reaches `tick` (taken modulo 2^32; a tick already reached
    // returns at once), or sooner where input can arrive meanwhile. The
    // window wakes once, at that moment; the headless twin, whose script
    // may act at any millisecond, moves a millisecond at a time.
    virtual void SleepUntil(uint32_t tick) = 0;
    // The same for a loop that reads no clock and only a key ends: about
    // ms, or nothing at all when a key has just arrived, so that the loop
    // looks at it at once.
    virtual void Nap(uint32_t ms) = 0;
};

class Events {
public:
    virtual ~Events() = default;
    // Processes pending window events. Returns true when the window was asked
    // to close since the previous pump; the request itself is always refused
    // here and left to the game to act on.
    virtual bool Pump() = 0;
};

class Keys {
public:
    virtual ~Keys() = default;
    // True when the key is down now or was pressed since the previous query
    // of that key.
    virtual bool Query(int vkCode) = 0;
};

// A picture that may live in a display's own buffer (see Display::Lodging).
class Lodger {
public:
    // Takes the picture out of the display's buffer, as it stands, into
    // memory of its own.
    virtual void LeaveLodging() = 0;

protected:
    ~Lodger() = default;
};

// A window whose moved part may lie turned: the part's rows read in order
// only through its own picture (see Move) until they are put in order.
class Straightener {
public:
    virtual void Straighten() = 0;

protected:
    ~Straightener() = default;
};

// A part of the window whose pixels moved down since the window presented
// before: the rows that left its bottom are gone, and its top `rows` rows
// are new (named among the changed rectangles that come with it).
//
// The part may have moved by turning rather than by copying: the window's
// own rows there then lie turned round the part's height. A display reads
// the part through `picture`, the part's own surface with (0, 0) at its
// corner, or has `window` put the rows in order first (and again before
// any later reading of it).
struct Move {
    Rect area;
    int rows = 0;
    const Surface* picture = nullptr;
    Straightener* window = nullptr;
};

class Display {
public:
    virtual ~Display() = default;
    // Shows the whole composed window (645 x 573). `changed` holds the
    // rectangles that may differ from the window presented before (empty:
    // all of it), so that a back end can copy only those.
    virtual void Present(const Surface& window, std::span<const Rect> changed) = 0;
    // The same for a frame in which `move` happened first (its rows 0:
    // nothing moved) and then only the `changed` rectangles were drawn,
    // each object apart, for a display that can move pixels it already
    // has instead of taking them again. Returns false, having shown
    // nothing, when it cannot now: the caller then presents the frame with
    // the moved area among the changed rectangles.
    virtual bool PresentMoved(const Surface& /*window*/, std::span<const Rect> /*changed*/, const Move& /*move*/) {
        return false;
    }
    // Where a w x h picture may live in the display's own buffer, so that
    // drawing it is showing it, with no copy in between; none (no pixels)
    // when the display has no such place now. Before that place moves or
    // goes (a new window size, another picture shown there, the display's
    // own end) the display calls `lodger.LeaveLodging()`, so the lodger
    // must outlive the display or the place.
    virtual PixelBuffer Lodging(int /*w*/, int /*h*/, Lodger& /*lodger*/) { return {}; }
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal text input with a prompt and an OK/cancel choice; returns the
    // text entered, or an empty text when cancelled. `window` is the window as
    // last composed, over which the box is drawn.
    virtual std::string InputBox(const std::string& prompt, const Surface& window) = 0;
    // Modal message with an OK button.
    virtual void MessageBox(const std::string& text, const Surface& window) = 0;
};

// One background song with a repeat count and one effect at a time. Paths
// are host paths (already mapped from the game's "sys\..." names).
class Audio {
public:
    virtual ~Audio() = default;
    // (Re)creates the music and effect devices.
    virtual void Init() = 0;
    // Stops the current song and plays this one kaisu + 1 times in a row.
    virtual void PlayMusic(const std::string& path, int16_t kaisu) = 0;
    virtual void StopMusic() = 0;
    // Plays an effect once; it cuts off the effect that was playing.
    virtual void PlayEffect(const std::string& path) = 0;
};

struct Platform {
    Clock& clock;
    Events& events;
    Keys& keys;
    Display& display;
    Dialogs& dialogs;
    Audio& audio;
};

}  // namespace molfo
