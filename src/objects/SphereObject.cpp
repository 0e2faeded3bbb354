// Sphere build and draw.
#include "objects/SphereObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "objects/SolidMeshes.h"

// object.new("sphere", rings, sectors, radius)
extern const ObjectClass kSphereObjectRow{"sphere", kSphereType, [](ObjectArgs& args) -> SceneObject* {
    // The ring spacing divides by rings - 1; zero sectors leave nothing to draw.
    uint32_t rings = args.count(2, 2, 4096, "sphere rings must be from 2 to 4096");
    uint32_t sectors = args.count(3, 1, 4096, "sphere sectors must be from 1 to 4096");
    float radius = static_cast<float>(args.number(4));
    if (!std::isfinite(radius)) args.refuse(4, "sphere radius must be finite");
    return new SphereObject(rings, sectors, radius);
}};

bool SphereObject::build(Scene* owner) {
    scene = owner;
    const MeshData data = sphereMesh(rings, sectors, radius);
    vertexCount = static_cast<uint32_t>(data.vertices.size() / 6);
    indexCount = static_cast<uint32_t>(data.indices.size());
    mesh = createPositionNormalMesh(data.vertices, data.indices);
    draw.requestProgram("res/shaders/VN.vert", "res/shaders/Reflect.frag");
    draw.requestTexture(skyboxTexture, kSkyboxTexturePath, true);
    draw.createSampler(environmentSampler());
    return true;
}

void SphereObject::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    // An object linked after the tree was built has nothing to draw until the next load.
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindEnvironment(0, environmentCubeMap(scene), skyboxTexture, "uSkyboxSampler");
        draw.setCamera(sceneCamera(*scene));
        draw.setModel(model);
        draw.setVec3("uSunPosition", scene->sunPosition);
        draw.setVec4("uDiffuse", kYellow);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);
        draw.unbind(1);
    }
    renderChildren(time, &model);
}

void SphereObject::release() {
    draw.release();
    destroyMesh(mesh);
}
