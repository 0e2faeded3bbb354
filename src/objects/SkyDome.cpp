// Sky dome: geometry once at build; per frame the six scattering values and
// the camera of whoever renders it (the scene, or a cube buffer's face).
#include "objects/SkyDome.h"

#include "app/Engine.h"
#include "objects/SkyScattering.h"
#include "objects/SurfaceMeshes.h"
#include "postfx/SceneCubeBufferObject.h"
#include "sync/EngineTracks.h"

#include <glm/gtc/type_ptr.hpp>

// object.new("skydome", rings, segments, radius)
extern const ObjectClass kSkyDomeRow{"skydome", kSkyDomeType, [](ObjectArgs& args) -> SceneObject* {
    // One ring divides zero by zero in the ring angles; the caps need a segment.
    const uint32_t rings = args.count(2, 2.0, 2048.0, "sky dome rings must be from 2 to 2048");
    const uint32_t segments = args.count(3, 1.0, 2048.0, "sky dome segments must be from 1 to 2048");
    const float radius = static_cast<float>(args.number(4));
    return new SkyDome(rings, segments, radius);
}};

namespace {
const char* const kVertexPath = "res/shaders/Skydome_Simple.vert";
const char* const kFragmentPath = "res/shaders/Skydome_Simple.frag";
const char* const kNoisePath = "res/textures/noise.png";
} // namespace

bool SkyDome::build(Scene* owner) {
    scene = owner;
    const SurfaceMesh dome = buildDomeMesh(rings, segments, radius);
    vertexCount = static_cast<uint32_t>(dome.vertices.size());
    indexCount = static_cast<uint32_t>(dome.indices.size());
    mesh = createPositionMesh(dome.vertices, dome.indices);
    gEngine->shaderManager.requestShader(&shader, kVertexPath, kFragmentPath, nullptr);
    gEngine->textureManager.requestTexture(&noiseTexture, kNoisePath, false);
    sampler = createSampler(tilingSampler());
    return true;
}

void SkyDome::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        glBindVertexArray(mesh.vertexArray);
        glUseProgram(shader.program);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, noiseTexture.id);
        glBindSampler(0, sampler);
        glUniform1i(shader.getUniformLocation("uNoiseTexSampler"), 0);
        glUniform1f(shader.getUniformLocation("uTime"), time);
        glUniform1f(shader.getUniformLocation("uRadius"), radius);

        const glm::mat4* projection = &scene->projection;
        const glm::mat4* view = &scene->view;
        const glm::vec3* eye = &scene->cameraPosition;
        if (parent && parent->getType() == kSceneCubeBufferType) {
            const auto* cube = static_cast<const SceneCubeBufferObject*>(parent);
            projection = &cube->cubeProjection;
            view = &cube->currentView;
            eye = &cube->currentPosition;
        }
        glUniformMatrix4fv(shader.getUniformLocation("uProjectionMatrix"), 1, GL_FALSE, glm::value_ptr(*projection));
        glUniformMatrix4fv(shader.getUniformLocation("uViewMatrix"), 1, GL_FALSE, glm::value_ptr(*view));
        glUniform3fv(shader.getUniformLocation("uCameraPosition"), 1, glm::value_ptr(*eye));
        glUniformMatrix4fv(shader.getUniformLocation("uModelMatrix"), 1, GL_FALSE, glm::value_ptr(model));
        glUniform3fv(shader.getUniformLocation("uSunPosition"), 1, glm::value_ptr(scene->sunPosition));

        SyncDevice& sync = gEngine->syncDevice;
        const glm::vec3 rayleigh = totalRayleigh();
        const glm::vec3 mie = totalMie(sync.getFloat(tracks::kSkyTurbidity));
        glUniform3fv(shader.getUniformLocation("uTotalRayleigh"), 1, glm::value_ptr(rayleigh));
        glUniform3fv(shader.getUniformLocation("uTotalMie"), 1, glm::value_ptr(mie));
        glUniform1f(shader.getUniformLocation("uRayleighCoeff"), sync.getFloat(tracks::kSkyRayleighCoeff));
        glUniform1f(shader.getUniformLocation("uMieCoeff"), sync.getFloat(tracks::kSkyMieCoeff));
        glUniform1f(shader.getUniformLocation("uMieG"), sync.getFloat(tracks::kSkyMieG));
        glUniform1f(shader.getUniformLocation("uSunIntensity"), sync.getFloat(tracks::kSunIntensity));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);
        // Later draws (the post processor) rely on their textures' own filtering.
        glBindSampler(0, 0);
    }
    renderChildren(time, &model);
}

void SkyDome::release() {
    gEngine->shaderManager.releaseShader(&shader);
    gEngine->textureManager.releaseTexture(&noiseTexture);
    destroySampler(sampler);
    destroyMesh(mesh);
}
