// Free camera: looks from its position along the pitch/yaw direction.
#include "scene/FirstPersonCamera.h"

#include "scene/ViewMath.h"

glm::vec3 FirstPersonCamera::getDirection() const { return ViewMath::viewingDirection(pitch, yaw); }

glm::mat4 FirstPersonCamera::getViewMatrix() const {
    return ViewMath::lookAtView(position, position + getDirection());
}
