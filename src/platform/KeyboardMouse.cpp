// Keyboard and mouse state from SDL events. Pushed events (tests, tools) do not
// reach SDL's own keyboard state, so Shift is tracked as a key like any other.
#include "platform/KeyboardMouse.h"

#include <algorithm>
#include <cstring>

void KeyboardMouse::beginFrame() {
    std::memset(pressed, 0, sizeof pressed);
    std::memset(repeated, 0, sizeof repeated);
    std::memset(shifted, 0, sizeof shifted);
    mouseX = mouseY = 0;
    const double now = wallClock();
    seconds = lastFrame < 0.0 ? 0.0f : std::clamp(static_cast<float>(now - lastFrame), 0.0f, kMaxFrameSeconds);
    lastFrame = now;
}

void KeyboardMouse::handleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_Scancode key = event.key.keysym.scancode;
        if (!valid(key)) return;
        down[key] = event.type == SDL_KEYDOWN;
        unsigned char& count = event.key.repeat ? repeated[key] : pressed[key];
        if (event.type != SDL_KEYDOWN || count == 255) return;
        ++count;
        if (isShiftDown()) ++shifted[key];
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_RIGHT) rightButtonDown = event.type == SDL_MOUSEBUTTONDOWN;
        return;
    case SDL_MOUSEMOTION:
        if (rightButtonDown) mouseX += event.motion.xrel, mouseY += event.motion.yrel;
        return;
    case SDL_WINDOWEVENT:
        // A key let go in another window never sends its release here.
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) reset();
        return;
    default:
        return;
    }
}

void KeyboardMouse::reset() {
    // This frame's presses happened all the same.
    std::memset(down, 0, sizeof down);
    rightButtonDown = false;
}
