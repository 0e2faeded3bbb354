// Undersea box and sea floor build and draw.
#include "objects/UnderseaObjects.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "objects/SolidMeshes.h"
#include "sync/EngineTracks.h"

// object.new("underseaBox"): no arguments.
extern const ObjectClass kUnderseaBoxRow{"underseaBox", kUnderseaBoxType,
    [](ObjectArgs&) -> SceneObject* { return new UnderseaBox; }};

// object.new("seaFloorGrid", grid size, spacing)
extern const ObjectClass kSeaFloorGridRow{"seaFloorGrid", kSeaFloorGridType, [](ObjectArgs& args) -> SceneObject* {
    // 6 x (N - 1)^2 indices: below 2 the count wraps around to billions.
    uint32_t gridSize = args.count(2, 2, 4096, "sea floor grid size must be from 2 to 4096");
    float spacing = static_cast<float>(args.number(3));
    return new SeaFloorGrid(gridSize, spacing);
}};

bool UnderseaBox::build(Scene* owner) {
    scene = owner;
    const MeshData data = underseaBoxMesh();
    mesh = createPositionNormalMesh(data.vertices, data.indices);
    draw.requestProgram("res/shaders/Undersea.vert", "res/shaders/Undersea.frag");
    draw.requestTexture(noiseTexture, kNoiseTexturePath, false);
    draw.createSampler(tilingSampler());
    return true;
}

void UnderseaBox::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindTexture(0, GL_TEXTURE_2D, noiseTexture.id, "uNoiseTexSampler");
        draw.setTime(time);
        // Under a cube scene buffer the box draws each face's view, so reflections can show the water.
        draw.setCamera(cameraFor(*this, *scene));
        draw.setModel(model);
        // Culling, depth and blending stay the scene's: back faces culled leaves only the inside.
        glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
        draw.unbind(1);
    }
    renderChildren(time, &model);
}

void UnderseaBox::release() {
    draw.release();
    destroyMesh(mesh);
}

bool SeaFloorGrid::build(Scene* owner) {
    scene = owner;
    MeshData data = seaFloorMesh(gridSize, spacing);
    mesh = createPositionNormalMesh(data.vertices, data.indices);
    draw.requestProgram("res/shaders/Seafloor.vert", "res/shaders/Seafloor.frag");
    draw.requestTexture(noiseTexture, kNoiseTexturePath, false);
    draw.createSampler(tilingSampler());
    vertices = std::move(data.vertices);
    return true;
}

void SeaFloorGrid::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindTexture(0, GL_TEXTURE_2D, noiseTexture.id, "uNoiseSampler");
        draw.setCamera(cameraFor(*this, *scene));
        draw.setModel(model);
        draw.setVec3("uSunPosition", scene->sunPosition);
        draw.setVec4("uDiffuse", kCyan);
        SyncDevice& sync = gEngine->syncDevice;
        draw.setFloat("uFogDensity", sync.getFloat(tracks::kSeaFloorFogDensity));
        draw.setVec3("uFogColor",
                     glm::vec3(sync.getFloat(tracks::kSeaFloorFogR), sync.getFloat(tracks::kSeaFloorFogG),
                               sync.getFloat(tracks::kSeaFloorFogB)));
        glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, nullptr);
        draw.unbind(1);
    }
    renderChildren(time, &model);
}

void SeaFloorGrid::release() {
    vertices = std::vector<float>();
    draw.release();
    destroyMesh(mesh);
}
