// Sphere build and draw.
#include "objects/SphereObject.h"

#include "app/Engine.h"
#include "objects/SolidDraw.h"
#include "postfx/SceneCubeBufferObject.h"

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
    mesh = SolidDraw::uploadPositionNormal(data);
    requestResources("res/shaders/VN.vert", "res/shaders/Reflect.frag");
    return true;
}

void SphereObject::render(float time, const glm::mat4*) {
    const glm::mat4 model = localModelMatrix();
    // An object linked after the tree was built has nothing to draw until the next load.
    if (mesh.valid()) {
        const SceneCubeBufferObject* cube = SolidDraw::topLevelCubeBuffer(*scene);
        beginDraw(cube ? cube->cubeFrameBuffer.getTexture() : 0, model);
        SolidDraw::setVec3(shader, "uSunPosition", scene->sunPosition);
        SolidDraw::setVec3(shader, "uCameraPosition", scene->cameraPosition);
        SolidDraw::setVec4(shader, "uDiffuse", glm::vec4(0.89f, 0.88f, 0.09f, 1.0f));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &model);
}
