// Gamepads as a second keyboard. The game only ever asks whether a key is
// down, so a pad is turned into presses and releases of the same virtual
// keys, fed into the key latch under a source of its own: a key held on the
// keyboard stays down when the pad lets go of it, and the other way round.
// Plain C++ without SDL, so the mapping can be tested on its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/KeyLatch.h"
#include "platform/Platform.h"

namespace molfo::pad {

// The controls a pad reports. The buttons carry SDL's GameController
// numbering (the SDL back end checks that at compile time); the four stick
// directions follow.
enum Input : uint8_t {
    A = 0,
    B = 1,
    X = 2,
    Y = 3,
    Back = 4,
    Guide = 5,
    Start = 6,
    LeftStickClick = 7,
    RightStickClick = 8,
    LeftShoulder = 9,
    RightShoulder = 10,
    DpadUp = 11,
    DpadDown = 12,
    DpadLeft = 13,
    DpadRight = 14,
    StickLeft = 15,
    StickRight = 16,
    StickUp = 17,
    StickDown = 18,
    kInputs = 19
};

struct Binding {
    Input input;
    int key;
    int alsoKey;  // 0 when the input stands for one key only
};

// input, key, second key. The stick always moves; the buttons are the
// player's to bind (settings/), these being the defaults. Start stands for
// both Shift and Z: the title waits for Shift and the ranking for Z, and a
// pad has no spare button a player would look for there.
inline constexpr std::array<Binding, 4> kStickBindings{{
    {StickLeft, vk::Left, 0},
    {StickRight, vk::Right, 0},
    {StickUp, vk::Up, 0},
    {StickDown, vk::Down, 0},
}};
inline constexpr std::array<Binding, 8> kDefaultButtons{{
    {DpadLeft, vk::Left, 0},
    {DpadRight, vk::Right, 0},
    {DpadUp, vk::Up, 0},
    {DpadDown, vk::Down, 0},
    {A, vk::Z, 0},
    {B, vk::X, 0},
    {X, vk::C, 0},
    {Start, vk::Shift, vk::Z},
}};
static_assert(kDefaultButtons.size() == 8, "one row per bound button");

// Back and Start held together quit, and while they are held Start is not
// also a start: the quit must not begin a game on its way out.
inline constexpr Input kQuitChord[2] = {Back, Start};
inline constexpr int kQuitKey = vk::Escape;

// A stick direction counts as pressed past half way, and as released only
// back below about a third, so a thumb resting near the edge does not
// flicker the key.
inline constexpr int kStickPress = 16384;
inline constexpr int kStickRelease = 11000;

// Every key a pad can hold; a pad's state is a mask over this list.
inline constexpr std::array<int, 11> kPadKeys{vk::Left, vk::Right, vk::Up,    vk::Down,    vk::Z,     vk::X,
                                             vk::C,    vk::Shift, vk::Space, vk::Control, vk::Escape};
static_assert(kPadKeys.size() == 11, "arrows, the five action keys, Shift and Escape");

enum class Stick : uint8_t { LeftX, LeftY };

// The pads in use and what each of them holds. Pads are told apart by the
// id the system gives them; each gets one key-latch source.
class PadKeys {
public:
    // Keyboard keys use sources 0 and 1 (the left and right key of a pair).
    static constexpr int kFirstSource = 2;
    static constexpr int kMaxPads = KeyLatch::kSources - kFirstSource;

    explicit PadKeys(KeyLatch& latch) : latch_(latch), buttons_(kDefaultButtons.begin(), kDefaultButtons.end()) {}

    // The buttons' bindings from now on (the stick always moves). Like
    // Forget, for a latch that has just forgotten its keys (the settings
    // page took the keyboard and pads): buttons still down count again only
    // when pressed afresh.
    void SetButtons(std::vector<Binding> buttons) {
        buttons_ = std::move(buttons);
        Forget();
    }

