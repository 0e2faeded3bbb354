// Game controller: opening with its log lines, per-frame sampling with the
// dead zone, and the start-up search over joystick indices with the mapping
// database. Every message is in SDL's input category.
#include "platform/GameController.h"

#include "core/ShowTiming.h"

#include <algorithm>

namespace {
constexpr float kDeadZone = 0.2f;

// Reads the mapping database; false (with its error line) when SDL cannot.
bool loadMappingDatabase(const char* path) {
    int count = SDL_GameControllerAddMappingsFromRW(SDL_RWFromFile(path, "rb"), 1);
    if (count < 0) {
        SDL_LogError(SDL_LOG_CATEGORY_INPUT, "Failed to load controller mappings");
        return false;
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_INPUT, "Loaded %d controller mappings", count);
    return true;
}
} // namespace

float normalizeControllerAxis(Sint16 raw) {
    float sign = raw > 0 ? 1.0f : (raw < 0 ? -1.0f : 0.0f);
    // The negative half is one step longer than the positive one.
    float magnitude = raw > 0 ? static_cast<float>(raw) / 32767.0f : static_cast<float>(raw) * -3.0517578e-5f;
    float value = std::clamp((magnitude - kDeadZone) / (1.0f - kDeadZone), 0.0f, 1.0f);
    return value * sign;
}

GameController::~GameController() = default;

bool GameController::hasMapping(SDL_GameController* controller) {
    char* mapping = SDL_GameControllerMapping(controller);
    SDL_free(mapping);
    return mapping != nullptr;
}

bool GameController::open(int joystickIndex) {
    if (!SDL_IsGameController(joystickIndex)) {
        SDL_LogError(SDL_LOG_CATEGORY_INPUT, "Joystick %d is not a game controller!", joystickIndex);
        return false;
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_INPUT, "Creating Game Controller from joystick at index %d!", joystickIndex);
    SDL_GameController* opened = SDL_GameControllerOpen(joystickIndex);
    if (!opened) {
        SDL_LogError(SDL_LOG_CATEGORY_INPUT, "Failed to open controller at index %d!", joystickIndex);
        return false;
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_INPUT, "Successfully opened Game Controller at index %d!", joystickIndex);
    if (!hasMapping(opened)) {
        const char* deviceName = SDL_GameControllerName(opened);
        SDL_LogError(SDL_LOG_CATEGORY_INPUT, "Failed to map controller ( %s ) at index %d!",
                     deviceName ? deviceName : "", joystickIndex);
        // Left open, the device would stay claimed for the rest of the run.
        SDL_GameControllerClose(opened);
        return false;
    }
    if (handle) SDL_GameControllerClose(handle);
    handle = opened;
    const char* deviceName = SDL_GameControllerName(opened);
    name = deviceName ? deviceName : "";
    resetState();
    SDL_LogInfo(SDL_LOG_CATEGORY_INPUT, "Game Controller %d ( %s ) was successfully initialized!", joystickIndex,
                name.c_str());
    return true;
}

void GameController::update() {
    if (!handle) return;
    std::copy(std::begin(currentAxes), std::end(currentAxes), previousAxes);
    std::copy(std::begin(currentButtons), std::end(currentButtons), previousButtons);
    SDL_GameControllerUpdate();
    for (int axis = 0; axis < kAxisCount; ++axis)
        currentAxes[axis] =
            normalizeControllerAxis(SDL_GameControllerGetAxis(handle, static_cast<SDL_GameControllerAxis>(axis)));
    for (int button = 0; button < kButtonCount; ++button)
        currentButtons[button] =
            SDL_GameControllerGetButton(handle, static_cast<SDL_GameControllerButton>(button)) == 1;
}

void GameController::close() {
    if (handle) {
        SDL_GameControllerClose(handle);
        handle = nullptr;
    }
    resetState();
    name = "Undefined";
}

float GameController::getAxis(SDL_GameControllerAxis axis) const {
    return axis >= 0 && axis < kAxisCount ? currentAxes[axis] : 0.0f;
}

bool GameController::isButtonDown(SDL_GameControllerButton button) const {
    return button >= 0 && button < kButtonCount && currentButtons[button];
}

bool GameController::wasButtonDown(SDL_GameControllerButton button) const {
    return button >= 0 && button < kButtonCount && previousButtons[button];
}

void GameController::resetState() {
    std::fill(std::begin(previousAxes), std::end(previousAxes), 0.0f);
    std::fill(std::begin(currentAxes), std::end(currentAxes), 0.0f);
    std::fill(std::begin(previousButtons), std::end(previousButtons), false);
    std::fill(std::begin(currentButtons), std::end(currentButtons), false);
}

float dpadScrubSeconds(const GameController& controller) {
    if (!controller.isOpen()) return 0.0f;
    // One fixed step of play; four for the coarse direction.
    static const struct {
        SDL_GameControllerButton button;
        float seconds;
    } kScrubs[] = {{SDL_CONTROLLER_BUTTON_DPAD_LEFT, -kFixedStep},
                   {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, kFixedStep},
                   {SDL_CONTROLLER_BUTTON_DPAD_DOWN, -4.0f * kFixedStep},
                   {SDL_CONTROLLER_BUTTON_DPAD_UP, 4.0f * kFixedStep}};
    for (const auto& scrub : kScrubs)
        if (controller.isButtonDown(scrub.button)) return scrub.seconds;
    return 0.0f;
}

void openFirstGameController(GameController& controller, const char* mappingDatabasePath) {
    int joystickCount = SDL_NumJoysticks();
    SDL_LogInfo(SDL_LOG_CATEGORY_INPUT, "%d Joystick(s) Detected.", joystickCount);
    for (int index = 0; index < joystickCount; ++index) {
        bool databaseLoaded = false;
        if (!SDL_IsGameController(index)) {
            // A pad SDL does not know becomes a controller only through a line
            // of our database, so the database must be read before giving up.
            databaseLoaded = true;
            if (!loadMappingDatabase(mappingDatabasePath) || !SDL_IsGameController(index)) continue;
        }
        SDL_LogInfo(SDL_LOG_CATEGORY_INPUT, "Game Controller Detected At Joystick Index %d", index);
        // A missing or unreadable database costs only the extra mappings:
        // SDL's own still apply.
        if (!databaseLoaded) loadMappingDatabase(mappingDatabasePath);
        SDL_GameControllerEventState(SDL_ENABLE);
        if (controller.open(index)) return;
    }
}
