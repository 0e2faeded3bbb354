// Ocean: the simulation lives in OceanWaves; here the vertex stream is
// orphaned and refilled each frame and the patch drawn 64 times.
#include "objects/OceanGrid.h"

#include "app/Engine.h"
#include "core/Profile.h"
#include "core/StateFolder.h"
#include "objects/FftWisdom.h"
#include "objects/ShowAssets.h"
#include "objects/SurfaceMeshes.h"
#include "sync/EngineTracks.h"

#include <cstddef>

// object.new("ocean", grid size, spacing, amplitude, wind speed, wind x, wind y)
extern const ObjectClass kOceanGridRow{"ocean", kOceanGridType, [](ObjectArgs& args) -> SceneObject* {
    // The half-size indexing and the sign pattern need an even N; above 1024
    // the arrays would take gigabytes.
    const char* sizeLimit = "ocean grid size must be even, from 2 to 1024";
    OceanParameters p;
    p.gridSize = args.count(2, 2.0, 1024.0, sizeLimit);
    if (p.gridSize % 2 != 0) args.refuse(2, sizeLimit);
    p.spacing = static_cast<float>(args.number(3));
    if (!(std::isfinite(p.spacing) && p.spacing > 0.0f)) args.refuse(3, "ocean spacing must be finite and above 0");
    p.amplitude = static_cast<float>(args.number(4));
    p.windSpeed = static_cast<float>(args.number(5));
    p.windDirection.x = static_cast<float>(args.number(6));
    p.windDirection.y = static_cast<float>(args.number(7));
    // The direction is normalised: zero (or a length that overflows) has no direction.
    const float length = glm::length(p.windDirection);
    if (!(std::isfinite(length) && length > 0.0f)) args.refuse(6, "ocean wind direction must be finite and not (0, 0)");
    return new OceanGrid(p);
}};

namespace {
const char* const kVertexPath = "res/shaders/Ocean.vert";
const char* const kFragmentPath = "res/shaders/Ocean.frag";
const char* const kEnvironmentPath = "res/textures/CubeTest.png";
const GLsizei kInstances = 64;  // 8 x 8 patches, laid out by the vertex shader
} // namespace

bool OceanGrid::build(Scene* owner) {
    scene = owner;
    waves.init(parameters, StateFolder::path(FftWisdom::kFileName));
    const std::vector<OceanVertex>& vertices = waves.vertexData();
    const std::vector<uint32_t> indices = buildOceanIndices(waves.size());
    MeshDesc desc;
    desc.vertices = vertices.data();
    desc.vertexBytes = vertices.size() * sizeof(OceanVertex);
    desc.vertexUsage = GL_STREAM_DRAW;
    desc.indices = indices.data();
    desc.indexBytes = indices.size() * sizeof(uint32_t);
    const GLsizei stride = sizeof(OceanVertex);
    mesh = createMesh(desc, {{0, 3, stride, offsetof(OceanVertex, position)},
                             {1, 3, stride, offsetof(OceanVertex, normal), true},
                             {2, 3, stride, offsetof(OceanVertex, displacement)}});

    draw.requestProgram(kVertexPath, kFragmentPath);
    draw.requestTexture(environmentTexture, kEnvironmentPath, true);
    draw.requestTexture(noiseTexture, kNoiseTexturePath, false);
    draw.createSampler(environmentSampler());
    updateWaves(0.0f);
    return true;
}

void OceanGrid::updateWaves(float time) {
    profile::Scope timed(profile::kOcean);
    SyncDevice& sync = gEngine->syncDevice;
    const bool goodNormals = sync.getBool(tracks::kOceanGoodNormals);
    const float displacementScale = sync.getFloat(tracks::kDisplacementScale);
    waves.update(time, displacementScale, goodNormals);
    const std::vector<OceanVertex>& vertices = waves.vertexData();
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(vertices.size() * sizeof(OceanVertex));
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    // Orphan first, so the driver need not wait for last frame's draw.
    glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
    glBufferData(GL_ARRAY_BUFFER, bytes, vertices.data(), GL_STREAM_DRAW);
}

void OceanGrid::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindEnvironment(0, environmentCubeMap(scene), environmentTexture, "uSkyboxSampler");
        draw.bindTexture(1, GL_TEXTURE_2D, noiseTexture.id, "uNoiseSampler");
        const float n = static_cast<float>(parameters.gridSize);
        draw.setFloat("uPatchLength", n * parameters.spacing - parameters.spacing);
        draw.setFloat("uSurfaceLength", 8.0f);
        draw.setFloat("uTiltAngle", gEngine->syncDevice.getFloat(tracks::kOceanTiltAngle));

        updateWaves(time);

        draw.setCamera(sceneCamera(*scene));
        draw.setModel(model);
        draw.setVec3("uSunPosition", scene->sunPosition);
        draw.setVec4("uDiffuse", kCyan);

        glDisable(GL_CULL_FACE);
        glDrawElementsInstanced(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, nullptr, kInstances);
        glEnable(GL_CULL_FACE);
        draw.unbind(2);
    }
    renderChildren(time, &model);
}

void OceanGrid::release() {
    waves.release();
    draw.release();
    destroyMesh(mesh);
}
