// At most one SDL game controller, sampled once per frame into dead-zoned axis
// values and current/previous button states. Relies on SDL's game-controller
// subsystem being started; main thread only.
#pragma once
#include <SDL.h>

#include <string>

// Raw SDL axis value to the engine's range: a dead zone of 0.2 of full travel,
// the rest rescaled so that it reaches +-1 (sticks) or 1 (triggers).
float normalizeControllerAxis(Sint16 raw);

class GameController {
public:
    static constexpr int kAxisCount = SDL_CONTROLLER_AXIS_MAX;      // 6
    static constexpr int kButtonCount = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;  // 15

    GameController() = default;
    virtual ~GameController();
    GameController(const GameController&) = delete;
    GameController& operator=(const GameController&) = delete;

    bool open(int joystickIndex);
    // Samples the device; the previous frame's state moves to the "was" side.
    void update();
    void close();

    bool isOpen() const { return handle != nullptr; }
    const std::string& getName() const { return name; }
    float getAxis(SDL_GameControllerAxis axis) const;
    bool isButtonDown(SDL_GameControllerButton button) const;
    bool wasButtonDown(SDL_GameControllerButton button) const;
    // Down in this frame and up in the previous one: one press, one action.
    bool isButtonPressed(SDL_GameControllerButton button) const {
        return isButtonDown(button) && !wasButtonDown(button);
    }

protected:
    // Whether SDL can describe the opened device as a standard pad. Virtual so
    // tests can stand in for a device SDL opens but cannot describe.
    virtual bool hasMapping(SDL_GameController* controller);

private:
    void resetState();

    SDL_GameController* handle = nullptr;
    std::string name = "Undefined";
    float previousAxes[kAxisCount] = {};
    float currentAxes[kAxisCount] = {};
    bool previousButtons[kButtonCount] = {};
    bool currentButtons[kButtonCount] = {};
};

// Seconds the held D-pad moves the soundtrack this frame: left -0.0167,
// right +0.0167, down -0.0668, up +0.0668, the first held in that order
// deciding; 0 when none is held or no controller is open.
float dpadScrubSeconds(const GameController& controller);

// Start-up: walks the joystick indices, loads the mapping database for the
// candidates and keeps the first controller that opens. No joystick, or none
// that opens, leaves `controller` closed; that is not a failure.
void openFirstGameController(GameController& controller, const char* mappingDatabasePath);
