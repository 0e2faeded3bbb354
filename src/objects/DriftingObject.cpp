// Drifting objects: the matrix comes from DriftMotion; position is the start.
#include "objects/DriftingObject.h"

#include "app/Engine.h"

bool DriftingObject::build(Scene* s) {
    scene = s;
    drift = drawDriftParameters();
    return true;
}

void DriftingObject::renderDrifting(SharedShape& shape, GLsizei indexCount, const glm::vec4& colour,
                                    float time) {
    glm::mat4 model = driftMatrix(position, drift, time);
    if (scene && shape.mesh.valid()) {
        shape.draw.bind(shape.mesh);
        shape.draw.setSceneMatrices(*scene, model);
        shape.draw.setVec4("uDiffuse", colour);
        glDrawElements(GL_LINES, indexCount, GL_UNSIGNED_INT, nullptr);
        shape.draw.unbind();
    }
    renderChildren(time, &model);
}
