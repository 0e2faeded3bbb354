// The school of fish as plain data: boids that steer by separation, alignment
// and cohesion over the neighbours they can see, updated in place in index
// order, and the per-instance model matrices the renderer uploads. Draws its
// start state from the engine's random sequence; no GL here.
#pragma once
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cstddef>
#include <vector>

class Flock;

struct Boid {
    Flock* flock = nullptr;
    glm::vec3 position{0.0f};
    glm::vec3 velocity{0.0f};
    glm::quat orientation{1.0f, 0.0f, 0.0f, 0.0f};  // w first in GLM's constructor; not normalised
    glm::vec3 heading{0.0f, 0.0f, -1.0f};
    float maxSpeed = 5.0f;
    float size = 1.0f;
    float viewRadius = 5.0f;

    // Stores the flock and draws eight values: position z, y, x; velocity z, y, x; maxSpeed; size.
    void init(Flock* owner);
    // One steering and integration step; `step` in seconds, negative runs backwards.
    void update(float step);
};

class Flock {
public:
    void init(size_t count);
    void clear() { boids.clear(); }
    void update(float step);
    // Appends the boids `self` can see: closer than its view radius, not at
    // its very position, and not more than 120 degrees off its heading.
    void findNeighbours(const Boid& self, std::vector<const Boid*>& out) const;

    std::vector<Boid> boids;
    // Each boid's neighbours while it updates: one list for the whole flock,
    // sized once by init, so that a step allocates nothing.
    std::vector<const Boid*> neighbours;
};

// The orientation that turns the model's forward axis (0, 0, -1) onto `heading`.
glm::quat headingOrientation(const glm::vec3& heading);
// translation(position) x rotation(orientation, as stored) x uniform scale(size).
glm::mat4 boidMatrix(const Boid& boid);
// `count` identity matrices with the first boids' matrices written over them.
void fillBoidMatrices(const Flock& flock, glm::mat4* matrices, size_t count);
