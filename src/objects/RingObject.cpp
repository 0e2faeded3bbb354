// Ring: the mesh comes from WireframeShapes; only the upload happens here.
#include "objects/RingObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "objects/WireframeShapes.h"

#include <algorithm>

// object.new("ring", radius, step in degrees)
extern const ObjectClass kRingObjectRow{"ring", kRingType, [](ObjectArgs& args) -> SceneObject* {
    float radius = static_cast<float>(args.number(2));
    float step = static_cast<float>(args.number(3));
    // 360 / step vertices: a step outside (0, 360] would ask for none or for billions.
    if (!(step > 0.0f && step <= 360.0f)) args.refuse(3, "ring step must be above 0 and at most 360 degrees");
    args.checkSize(3, "ring", RingObject::memoryEstimate(step));  // a step inside the range can still ask for billions
    return new RingObject(radius, step);
}};

bool RingObject::build(Scene* s) {
    scene = s;
    WireframeShapes::RingMesh ring = WireframeShapes::buildRingMesh(radius, stepDegrees);
    segmentCount = static_cast<uint32_t>(ring.vertices.size());
    mesh = createPositionMesh(ring.vertices, ring.indices);
    draw.requestProgram(kWireframeVertexPath, kWireframeFragmentPath);
    return true;
}

uint64_t RingObject::memoryEstimate(float stepDegrees) {
    // A vec3 and two indices per point, built in memory and copied to the GPU.
    // In double: a step small enough overflows the point count's own type.
    const double points = std::min(360.0 / static_cast<double>(stepDegrees), 1e15);
    return static_cast<uint64_t>(2.0 * points * (sizeof(glm::vec3) + 2 * sizeof(uint32_t)));
}

void RingObject::render(float time, const glm::mat4*) {
    glm::mat4 model = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.setSceneMatrices(*scene, model);
        draw.setVec4("uDiffuse", kCyan);
        GLsizei count = static_cast<GLsizei>(WireframeShapes::ringDrawCount(segmentCount, drawFraction));
        glDrawElements(GL_LINES, count, GL_UNSIGNED_INT, nullptr);
        draw.unbind();
    }
    renderChildren(time, &model);
}

void RingObject::release() {
    draw.release();
    destroyMesh(mesh);
}
