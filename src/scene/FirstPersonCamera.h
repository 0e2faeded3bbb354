// The free pitch/yaw camera that the scene flies in its controller modes and
// that camera objects own. Relies on ViewMath for the direction convention and
// on the game controller's dead-zoned axes and the keyboard and mouse for its
// controls.
#pragma once
#include "scene/Camera.h"

class GameController;
class KeyboardMouse;

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
    // Keyboard and mouse, once per frame over `seconds` of wall time, so a
    // flight does not depend on the frame rate: W/S along the view, A/D
    // sideways, E/Q up and down the world's Y, 10 units a second (Shift: 50);
    // the mouse turns 0.2 degrees a pixel while its right button is held.
    // Nothing held and no mouse moved leaves the camera exactly as it was.
    void steer(const KeyboardMouse& input, float seconds);
};
