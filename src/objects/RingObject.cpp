// Ring: the mesh comes from WireframeShapes; only the upload happens here.
#include "objects/RingObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "objects/WireframeShapes.h"

bool RingObject::build(Scene* s) {
    scene = s;
    WireframeShapes::RingMesh ring = WireframeShapes::buildRingMesh(radius, stepDegrees);
    segmentCount = static_cast<uint32_t>(ring.vertices.size());
    mesh = createPositionMesh(ring.vertices, ring.indices);
    draw.requestProgram(kWireframeVertexPath, kWireframeFragmentPath);
    return true;
}

void RingObject::render(float time, const glm::mat4*) {
    glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.setSceneMatrices(*scene, model);
        draw.setVec4("uDiffuse", kCyan);
        GLsizei count = static_cast<GLsizei>(WireframeShapes::ringDrawCount(segmentCount, drawFraction));
        glDrawElements(GL_LINES, count, GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &model);
}

void RingObject::release() {
    draw.release();
    destroyMesh(mesh);
}
