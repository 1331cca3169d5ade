#include "platform/sdl/SdlKeys.h"

#include <SDL.h>

#include <utility>

namespace molfo {

namespace {

// The pad's buttons are numbered as SDL numbers them, so an event's button
// goes to the mapping as it is.
constexpr bool Same(pad::Input ours, SDL_GameControllerButton sdl) {
    return static_cast<int>(ours) == static_cast<int>(sdl);
}
static_assert(Same(pad::A, SDL_CONTROLLER_BUTTON_A) && Same(pad::B, SDL_CONTROLLER_BUTTON_B) &&
              Same(pad::X, SDL_CONTROLLER_BUTTON_X) && Same(pad::Back, SDL_CONTROLLER_BUTTON_BACK) &&
              Same(pad::Start, SDL_CONTROLLER_BUTTON_START) && Same(pad::DpadUp, SDL_CONTROLLER_BUTTON_DPAD_UP) &&
              Same(pad::DpadDown, SDL_CONTROLLER_BUTTON_DPAD_DOWN) &&
              Same(pad::DpadLeft, SDL_CONTROLLER_BUTTON_DPAD_LEFT) &&
              Same(pad::DpadRight, SDL_CONTROLLER_BUTTON_DPAD_RIGHT));

}  // namespace

SdlKeys::~SdlKeys() {
    for (SDL_GameController* c : controllers_)
        if (c != nullptr) SDL_GameControllerClose(c);
}

bool SdlKeys::IsKeyName(const std::string& name) {
    return !name.empty() && SDL_GetKeyFromName(name.c_str()) != SDLK_UNKNOWN;
}

void SdlKeys::Bind(const settings::Settings& s) {
    byKey_.clear();
    byPlace_.clear();
    std::vector<pad::Binding> buttons;
    for (size_t a = 0; a < settings::kActions; ++a) {
        const int vk = settings::kActionTable[a].vk;
        for (int slot = 0; slot < settings::kSlots; ++slot) {
            const SDL_Keycode k = s.keys[a][slot].empty() ? SDLK_UNKNOWN : SDL_GetKeyFromName(s.keys[a][slot].c_str());
            if (k != SDLK_UNKNOWN) {
                byKey_[k].push_back({vk, slot});
                // On a layout without Latin letters the letter keys keep the
                // place they have on a US keyboard.
                if (k >= SDLK_a && k <= SDLK_z) byPlace_[SDL_SCANCODE_A + (k - SDLK_a)].push_back({vk, slot});
            }
            const int b = settings::PadButton(s.pad[a][slot]);
            if (b >= 0) buttons.push_back({static_cast<pad::Input>(b), vk, 0});
        }
    }
    keys_.Forget();
    pads_.SetButtons(std::move(buttons));
}

const std::vector<SdlKeys::Target>& SdlKeys::Targets(const SDL_KeyboardEvent& key) const {
    static const std::vector<Target> kNone;
    const SDL_Keycode k = key.keysym.sym;
    if (const auto it = byKey_.find(k); it != byKey_.end()) return it->second;
    if (k < SDLK_a || k > SDLK_z) {
        if (const auto it = byPlace_.find(key.keysym.scancode); it != byPlace_.end()) return it->second;
    }
    return kNone;
}

void SdlKeys::KeyDown(const SDL_KeyboardEvent& key) {
    for (const Target& t : Targets(key)) {
        keys_.Press(t.vk, t.source, key.repeat != 0);
        arrived_ = arrived_ || key.repeat == 0;
    }
}

void SdlKeys::KeyUp(const SDL_KeyboardEvent& key) {
    for (const Target& t : Targets(key)) keys_.Release(t.vk, t.source);
}

bool SdlKeys::Pad(const SDL_Event& e) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: {
            SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which);
            if (c == nullptr) break;
            const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
            bool kept = false;
            for (SDL_GameController*& slot : controllers_) {
                if (slot == c) kept = true;
                if (!kept && slot == nullptr) {
                    slot = c;
                    kept = true;
                }
            }
            if (!kept || !pads_.Attach(id)) SDL_GameControllerClose(c);
            break;
        }
        case SDL_CONTROLLERDEVICEREMOVED: {
            pads_.Detach(e.cdevice.which);
            SDL_GameController* c = SDL_GameControllerFromInstanceID(e.cdevice.which);
            for (SDL_GameController*& slot : controllers_) {
                if (c != nullptr && slot == c) {
                    SDL_GameControllerClose(c);
                    slot = nullptr;
                }
            }
            break;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            const bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
            arrived_ = arrived_ || down;
            pads_.Button(e.cbutton.which, e.cbutton.button, down);
            const bool back = e.cbutton.button == SDL_CONTROLLER_BUTTON_BACK;
            if (down) backAlone_ = back;
            if (!down && back && backAlone_) {
                backAlone_ = false;
                return true;
            }
            break;
        }
        case SDL_CONTROLLERAXISMOTION:
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) pads_.Axis(e.caxis.which, pad::Stick::LeftX, e.caxis.value);
            if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) pads_.Axis(e.caxis.which, pad::Stick::LeftY, e.caxis.value);
            break;
        default: break;
    }
    return false;
}

}  // namespace molfo
