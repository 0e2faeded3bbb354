// Radial grid: one static disc; per frame only uniforms change.
#include "objects/RadialGrid.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "objects/SurfaceMeshes.h"

// object.new("radial_grid"): no arguments.
extern const ObjectClass kRadialGridRow{"radial_grid", kRadialGridType,
    [](ObjectArgs&) -> SceneObject* { return new RadialGrid; }};

namespace {
const char* const kVertexPath = "res/shaders/Water.vert";
const char* const kFragmentPath = "res/shaders/Water.frag";
const char* const kWaterPath = "res/textures/ocean.png";
} // namespace

bool RadialGrid::build(Scene* owner) {
    scene = owner;
    const SurfaceMesh disc = buildRadialGridMesh();
    vertexCount = static_cast<uint32_t>(disc.vertices.size());
    indexCount = static_cast<uint32_t>(disc.indices.size());
    mesh = createPositionMesh(disc.vertices, disc.indices);
    draw.requestProgram(kVertexPath, kFragmentPath);
    draw.requestTexture(waterTexture, kWaterPath, false);
    draw.requestTexture(skyboxTexture, kSkyboxTexturePath, true);
    draw.createSampler(tilingSampler());
    return true;
}

void RadialGrid::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindTexture(0, GL_TEXTURE_2D, waterTexture.id, "uNoiseTexSampler");
        glActiveTexture(GL_TEXTURE1);
        // The manager's stand-in is 2D: until the cross has loaded, unit 1
        // keeps whatever cube map it had.
        if (skyboxTexture.isCubeMap) glBindTexture(GL_TEXTURE_CUBE_MAP, skyboxTexture.id);
        glBindSampler(1, draw.sampler);
        draw.setInt("uSkyboxSampler", 1);

        draw.setSceneMatrices(*scene, model);
        draw.setVec3("uLightPos", kLightPosition);
        draw.setVec4("uDiffuse", kCyan);
        draw.setTime(time);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);
        draw.unbind(2);
    }
    renderChildren(time, &model);
}

void RadialGrid::release() {
    draw.release();
    destroyMesh(mesh);
}
