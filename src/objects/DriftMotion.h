// The random drift and spin of needles and flakes as plain data: parameters
// drawn from the standard generator (seeded once by the scene) and the model
// matrix at a given time. No GL here.
#pragma once
#include <glm/glm.hpp>

struct DriftParameters {
    glm::vec3 direction{0.0f};
    float speed = 0.0f;       // units per second along direction
    glm::vec3 spinAxis{0.0f};  // normalised when used, not when stored
    float spinRate = 0.0f;    // degrees per second
    float spinScale = 0.0f;   // uniform; a negative value mirrors the shape
};

// ((rand() % 2001) - 1000) / 1000: [-1, 1] in steps of 0.001.
float randomUnit();

// Nine draws, in the order z, y, x of the direction, speed, z, y, x of the
// axis, spin rate, spin scale: the order fixes which object gets which values.
DriftParameters drawDriftParameters();

// Translated along the drift, spun about the axis, uniformly scaled. The
// object's own rotation and scale play no part.
glm::mat4 driftMatrix(const glm::vec3& position, const DriftParameters& p, float time);
