// Free camera: looks from its position along the pitch/yaw direction, and
// turns and flies under the game controller's sticks and triggers.
#include "scene/FirstPersonCamera.h"

#include "platform/GameController.h"
#include "scene/ViewMath.h"

#include <cmath>

namespace {
constexpr float kTurnDegreesPerFrame = 10.0f;
constexpr float kFlightUnitsPerFrame = 25.0f;
// Short of the pole, where the look-at's up vector would be parallel to the view.
constexpr float kPitchLimit = 89.999f;
} // namespace

glm::vec3 FirstPersonCamera::getDirection() const { return ViewMath::viewingDirection(pitch, yaw); }

glm::mat4 FirstPersonCamera::getViewMatrix() const {
    return ViewMath::lookAtView(position, position + getDirection());
}

void FirstPersonCamera::look(const GameController& controller) {
    float speed = (1.0f - controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT)) * kTurnDegreesPerFrame;
    pitch = glm::clamp(pitch + controller.getAxis(SDL_CONTROLLER_AXIS_RIGHTY) * speed, -kPitchLimit, kPitchLimit);
    yaw += controller.getAxis(SDL_CONTROLLER_AXIS_RIGHTX) * speed;
    yaw -= std::floor(yaw / 360.0f) * 360.0f;
    // A yaw a hair below 0 wraps to a value that rounds to 360 itself.
    if (yaw >= 360.0f) yaw = 0.0f;
}

void FirstPersonCamera::fly(const GameController& controller) {
    float speed = (1.0f - controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERLEFT)) * kFlightUnitsPerFrame;
    glm::vec3 backward = -getDirection();
    glm::vec3 right(backward.z, 0.0f, -backward.x);  // (0, 1, 0) x backward
    // SDL's stick Y grows downward: pushing forward moves along the view.
    position += speed * (controller.getAxis(SDL_CONTROLLER_AXIS_LEFTY) * backward +
                         controller.getAxis(SDL_CONTROLLER_AXIS_LEFTX) * right);
}
