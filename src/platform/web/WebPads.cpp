// Pads through the browser's Gamepad API, read once a frame. Pads with the
// standard mapping report the buttons by place (bottom, right, left, top,
// shoulders, Back, Start, sticks, d-pad); they go into the same PadKeys as
// the window's pads, so a pad means the same keys in both.
#include <array>

#include "platform/web/WebImports.h"
#include "platform/web/WebPlatform.h"

namespace molfo {

namespace {

constexpr int kNone = -1;
// The standard mapping's buttons in its order, as the pad inputs of the
// window's table; the triggers have no place there.
constexpr std::array<int, 17> kStandardButtons{
    pad::A,     pad::B,           pad::X,          pad::Y,       pad::LeftShoulder, pad::RightShoulder,
    kNone,      kNone,            pad::Back,       pad::Start,   pad::LeftStickClick, pad::RightStickClick,
    pad::DpadUp, pad::DpadDown,   pad::DpadLeft,   pad::DpadRight, pad::Guide};
constexpr int kValuesPerPad = 4;
constexpr int kStandardBack = 8;

}  // namespace

void WebPlatform::PollPads(std::vector<int>* nav) {
    std::array<int, kMaxPads * kValuesPerPad> in{};
    const int n = molfo_pads(in.data(), kMaxPads);
    std::array<bool, kMaxPads> present{};
    for (int p = 0; p < n; ++p) {
        const int* v = in.data() + p * kValuesPerPad;
        const int index = v[0];
        if (index < 0 || index >= kMaxPads) continue;
        present[index] = true;
        PadSeen& seen = padSeen_[index];
        if (!seen.connected) {
            seen = PadSeen{};
            seen.connected = pads_.Attach(index);
        }
        const auto buttons = static_cast<uint32_t>(v[1]);
        const uint32_t changed = buttons ^ seen.buttons;
        for (size_t b = 0; b < kStandardButtons.size(); ++b) {
            const uint32_t bit = 1u << b;
            if ((changed & bit) == 0) continue;
            const bool down = (buttons & bit) != 0;
            if (nav != nullptr) {
                if (down) nav->push_back(static_cast<int>(b));
                continue;
            }
            if (kStandardButtons[b] != kNone) pads_.Button(index, kStandardButtons[b], down);
            // Back pressed and let go with nothing else: the title's settings.
            if (static_cast<int>(b) == kStandardBack) {
                if (down) seen.backAlone = (buttons & ~bit) == 0;
                else if (seen.backAlone && hooks_.mayOpen && hooks_.mayOpen()) settingsWanted_ = true;
            } else if (down) {
                seen.backAlone = false;
            }
        }
        seen.buttons = buttons;
        if (nav == nullptr) {
            if (v[2] != seen.x) pads_.Axis(index, pad::Stick::LeftX, v[2]);
            if (v[3] != seen.y) pads_.Axis(index, pad::Stick::LeftY, v[3]);
        }
        seen.x = v[2];
        seen.y = v[3];
    }
    for (int i = 0; i < kMaxPads; ++i) {
        if (present[i] || !padSeen_[i].connected) continue;
        pads_.Detach(i);
        padSeen_[i] = PadSeen{};
    }
}

std::string PadButtonName(int standard) {
    if (standard < 0 || standard >= static_cast<int>(kStandardButtons.size())) return {};
    const int input = kStandardButtons[static_cast<size_t>(standard)];
    if (input == kNone || input >= static_cast<int>(settings::kPadButtons.size())) return {};
    return settings::kPadButtons[static_cast<size_t>(input)];
}

}  // namespace molfo
