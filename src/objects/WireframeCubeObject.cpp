// Wireframe cube: 8 corners, 12 edges as 24 line indices.
#include "objects/WireframeCubeObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "objects/WireframeShapes.h"

// object.new("cube"): no arguments.
extern const ObjectClass kWireframeCubeObjectRow{"cube", kWireframeCubeType,
    [](ObjectArgs&) -> SceneObject* { return new WireframeCubeObject; }};

bool WireframeCubeObject::build(Scene* s) {
    scene = s;
    mesh = createPositionMesh(WireframeShapes::kCubeVertices, sizeof WireframeShapes::kCubeVertices,
                              WireframeShapes::kCubeIndices, sizeof WireframeShapes::kCubeIndices);
    draw.requestProgram(kWireframeVertexPath, kWireframeFragmentPath);
    return true;
}

void WireframeCubeObject::render(float time, const glm::mat4*) {
    glm::mat4 model = localModelMatrix();
    // An object linked after the tree was built has nothing to draw until the next load.
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.setSceneMatrices(*scene, model);
        draw.setVec4("uDiffuse", kYellow);
        glDrawElements(GL_LINES, 24, GL_UNSIGNED_INT, nullptr);
        draw.unbind();
    }
    renderChildren(time, &model);
}

void WireframeCubeObject::release() {
    draw.release();
    destroyMesh(mesh);
}
