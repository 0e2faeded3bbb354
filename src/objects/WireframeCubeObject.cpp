// Wireframe cube: 8 corners, 12 edges as 24 line indices.
#include "objects/WireframeCubeObject.h"

#include "objects/WireframeDraw.h"
#include "objects/WireframeShapes.h"

// object.new("cube"): no arguments.
extern const ObjectClass kWireframeCubeObjectRow{"cube", kWireframeCubeType,
    [](ObjectArgs&) -> SceneObject* { return new WireframeCubeObject; }};

bool WireframeCubeObject::build(Scene* s) {
    scene = s;
    WireframeDraw::create(mesh, shader, WireframeShapes::kCubeVertices, sizeof WireframeShapes::kCubeVertices,
                          WireframeShapes::kCubeIndices, sizeof WireframeShapes::kCubeIndices);
    return true;
}

void WireframeCubeObject::render(float time, const glm::mat4*) {
    glm::mat4 model = localModelMatrix();
    // An object linked after the tree was built has nothing to draw until the next load.
    if (mesh.valid()) {
        WireframeDraw::begin(mesh, shader, *scene);
        WireframeDraw::setModelAndColour(shader, model, glm::vec4(0.89f, 0.88f, 0.09f, 1.0f));
        glDrawElements(GL_LINES, 24, GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &model);
}

void WireframeCubeObject::release() {
    WireframeDraw::release(mesh, shader);
}
