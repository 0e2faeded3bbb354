// Drifting objects: the matrix comes from DriftMotion; position is the start.
#include "objects/DriftingObject.h"

#include "objects/WireframeDraw.h"

bool DriftingObject::build(Scene* s) {
    scene = s;
    drift = drawDriftParameters();
    return true;
}

void DriftingObject::renderDrifting(const SharedShape& shape, GLsizei indexCount, const glm::vec4& colour,
                                    float time) {
    glm::mat4 model = driftMatrix(position, drift, time);
    if (scene && shape.mesh.valid()) {
        WireframeDraw::begin(shape.mesh, shape.shader, *scene);
        WireframeDraw::setModelAndColour(shape.shader, model, colour);
        glDrawElements(GL_LINES, indexCount, GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &model);
}
