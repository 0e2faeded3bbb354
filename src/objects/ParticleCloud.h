// A cloud of point particles that the geometry stage turns into soft sprites:
// a box of random points with random unit directions and two random scalars,
// made once at build from the engine's random sequence; the shaders animate
// them from the time and the "Particles." and "SeaFloor." fog tracks.
// Builds on gfx/Mesh.h, the shader manager and sync; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <cstdint>
#include <vector>

struct Particle {
    glm::vec3 offset;     // inside the cloud's box, relative to the object
    glm::vec3 direction;  // unit length
    float unitRandom;     // [0, 1]
    float scaledRandom;   // [0, 5]
};
static_assert(sizeof(Particle) == 32, "the vertex layout reads 32-byte particles");

constexpr int64_t kMaxParticles = 10000000;

// Nine draws a particle: offset z, y, x; direction z, y, x; the two scalars;
// one more that is unused but keeps the sequence in step.
std::vector<Particle> generateParticles(uint32_t count, const glm::vec3& boxSize);
// translation(position) x rotation(Euler degrees): the object's matrix without its scale.
glm::mat4 unscaledModelMatrix(const glm::vec3& position, const glm::vec3& rotation);

inline constexpr int kParticleCloudType = 15;

class ParticleCloud : public SceneObject {
public:
    ParticleCloud(uint32_t particleCount, const glm::vec3& color) : particleCount(particleCount), color(color) {}

    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kParticleCloudType; }

    Mesh mesh;
    DrawState draw;
    Scene* scene = nullptr;
    uint32_t particleCount;
    std::vector<Particle> particles;  // kept until release
    glm::vec3 color;
    glm::vec3 startPosition{0.0f};
};
