// Sky dome: geometry once at build; per frame the six scattering values and
// the camera of whoever renders it (the scene, or a cube buffer's face).
#include "objects/SkyDome.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "objects/SkyScattering.h"
#include "objects/SurfaceMeshes.h"
#include "sync/EngineTracks.h"

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
} // namespace

bool SkyDome::build(Scene* owner) {
    scene = owner;
    const SurfaceMesh dome = buildDomeMesh(rings, segments, radius);
    vertexCount = static_cast<uint32_t>(dome.vertices.size());
    indexCount = static_cast<uint32_t>(dome.indices.size());
    mesh = createPositionMesh(dome.vertices, dome.indices);
    draw.requestProgram(kVertexPath, kFragmentPath);
    draw.requestTexture(noiseTexture, kNoiseTexturePath, false);
    draw.createSampler(tilingSampler());
    return true;
}

void SkyDome::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindTexture(0, GL_TEXTURE_2D, noiseTexture.id, "uNoiseTexSampler");
        draw.setTime(time);
        draw.setFloat("uRadius", radius);
        draw.setCamera(cameraFor(*this, *scene));
        draw.setModel(model);
        draw.setVec3("uSunPosition", scene->sunPosition);

        SyncDevice& sync = gEngine->syncDevice;
        const glm::vec3 rayleigh = totalRayleigh();
        const glm::vec3 mie = totalMie(sync.getFloat(tracks::kSkyTurbidity));
        draw.setVec3("uTotalRayleigh", rayleigh);
        draw.setVec3("uTotalMie", mie);
        draw.setFloat("uRayleighCoeff", sync.getFloat(tracks::kSkyRayleighCoeff));
        draw.setFloat("uMieCoeff", sync.getFloat(tracks::kSkyMieCoeff));
        draw.setFloat("uMieG", sync.getFloat(tracks::kSkyMieG));
        draw.setFloat("uSunIntensity", sync.getFloat(tracks::kSunIntensity));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);
        draw.unbind(1);
    }
    renderChildren(time, &model);
}

void SkyDome::release() {
    draw.release();
    destroyMesh(mesh);
}
