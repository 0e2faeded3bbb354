// Scene maths on GLM. Quaternions come from GLM's Euler constructor (half-angle
// form), which rotates about X first, then Y, then Z.
#include "scene/ViewMath.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cmath>

namespace ViewMath {

glm::mat4 modelMatrix(const glm::vec3& position, const glm::vec3& rotationDegrees, const glm::vec3& scale) {
    glm::quat q(rotationDegrees * kDegreesToRadians);
    glm::mat4 m = glm::mat4_cast(q);
    m[0] *= scale.x;
    m[1] *= scale.y;
    m[2] *= scale.z;
    m[3] = glm::vec4(position, 1.0f);
    return m;
}

glm::mat4 projection(float fieldOfViewDegrees, float aspect, float nearPlane, float farPlane) {
    float top = nearPlane * std::tan(fieldOfViewDegrees * 0.5f * kDegreesToRadians);
    float right = aspect * top;
    return glm::frustum(-right, right, -top, top, nearPlane, farPlane);
}

glm::mat4 lookAtView(const glm::vec3& eye, const glm::vec3& target) {
    return glm::lookAt(eye, target, glm::vec3(0.0f, 1.0f, 0.0f));
}

glm::mat4 orbitView(float distance, float pitchDegrees, float yawDegrees, float rollDegrees) {
    glm::mat4 v = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -distance));
    v = glm::rotate(v, pitchDegrees * kDegreesToRadians, glm::vec3(1.0f, 0.0f, 0.0f));
    v = glm::rotate(v, yawDegrees * kDegreesToRadians, glm::vec3(0.0f, 1.0f, 0.0f));
    return glm::rotate(v, rollDegrees * kDegreesToRadians, glm::vec3(0.0f, 0.0f, 1.0f));
}

glm::vec3 sunPosition(float radius, float zenithDegrees, float azimuthDegrees) {
    float zenith = zenithDegrees * kDegreesToRadians;
    float azimuth = azimuthDegrees * kDegreesToRadians;
    return glm::vec3(radius * std::sin(zenith) * std::cos(azimuth), radius * std::cos(zenith),
                     radius * std::sin(zenith) * std::sin(azimuth));
}

glm::vec3 cameraPositionFromView(const glm::mat4& view) { return -glm::vec3(view[3]); }

glm::vec2 pitchYawFacing(const glm::vec3& direction) {
    float length = glm::length(direction);
    if (!(length > 0.0f)) return glm::vec2(0.0f);
    glm::vec3 d = direction / length;
    float pitch = std::asin(glm::clamp(-d.y, -1.0f, 1.0f)) / kDegreesToRadians;
    float yaw = std::atan2(-d.x, d.z) / kDegreesToRadians;
    return glm::vec2(pitch, yaw < 0.0f ? yaw + 360.0f : yaw);
}

glm::vec3 viewingDirection(float pitchDegrees, float yawDegrees) {
    glm::quat pitch(glm::vec3(pitchDegrees * kDegreesToRadians, 0.0f, 0.0f));
    glm::quat yaw(glm::vec3(0.0f, yawDegrees * kDegreesToRadians, 0.0f));
    glm::vec3 d = glm::conjugate(yaw) * (pitch * glm::vec3(0.0f, 0.0f, 1.0f));
    return glm::normalize(d);
}

} // namespace ViewMath
