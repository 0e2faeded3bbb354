// Radial grid: one static disc; per frame only uniforms change.
#include "objects/RadialGrid.h"

#include "app/Engine.h"
#include "objects/SurfaceMeshes.h"

#include <glm/gtc/type_ptr.hpp>

// object.new("radial_grid"): no arguments.
extern const ObjectClass kRadialGridRow{"radial_grid", kRadialGridType,
    [](ObjectArgs&) -> SceneObject* { return new RadialGrid; }};

namespace {
const char* const kVertexPath = "res/shaders/Water.vert";
const char* const kFragmentPath = "res/shaders/Water.frag";
const char* const kWaterPath = "res/textures/ocean.png";
const char* const kSkyboxPath = "res/textures/SkyboxTex.jpg";
} // namespace

bool RadialGrid::build(Scene* owner) {
    scene = owner;
    const SurfaceMesh disc = buildRadialGridMesh();
    vertexCount = static_cast<uint32_t>(disc.vertices.size());
    indexCount = static_cast<uint32_t>(disc.indices.size());
    mesh = createPositionMesh(disc.vertices, disc.indices);
    gEngine->shaderManager.requestShader(&shader, kVertexPath, kFragmentPath, nullptr);
    gEngine->textureManager.requestTexture(&waterTexture, kWaterPath, false);
    gEngine->textureManager.requestTexture(&skyboxTexture, kSkyboxPath, true);
    sampler = createSampler(tilingSampler());
    return true;
}

void RadialGrid::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        glBindVertexArray(mesh.vertexArray);
        glUseProgram(shader.program);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, waterTexture.id);
        glActiveTexture(GL_TEXTURE1);
        // The manager's stand-in is 2D: until the cross has loaded, unit 1
        // keeps whatever cube map it had.
        if (skyboxTexture.isCubeMap) glBindTexture(GL_TEXTURE_CUBE_MAP, skyboxTexture.id);
        glBindSampler(0, sampler);
        glBindSampler(1, sampler);
        glUniform1i(shader.getUniformLocation("uNoiseTexSampler"), 0);
        glUniform1i(shader.getUniformLocation("uSkyboxSampler"), 1);

        glUniformMatrix4fv(shader.getUniformLocation("uProjectionMatrix"), 1, GL_FALSE, glm::value_ptr(scene->projection));
        glUniformMatrix4fv(shader.getUniformLocation("uViewMatrix"), 1, GL_FALSE, glm::value_ptr(scene->view));
        glUniformMatrix4fv(shader.getUniformLocation("uModelMatrix"), 1, GL_FALSE, glm::value_ptr(model));
        const glm::vec3 light(0.0f, 5000.0f, 0.0f);
        glUniform3fv(shader.getUniformLocation("uLightPos"), 1, glm::value_ptr(light));
        const glm::vec4 diffuse(0.09f, 0.79f, 0.9f, 1.0f);
        glUniform4fv(shader.getUniformLocation("uDiffuse"), 1, glm::value_ptr(diffuse));
        glUniform1f(shader.getUniformLocation("uTime"), time);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);
        // Later draws (the post processor) rely on their textures' own filtering.
        glBindSampler(0, 0);
        glBindSampler(1, 0);
    }
    renderChildren(time, &model);
}

void RadialGrid::release() {
    gEngine->shaderManager.releaseShader(&shader);
    gEngine->textureManager.releaseTexture(&waterTexture);
    gEngine->textureManager.releaseTexture(&skyboxTexture);
    destroySampler(sampler);
    destroyMesh(mesh);
}
