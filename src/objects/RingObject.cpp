// Ring: the mesh comes from WireframeShapes; only the upload happens here.
#include "objects/RingObject.h"

#include "objects/WireframeDraw.h"
#include "objects/WireframeShapes.h"

bool RingObject::build(Scene* s) {
    scene = s;
    WireframeShapes::RingMesh mesh = WireframeShapes::buildRingMesh(radius, stepDegrees);
    segmentCount = static_cast<uint32_t>(mesh.vertices.size());
    WireframeDraw::createBuffers(vertexArray, vertexBuffer, mesh.vertices.data(),
                                 static_cast<GLsizeiptr>(mesh.vertices.size() * sizeof(glm::vec3)), &indexBuffer,
                                 mesh.indices.data(), static_cast<GLsizeiptr>(mesh.indices.size() * sizeof(uint32_t)));
    WireframeDraw::requestShader(shader);
    return true;
}

void RingObject::render(float time, const glm::mat4*) {
    glm::mat4 model = localModelMatrix();
    if (vertexArray) {
        WireframeDraw::begin(vertexArray, shader, vertexBuffer, indexBuffer, *scene);
        WireframeDraw::setModelAndColour(shader, model, glm::vec4(0.09f, 0.79f, 0.9f, 1.0f));
        GLsizei count = static_cast<GLsizei>(WireframeShapes::ringDrawCount(segmentCount, drawFraction));
        glDrawElements(GL_LINES, count, GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &model);
}

void RingObject::release() {
    WireframeDraw::releaseShader(shader);
    WireframeDraw::deleteBuffers(vertexArray, vertexBuffer, &indexBuffer);
}
