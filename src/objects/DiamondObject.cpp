// Diamond build and draw.
#include "objects/DiamondObject.h"

#include "app/Engine.h"
#include "objects/SolidDraw.h"

// object.new("diamond"): no arguments.
extern const ObjectClass kDiamondObjectRow{"diamond", kDiamondType,
    [](ObjectArgs&) -> SceneObject* { return new DiamondObject; }};

bool DiamondObject::build(Scene* owner) {
    scene = owner;
    if (!SolidDraw::loadModel("res/models/Round_Diamond_03.exm", 6, "Failed to load model exm!", model)) return false;
    mesh = SolidDraw::uploadPositionNormal(model.vertices.data(), model.vertices.size(), model.indices.data(),
                                           model.indices.size());
    freeExm(model);
    requestResources("res/shaders/Diamond.vert", "res/shaders/Diamond.frag");
    return true;
}

void DiamondObject::render(float time, const glm::mat4*) {
    const glm::mat4 matrix = localModelMatrix();
    if (mesh.valid()) {
        beginDraw(0, matrix);
        SolidDraw::setVec3(shader, "uCameraPosition", scene->cameraPosition);
        SolidDraw::setFloat(shader, "uTime", time);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(model.indexCount), GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &matrix);
}
