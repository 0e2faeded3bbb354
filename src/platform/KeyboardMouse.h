// The keyboard and mouse as the player reads them: keys held, keys pressed in
// this input frame, the mouse's travel while its right button is held, and the
// wall time one input frame took. Fed by the window's event pump, one frame per
// pump; main thread only. Keys are SDL scancodes: places on the keyboard, so
// W A S D fly the same on every layout.
#pragma once
#include <SDL.h>

#include <functional>

class KeyboardMouse {
public:
    // The longest wall time one frame may count: after a stall (a reload, a
    // loop's return) the camera moves as after a quarter second, not as far as
    // the stall was long.
    static constexpr float kMaxFrameSeconds = 0.25f;

    // Clears this frame's presses and mouse travel and takes the wall time
    // since the previous frame began (0 for the first).
    void beginFrame();
    void handleEvent(const SDL_Event& event);
    // Every key and the button released, as when the window loses the keyboard.
    void reset();

    bool isKeyDown(SDL_Scancode key) const { return valid(key) && down[key]; }
    // Went down in this frame; the keyboard's auto-repeat does not count.
    bool isKeyPressed(SDL_Scancode key) const { return valid(key) && pressed[key] > 0; }
    // Downs in this frame, auto-repeat included: a held arrow keeps scrubbing.
    int keyPresses(SDL_Scancode key) const { return valid(key) ? pressed[key] + repeated[key] : 0; }
    // Those of them made while Shift was held, which may be let go within the same frame.
    int shiftedKeyPresses(SDL_Scancode key) const { return valid(key) ? shifted[key] : 0; }
    bool isShiftDown() const { return isKeyDown(SDL_SCANCODE_LSHIFT) || isKeyDown(SDL_SCANCODE_RSHIFT); }
    // The mouse turns the camera only while its right button is held.
    bool isTurning() const { return rightButtonDown; }
    // Pixels the mouse moved while turning in this frame (y grows downward).
    int turnX() const { return mouseX; }
    int turnY() const { return mouseY; }
    float frameSeconds() const { return seconds; }

    // Seconds of wall time; tests set their own.
    std::function<double()> wallClock = [] {
        return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
    };

private:
    static bool valid(SDL_Scancode key) { return key > SDL_SCANCODE_UNKNOWN && key < SDL_NUM_SCANCODES; }

    bool down[SDL_NUM_SCANCODES] = {};
    unsigned char pressed[SDL_NUM_SCANCODES] = {};
    unsigned char repeated[SDL_NUM_SCANCODES] = {};
    unsigned char shifted[SDL_NUM_SCANCODES] = {};
    bool rightButtonDown = false;
    int mouseX = 0;
    int mouseY = 0;
    float seconds = 0.0f;
    double lastFrame = -1.0;
};
