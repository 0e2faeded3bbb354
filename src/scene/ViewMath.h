// The scene's matrix and angle conventions in one place: model matrices from
// Euler degrees, the projection, the look-at and orbit views, the sun and the
// free camera's viewing direction. Plain GLM maths, no GL.
#pragma once
#include <glm/glm.hpp>

namespace ViewMath {

// Degrees are stored everywhere and converted just before use with this factor.
constexpr float kDegreesToRadians = 0.017453292f;

// translation x rotation (X first, then Y, then Z) x scale, from the object's
// own fields only.
glm::mat4 modelMatrix(const glm::vec3& position, const glm::vec3& rotationDegrees, const glm::vec3& scale);

// Symmetric perspective frustum, clip depth -1..1.
glm::mat4 projection(float fieldOfViewDegrees, float aspect, float nearPlane, float farPlane);

// Right-handed look-at with up (0, 1, 0).
glm::mat4 lookAtView(const glm::vec3& eye, const glm::vec3& target);

// Camera at `distance` from the origin; the scene turns by roll, then yaw, then pitch.
glm::mat4 orbitView(float distance, float pitchDegrees, float yawDegrees, float rollDegrees);

// Zenith measured from +Y, azimuth around +Y.
glm::vec3 sunPosition(float radius, float zenithDegrees, float azimuthDegrees);

// The view's translation negated: the eye only when the view has no rotation.
glm::vec3 cameraPositionFromView(const glm::mat4& view);

// Unit viewing direction of a pitch/yaw camera: +Z at rest, positive yaw turns
// toward -X, positive pitch looks down.
glm::vec3 viewingDirection(float pitchDegrees, float yawDegrees);
// Pitch and yaw (degrees, yaw in [0, 360)) of a camera looking along `direction`;
// the inverse of viewingDirection. A zero direction gives (0, 0).
glm::vec2 pitchYawFacing(const glm::vec3& direction);

} // namespace ViewMath