    // A pad was plugged in. False when every slot is taken; that pad is then
    // ignored.
    bool Attach(int32_t id) {
        if (Find(id) >= 0) return true;
        for (size_t i = 0; i < pads_.size(); ++i) {
            if (!pads_[i].used) {
                pads_[i] = Pad{};
                pads_[i].used = true;
                pads_[i].id = id;
                return true;
            }
        }
        return false;
    }

    // A pad went away: whatever it held comes up, as if released.
    void Detach(int32_t id) {
        const int i = Find(id);
        if (i < 0) return;
        pads_[i].inputs.fill(false);
        Apply(i);
        pads_[i].used = false;
    }

    void Button(int32_t id, int input, bool down) {
        const int i = Find(id);
        if (i < 0 || input < 0 || input >= StickLeft) return;
        pads_[i].inputs[input] = down;
        Apply(i);
    }

    void Axis(int32_t id, Stick stick, int value) {
        const int i = Find(id);
        if (i < 0) return;
        Pad& p = pads_[i];
        const Input low = stick == Stick::LeftX ? StickLeft : StickUp;
        const Input high = stick == Stick::LeftX ? StickRight : StickDown;
        p.inputs[low] = Past(p.inputs[low], -value);
        p.inputs[high] = Past(p.inputs[high], value);
        Apply(i);
    }

    // Lets go of everything without telling the latch, after the latch
    // itself forgot its keys (a dialog took them, or the window lost focus):
    // a button still down counts again only when pressed afresh.
    void Forget() {
        for (Pad& p : pads_) {
            p.inputs.fill(false);
            p.held = 0;
        }
    }

    // The keys a pad holds now, as a mask over kPadKeys (0 for an unknown pad).
    uint16_t Holding(int32_t id) const {
        const int i = Find(id);
        return i < 0 ? 0 : pads_[i].held;
    }

    int Count() const {
        int n = 0;
        for (const Pad& p : pads_) n += p.used ? 1 : 0;
        return n;
    }

    // The mask of keys a pad with these inputs down holds.
    uint16_t KeysFor(const std::array<bool, kInputs>& in) const {
        const bool chord = in[kQuitChord[0]] && in[kQuitChord[1]];
        uint16_t mask = 0;
        auto add = [&](const Binding& b) {
            if (!in[b.input]) return;
            if (chord && (b.input == kQuitChord[0] || b.input == kQuitChord[1])) return;
            mask = static_cast<uint16_t>(mask | Bit(b.key) | Bit(b.alsoKey));
        };
        for (const Binding& b : kStickBindings) add(b);
        for (const Binding& b : buttons_) add(b);
        if (chord) mask = static_cast<uint16_t>(mask | Bit(kQuitKey));
        return mask;
    }

    static uint16_t Bit(int key) {
        for (size_t k = 0; k < kPadKeys.size(); ++k)
            if (kPadKeys[k] == key) return static_cast<uint16_t>(1u << k);
        return 0;
    }

private:
    struct Pad {
        bool used = false;
        int32_t id = 0;
        std::array<bool, kInputs> inputs{};
        uint16_t held = 0;
    };

    static bool Past(bool wasDown, int towards) { return towards >= (wasDown ? kStickRelease : kStickPress); }

    int Find(int32_t id) const {
        for (size_t i = 0; i < pads_.size(); ++i)
            if (pads_[i].used && pads_[i].id == id) return static_cast<int>(i);
        return -1;
    }

    // Tells the latch only what changed: a button held while another moves
    // must not count as pressed again.
    void Apply(int i) {
        Pad& p = pads_[i];
        const uint16_t want = KeysFor(p.inputs);
        const int source = kFirstSource + i;
        for (size_t k = 0; k < kPadKeys.size(); ++k) {
            const auto bit = static_cast<uint16_t>(1u << k);
            if ((want & bit) != 0 && (p.held & bit) == 0) latch_.Press(kPadKeys[k], source, false);
            if ((want & bit) == 0 && (p.held & bit) != 0) latch_.Release(kPadKeys[k], source);
        }
        p.held = want;
    }

    KeyLatch& latch_;
    std::vector<Binding> buttons_;
    std::array<Pad, kMaxPads> pads_{};
};

}  // namespace molfo::pad
