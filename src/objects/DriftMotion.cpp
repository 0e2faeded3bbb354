// Drift parameters and matrices for needles and flakes.
#include "objects/DriftMotion.h"

#include "core/Random.h"
#include "scene/ViewMath.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cstdlib>

float randomUnit() { return static_cast<float>(((engineRand() % 2001) - 1000) / 1000.0); }

DriftParameters drawDriftParameters() {
    DriftParameters p;
    p.direction.z = randomUnit();
    p.direction.y = randomUnit();
    p.direction.x = randomUnit();
    p.speed = randomUnit() * 5.0f;
    p.spinAxis.z = randomUnit();
    p.spinAxis.y = randomUnit();
    p.spinAxis.x = randomUnit();
    p.spinRate = randomUnit() * 90.0f;
    p.spinScale = randomUnit() * 0.75f;
    return p;
}

glm::mat4 driftMatrix(const glm::vec3& position, const DriftParameters& p, float time) {
    glm::vec3 at = position + p.direction * p.speed * time;
    glm::mat4 m = glm::translate(glm::mat4(1.0f), at);
    m = glm::rotate(m, p.spinRate * time * ViewMath::kDegreesToRadians, glm::normalize(p.spinAxis));
    return glm::scale(m, glm::vec3(p.spinScale));
}
