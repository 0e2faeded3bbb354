// Grid: mesh from SurfaceMeshes, displacement uniforms straight from the tracks.
#include "objects/GridObject.h"

#include "app/Engine.h"
#include "objects/SurfaceMeshes.h"
#include "sync/EngineTracks.h"

#include <glm/gtc/type_ptr.hpp>

// object.new("grid"): no arguments.
extern const ObjectClass kGridObjectRow{"grid", kGridType,
    [](ObjectArgs&) -> SceneObject* { return new GridObject(64, 8.0f); }};

namespace {
const char* const kVertexPath = "res/shaders/WireframeGrid.vert";
const char* const kFragmentPath = "res/shaders/Wireframe.frag";
const char* const kNoisePath = "res/textures/smoothNoise.png";
} // namespace

bool GridObject::build(Scene* owner) {
    scene = owner;
    const SurfaceMesh grid = buildGridMesh(cellCount, cellSize);
    mesh = createPositionMesh(grid.vertices, grid.indices);
    gEngine->shaderManager.requestShader(&shader, kVertexPath, kFragmentPath, nullptr);
    gEngine->textureManager.requestTexture(&noiseTexture, kNoisePath, false);
    sampler = createSampler(tilingSampler());
    return true;
}

void GridObject::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        glBindVertexArray(mesh.vertexArray);
        glUseProgram(shader.program);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, noiseTexture.id);
        glBindSampler(0, sampler);
        glUniform1i(shader.getUniformLocation("uNoiseTexSampler"), 0);

        SyncDevice& sync = gEngine->syncDevice;
        glm::vec4 bias;
        bias.w = sync.getFloat(tracks::kGridNoise4);
        bias.z = sync.getFloat(tracks::kGridNoise3);
        bias.y = sync.getFloat(tracks::kGridNoise2);
        bias.x = sync.getFloat(tracks::kGridNoise1);
        glUniform4fv(shader.getUniformLocation("uNoiseBias"), 1, glm::value_ptr(bias));
        glUniform1f(shader.getUniformLocation("uNoiseMagnitude"), sync.getFloat(tracks::kGridNoiseMagnitude));
        glm::vec2 scroll;
        scroll.y = sync.getFloat(tracks::kGridNoiseScrollY);
        scroll.x = sync.getFloat(tracks::kGridNoiseScrollX);
        glUniform2fv(shader.getUniformLocation("uNoiseScroll"), 1, glm::value_ptr(scroll));
        glUniform1f(shader.getUniformLocation("uCenterGravity"), sync.getFloat(tracks::kGridCenterGravity));

        glUniformMatrix4fv(shader.getUniformLocation("uProjectionMatrix"), 1, GL_FALSE, glm::value_ptr(scene->projection));
        glUniformMatrix4fv(shader.getUniformLocation("uViewMatrix"), 1, GL_FALSE, glm::value_ptr(scene->view));
        glUniformMatrix4fv(shader.getUniformLocation("uModelMatrix"), 1, GL_FALSE, glm::value_ptr(model));
        const glm::vec4 diffuse(0.09f, 0.79f, 0.9f, 1.0f);
        glUniform4fv(shader.getUniformLocation("uDiffuse"), 1, glm::value_ptr(diffuse));
        glDrawElements(GL_LINES, mesh.indexCount, GL_UNSIGNED_INT, nullptr);
        // Later draws (the post processor) rely on their textures' own filtering.
        glBindSampler(0, 0);
    }
    renderChildren(time, &model);
}

void GridObject::release() {
    gEngine->shaderManager.releaseShader(&shader);
    gEngine->textureManager.releaseTexture(&noiseTexture);
    destroySampler(sampler);
    destroyMesh(mesh);
}
