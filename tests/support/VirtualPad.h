// A game pad that exists only inside SDL (its virtual-joystick driver, 2.24+), so
// tests move sticks and press buttons of a real SDL device. Needs SDL's
// game-controller subsystem; detached on destruction.
#pragma once
#include <SDL.h>

#include <string>

namespace test {

class VirtualPad {
public:
    // `standardPad` true: SDL gives the device its own mapping, axes and
    // buttons numbered as SDL_GameControllerAxis / SDL_GameControllerButton.
    // false: a plain joystick that no mapping describes.
    explicit VirtualPad(bool standardPad = true, const char* name = "Test Pad") {
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = standardPad ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
        desc.name = name;
        index = SDL_JoystickAttachVirtualEx(&desc);
        if (index < 0) return;
        instance = SDL_JoystickGetDeviceInstanceID(index);
        joystick = SDL_JoystickOpen(index);
        // Triggers rest at the bottom of the joystick range, not in the middle.
        for (int trigger : {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT})
            if (standardPad) setAxis(trigger, SDL_JOYSTICK_AXIS_MIN);
    }
    ~VirtualPad() {
        if (joystick) SDL_JoystickClose(joystick);
        // Device indices shift as pads come and go; find ours again.
        for (int i = 0; instance >= 0 && i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == instance) SDL_JoystickDetachVirtual(i);
    }
    VirtualPad(const VirtualPad&) = delete;

    bool attached() const { return joystick != nullptr; }
    int deviceIndex() const { return index; }
    SDL_JoystickID instanceId() const { return instance; }
    std::string guid() const {
        char text[33];
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), text, sizeof text);
        return text;
    }

    // Values take effect at SDL's next joystick update.
    void setAxis(int axis, Sint16 value) { SDL_JoystickSetVirtualAxis(joystick, axis, value); }
    // Stick travel as a fraction of full range, -1 to 1.
    void setStick(int axis, float fraction) {
        setAxis(axis, static_cast<Sint16>(fraction * (fraction < 0 ? 32768.0f : 32767.0f)));
    }
    // Trigger travel 0 to 1, spread over the joystick's whole range.
    void setTrigger(int axis, float fraction) {
        setAxis(axis, static_cast<Sint16>(-32768.0f + fraction * 65535.0f));
    }
    void setButton(int button, bool down) { SDL_JoystickSetVirtualButton(joystick, button, down ? 1 : 0); }

private:
    int index = -1;
    SDL_JoystickID instance = -1;
    SDL_Joystick* joystick = nullptr;
};

} // namespace test
