// Free camera: looks from its position along the pitch/yaw direction, and
// turns and flies under the game controller's sticks and triggers.
#include "scene/FirstPersonCamera.h"

#include "platform/GameController.h"
#include "platform/KeyboardMouse.h"
#include "scene/ViewMath.h"

#include <cmath>

namespace {
constexpr float kTurnDegreesPerFrame = 10.0f;
constexpr float kFlightUnitsPerFrame = 25.0f;
constexpr float kKeyUnitsPerSecond = 10.0f;
constexpr float kShiftedKeyUnitsPerSecond = 50.0f;
constexpr float kMouseDegreesPerPixel = 0.2f;
// Short of the pole, where the look-at's up vector would be parallel to the view.
constexpr float kPitchLimit = 89.999f;
} // namespace

glm::vec3 FirstPersonCamera::getDirection() const { return ViewMath::viewingDirection(pitch, yaw); }

glm::mat4 FirstPersonCamera::getViewMatrix() const {
    return ViewMath::lookAtView(position, position + getDirection());
}

namespace {
void turn(float& pitch, float& yaw, float down, float right) {
    pitch = glm::clamp(pitch + down, -kPitchLimit, kPitchLimit);
    yaw += right;
    yaw -= std::floor(yaw / 360.0f) * 360.0f;
    // A yaw a hair below 0 wraps to a value that rounds to 360 itself.
    if (yaw >= 360.0f) yaw = 0.0f;
}
} // namespace

void FirstPersonCamera::look(const GameController& controller) {
    float speed = (1.0f - controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT)) * kTurnDegreesPerFrame;
    turn(pitch, yaw, controller.getAxis(SDL_CONTROLLER_AXIS_RIGHTY) * speed,
         controller.getAxis(SDL_CONTROLLER_AXIS_RIGHTX) * speed);
}

void FirstPersonCamera::fly(const GameController& controller) {
    float speed = (1.0f - controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERLEFT)) * kFlightUnitsPerFrame;
    glm::vec3 backward = -getDirection();
    glm::vec3 right(backward.z, 0.0f, -backward.x);  // (0, 1, 0) x backward
    // SDL's stick Y grows downward: pushing forward moves along the view.
    position += speed * (controller.getAxis(SDL_CONTROLLER_AXIS_LEFTY) * backward +
                         controller.getAxis(SDL_CONTROLLER_AXIS_LEFTX) * right);
}

void FirstPersonCamera::steer(const KeyboardMouse& input, float seconds) {
    if (input.turnX() != 0 || input.turnY() != 0)
        turn(pitch, yaw, static_cast<float>(input.turnY()) * kMouseDegreesPerPixel,
             static_cast<float>(input.turnX()) * kMouseDegreesPerPixel);
    auto axis = [&](SDL_Scancode minus, SDL_Scancode plus) {
        return (input.isKeyDown(plus) ? 1.0f : 0.0f) - (input.isKeyDown(minus) ? 1.0f : 0.0f);
    };
    const float ahead = axis(SDL_SCANCODE_S, SDL_SCANCODE_W);
    const float aside = axis(SDL_SCANCODE_A, SDL_SCANCODE_D);
    const float up = axis(SDL_SCANCODE_Q, SDL_SCANCODE_E);
    if (ahead == 0.0f && aside == 0.0f && up == 0.0f) return;
    const glm::vec3 forward = getDirection();
    // The stick's sideways direction, level and of unit length whatever the pitch.
    const glm::vec3 right = glm::normalize(glm::vec3(-forward.z, 0.0f, forward.x));
    const glm::vec3 sum = ahead * forward + aside * right + glm::vec3(0.0f, up, 0.0f);
    // W with Q while looking straight up cancel out; they do not pick a direction.
    if (glm::length(sum) < 1e-3f) return;
    // Two keys at once go no faster than one.
    const glm::vec3 heading = glm::normalize(sum);
    const float speed = input.isShiftDown() ? kShiftedKeyUnitsPerSecond : kKeyUnitsPerSecond;
    position += heading * speed * seconds;
}
