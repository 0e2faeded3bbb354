// The free pitch/yaw camera that the scene flies in its controller modes and
// that camera objects own. Relies on ViewMath for the direction convention.
#pragma once
#include "scene/Camera.h"

class FirstPersonCamera : public Camera {
public:
    // The controls keep pitch within -89.999..89.999 and yaw within [0, 360).
    float pitch = 0.0f;  // degrees, positive looks down
    float yaw = 0.0f;    // degrees about world Y
    glm::vec3 position{0.0f};

    glm::vec3 getDirection() const;
    glm::mat4 getViewMatrix() const override;
    int getType() const override { return 1; }
};
