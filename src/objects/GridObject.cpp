// Grid: mesh from SurfaceMeshes, displacement uniforms straight from the tracks.
#include "objects/GridObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "objects/SurfaceMeshes.h"
#include "sync/EngineTracks.h"

// object.new("grid"): no arguments.
extern const ObjectClass kGridObjectRow{"grid", kGridType,
    [](ObjectArgs&) -> SceneObject* { return new GridObject(64, 8.0f); }};

namespace {
const char* const kVertexPath = "res/shaders/WireframeGrid.vert";
const char* const kNoisePath = "res/textures/smoothNoise.png";
} // namespace

bool GridObject::build(Scene* owner) {
    scene = owner;
    const SurfaceMesh grid = buildGridMesh(cellCount, cellSize);
    mesh = createPositionMesh(grid.vertices, grid.indices);
    draw.requestProgram(kVertexPath, kWireframeFragmentPath);
    draw.requestTexture(noiseTexture, kNoisePath, false);
    draw.createSampler(tilingSampler());
    return true;
}

void GridObject::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindTexture(0, GL_TEXTURE_2D, noiseTexture.id, "uNoiseTexSampler");

        SyncDevice& sync = gEngine->syncDevice;
        glm::vec4 bias;
        bias.w = sync.getFloat(tracks::kGridNoise4);
        bias.z = sync.getFloat(tracks::kGridNoise3);
        bias.y = sync.getFloat(tracks::kGridNoise2);
        bias.x = sync.getFloat(tracks::kGridNoise1);
        draw.setVec4("uNoiseBias", bias);
        draw.setFloat("uNoiseMagnitude", sync.getFloat(tracks::kGridNoiseMagnitude));
        glm::vec2 scroll;
        scroll.y = sync.getFloat(tracks::kGridNoiseScrollY);
        scroll.x = sync.getFloat(tracks::kGridNoiseScrollX);
        draw.setVec2("uNoiseScroll", scroll);
        draw.setFloat("uCenterGravity", sync.getFloat(tracks::kGridCenterGravity));

        draw.setSceneMatrices(*scene, model);
        draw.setVec4("uDiffuse", kCyan);
        glDrawElements(GL_LINES, mesh.indexCount, GL_UNSIGNED_INT, nullptr);
        draw.unbind(1);
    }
    renderChildren(time, &model);
}

void GridObject::release() {
    draw.release();
    destroyMesh(mesh);
}
