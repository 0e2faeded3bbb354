// Flocking step. Boids are updated in place, so each one sees the new state of
// the boids before it and the old state of those after it.
#include "objects/Flock.h"

#include "core/Random.h"

#include <cmath>

namespace {
// (2r - 32768) in integers, then scaled: the divisor is deliberately not 32767.
float centredDraw(float range) { return static_cast<float>(2 * engineRand() - 32768) / 32762.0f * range; }

float unitDraw() { return static_cast<float>(engineRand()) / 32767.0f; }

glm::vec3 normalisedIfNonZero(const glm::vec3& v) {
    const float length = glm::length(v);
    return length > 0.0f ? v / length : v;
}
} // namespace

void Boid::init(Flock* owner) {
    flock = owner;
    position.z = centredDraw(10.0f);
    position.y = centredDraw(10.0f);
    position.x = centredDraw(10.0f);
    velocity.z = centredDraw(3.0f);
    velocity.y = centredDraw(3.0f);
    velocity.x = centredDraw(3.0f);
    maxSpeed = unitDraw() * 5.0f;
    size = unitDraw();
}

glm::quat headingOrientation(const glm::vec3& heading) {
    // (cross(forward, heading), 1 + dot(forward, heading)) with forward = (0, 0, -1).
    return glm::quat(1.0f - heading.z, heading.y, -heading.x, 0.0f);
}

void Boid::update(float step) {
    static const std::vector<const Boid*> kNone;
    if (flock) {
        flock->neighbours.clear();
        flock->findNeighbours(*this, flock->neighbours);
    }
    const std::vector<const Boid*>& neighbours = flock ? flock->neighbours : kNone;
    if (!neighbours.empty()) {
        glm::vec3 separation(0.0f), alignment(0.0f), centre(0.0f);
        for (const Boid* b : neighbours) {
            separation += position - b->position;
            alignment += b->heading;
            centre += b->position;
        }
        const glm::vec3 cohesion = centre / static_cast<float>(neighbours.size()) - position;
        const glm::vec3 steer = normalisedIfNonZero(
            normalisedIfNonZero(cohesion) + (normalisedIfNonZero(alignment) + normalisedIfNonZero(separation)));
        velocity += steer * maxSpeed * step;
        const float speed = glm::length(velocity);
        if (speed > 0.0f && speed > maxSpeed) velocity *= maxSpeed / speed;
        heading = normalisedIfNonZero(velocity);
        orientation = headingOrientation(heading);
    }
    position += velocity * step;
}

void Flock::init(size_t count) {
    boids.assign(count, Boid());
    for (Boid& boid : boids) boid.init(this);
    neighbours.clear();
    neighbours.reserve(count);
}

void Flock::update(float step) {
    for (Boid& boid : boids) boid.update(step);
}

void Flock::findNeighbours(const Boid& self, std::vector<const Boid*>& out) const {
    const float radius2 = self.viewRadius * self.viewRadius;
    for (const Boid& b : boids) {
        if (&b == &self) continue;
        const glm::vec3 d = b.position - self.position;
        const float dist2 = glm::dot(d, d);
        // Written so that a NaN anywhere fails the test and excludes b.
        if (dist2 < radius2 && dist2 > 0.0f && glm::dot(self.heading, d / std::sqrt(dist2)) >= -0.5f)
            out.push_back(&b);
    }
}

glm::mat4 boidMatrix(const Boid& boid) {
    // The stored orientation is not of unit length; converted as it is, it
    // would shear and stretch the fish. The zero one (heading straight back)
    // converts to the identity either way.
    const float length = glm::length(boid.orientation);
    glm::mat4 m = glm::mat4_cast(length > 0.0f ? boid.orientation / length : boid.orientation);
    m[0] *= boid.size;
    m[1] *= boid.size;
    m[2] *= boid.size;
    m[3] = glm::vec4(boid.position, 1.0f);
    return m;
}

void fillBoidMatrices(const Flock& flock, glm::mat4* matrices, size_t count) {
    for (size_t i = 0; i < count; ++i) matrices[i] = i < flock.boids.size() ? boidMatrix(flock.boids[i]) : glm::mat4(1.0f);
}
