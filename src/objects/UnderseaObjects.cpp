// Undersea box and sea floor build and draw.
#include "objects/UnderseaObjects.h"

#include "app/Engine.h"
#include "objects/SolidDraw.h"
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

const char* const kNoiseTexturePath = "res/textures/noise.png";

void NoiseMeshObject::buildMesh(Scene* owner, const MeshData& data, const char* vertexPath, const char* fragmentPath) {
    scene = owner;
    mesh = SolidDraw::uploadPositionNormal(data);
    gEngine->shaderManager.requestShader(&shader, vertexPath, fragmentPath, nullptr);
    gEngine->textureManager.requestTexture(&noiseTexture, kNoiseTexturePath, false);
    sampler = SolidDraw::createRepeatSampler();
}

void NoiseMeshObject::beginDraw(const char* samplerName) {
    glBindVertexArray(mesh.vertexArray);
    glUseProgram(shader.program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, noiseTexture.id);
    glBindSampler(0, sampler);
    SolidDraw::setInt(shader, samplerName, 0);
}

void NoiseMeshObject::release() {
    gEngine->shaderManager.releaseShader(&shader);
    gEngine->textureManager.releaseTexture(&noiseTexture);
    destroySampler(sampler);
    destroyMesh(mesh);
}

bool UnderseaBox::build(Scene* owner) {
    buildMesh(owner, underseaBoxMesh(), "res/shaders/Undersea.vert", "res/shaders/Undersea.frag");
    return true;
}

void UnderseaBox::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        beginDraw("uNoiseTexSampler");
        // Under a cube scene buffer the box draws each face's view, so reflections can show the water.
        const SolidDraw::CameraView camera = SolidDraw::cameraFor(*this, *scene);
        SolidDraw::setFloat(shader, "uTime", time);
        SolidDraw::setMat4(shader, "uProjectionMatrix", camera.projection);
        SolidDraw::setMat4(shader, "uViewMatrix", camera.view);
        SolidDraw::setMat4(shader, "uModelMatrix", model);
        SolidDraw::setVec3(shader, "uCameraPosition", camera.position);
        // Culling, depth and blending stay the scene's: back faces culled leaves only the inside.
        glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &model);
}

bool SeaFloorGrid::build(Scene* owner) {
    MeshData data = seaFloorMesh(gridSize, spacing);
    buildMesh(owner, data, "res/shaders/Seafloor.vert", "res/shaders/Seafloor.frag");
    vertices = std::move(data.vertices);
    return true;
}

void SeaFloorGrid::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        beginDraw("uNoiseSampler");
        const SolidDraw::CameraView camera = SolidDraw::cameraFor(*this, *scene);
        SolidDraw::setMat4(shader, "uProjectionMatrix", camera.projection);
        SolidDraw::setMat4(shader, "uViewMatrix", camera.view);
        SolidDraw::setMat4(shader, "uModelMatrix", model);
        SolidDraw::setVec3(shader, "uSunPosition", scene->sunPosition);
        SolidDraw::setVec3(shader, "uCameraPosition", camera.position);
        SolidDraw::setVec4(shader, "uDiffuse", glm::vec4(0.09f, 0.79f, 0.9f, 1.0f));
        SyncDevice& sync = gEngine->syncDevice;
        SolidDraw::setFloat(shader, "uFogDensity", sync.getFloat(tracks::kSeaFloorFogDensity));
        SolidDraw::setVec3(shader, "uFogColor",
                           glm::vec3(sync.getFloat(tracks::kSeaFloorFogR), sync.getFloat(tracks::kSeaFloorFogG),
                                     sync.getFloat(tracks::kSeaFloorFogB)));
        glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &model);
}

void SeaFloorGrid::release() {
    vertices = std::vector<float>();
    NoiseMeshObject::release();
}
