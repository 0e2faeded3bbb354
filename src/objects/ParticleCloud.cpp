// Particle generation and the cloud's draw. The object's scale sizes the box
// at build and is not part of the model matrix.
#include "objects/ParticleCloud.h"

#include "app/Engine.h"
#include "core/Random.h"
#include "scene/ViewMath.h"
#include "sync/EngineTracks.h"

// object.new("particleCloud", count, colour)
extern const ObjectClass kParticleCloudRow{"particleCloud", kParticleCloudType, [](ObjectArgs& args) -> SceneObject* {
    int64_t count = args.integer(2);
    if (count < 0 || count > kMaxParticles) args.refuse(2, "particle count must be from 0 to 10000000");
    glm::vec3 color = args.vector(3);
    return new ParticleCloud(static_cast<uint32_t>(count), color);
}};

namespace {
float unitDraw() { return static_cast<float>(engineRand()) / 32767.0f; }
} // namespace

std::vector<Particle> generateParticles(uint32_t count, const glm::vec3& boxSize) {
    std::vector<Particle> particles(count);
    for (Particle& p : particles) {
        p.offset.z = (unitDraw() - 0.5f) * boxSize.z;
        p.offset.y = (unitDraw() - 0.5f) * boxSize.y;
        p.offset.x = (unitDraw() - 0.5f) * boxSize.x;
        const float dz = unitDraw() * 2.0f - 1.0f;
        const float dy = unitDraw() * 2.0f - 1.0f;
        const float dx = unitDraw() * 2.0f - 1.0f;
        const float inverseLength = 1.0f / std::sqrt(dx * dx + dy * dy + dz * dz);
        p.direction = glm::vec3(dx, dy, dz) * inverseLength;
        p.unitRandom = unitDraw();
        p.scaledRandom = unitDraw() * 5.0f;
        engineRand();
    }
    return particles;
}

glm::mat4 unscaledModelMatrix(const glm::vec3& position, const glm::vec3& rotation) {
    return ViewMath::modelMatrix(position, rotation, glm::vec3(1.0f));
}

bool ParticleCloud::build(Scene* owner) {
    scene = owner;
    particles = generateParticles(particleCount, scale);
    MeshDesc desc;
    desc.vertices = particles.data();
    desc.vertexBytes = particles.size() * sizeof(Particle);
    mesh = createMesh(desc, {{0, 3, 32, 0}, {1, 3, 32, 12}, {2, 1, 32, 24}, {3, 1, 32, 28}});
    draw.requestProgram("res/shaders/ParticleCloud.vert", "res/shaders/ParticleCloud.frag",
                        "res/shaders/PointSprite.geom");
    startPosition = position;
    return true;
}

void ParticleCloud::render(float time, const glm::mat4*) {
    const glm::mat4 model = unscaledModelMatrix(position, rotation);
    if (mesh.valid()) {
        draw.bind(mesh);
        SyncDevice& sync = gEngine->syncDevice;
        draw.setSceneMatrices(*scene, model);
        draw.setTime(time);
        draw.setVec3("uColor", color);
        draw.setFloat("uCollect", sync.getFloat(tracks::kParticlesCollect));
        draw.setFloat("uSpiral", sync.getFloat(tracks::kParticlesSpiral));
        draw.setVec3("uStartPosition", startPosition);
        draw.setFloat("uFogDensity", sync.getFloat(tracks::kSeaFloorFogDensity));
        glm::vec3 fog;
        fog.b = sync.getFloat(tracks::kSeaFloorFogB);
        fog.g = sync.getFloat(tracks::kSeaFloorFogG);
        fog.r = sync.getFloat(tracks::kSeaFloorFogR);
        draw.setVec3("uFogColor", fog);
        // Sprites blend over what is drawn and do not hide each other.
        glEnable(GL_BLEND);
        glDepthMask(GL_FALSE);
        glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(particleCount));
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        draw.unbind();
    }
    renderChildren(time, &model);
}

void ParticleCloud::release() {
    draw.release();
    destroyMesh(mesh);
    particles = std::vector<Particle>();
}
