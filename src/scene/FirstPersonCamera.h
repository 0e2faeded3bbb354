// The free pitch/yaw camera that the scene flies in its controller modes and
// that camera objects own. Relies on ViewMath for the direction convention and
// on the game controller's dead-zoned axes for its controls.
#pragma once
#include "scene/Camera.h"

class GameController;

class FirstPersonCamera : public Camera {
public:
    // The controls keep pitch within -89.999..89.999 and yaw within [0, 360).
    float pitch = 0.0f;  // degrees, positive looks down
    float yaw = 0.0f;    // degrees about world Y
    glm::vec3 position{0.0f};

    glm::vec3 getDirection() const;
    glm::mat4 getViewMatrix() const override;
    int getType() const override { return 1; }

    // Controls, once per frame and not scaled by time. Look: the right stick
    // turns up to 10 degrees a frame, the right trigger slows that to a stop.
    void look(const GameController& controller);
    // Flight, after the look: the left stick moves up to 25 units a frame along
    // the view (following the pitch) and sideways; the left trigger slows it.
    void fly(const GameController& controller);
};
