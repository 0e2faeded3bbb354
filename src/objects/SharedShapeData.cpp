// Shared needle and flake shapes. The records live for the whole run, so the
// shader manager may keep writing reloaded programs into them.
#include "objects/SharedShapeData.h"

#include "objects/WireframeDraw.h"
#include "objects/WireframeShapes.h"

namespace {
SharedShape needles;
SharedShape flakes;

bool create(SharedShape& shape, const float* vertices, GLsizeiptr vertexBytes, const uint32_t* indices,
            GLsizeiptr indexBytes) {
    WireframeDraw::createBuffers(shape.vertexArray, shape.vertexBuffer, vertices, vertexBytes, &shape.indexBuffer,
                                 indices, indexBytes);
    WireframeDraw::requestShader(shape.shader);
    return true;
}

void destroy(SharedShape& shape) {
    WireframeDraw::releaseShader(shape.shader);
    WireframeDraw::deleteBuffers(shape.vertexArray, shape.vertexBuffer, &shape.indexBuffer);
    shape.shader.reset();
}
} // namespace

bool initNeedleData() {
    return create(needles, WireframeShapes::kNeedleVertices, sizeof WireframeShapes::kNeedleVertices,
                  WireframeShapes::kNeedleIndices, sizeof WireframeShapes::kNeedleIndices);
}

void releaseNeedleData() { destroy(needles); }

bool initFlakeData() {
    return create(flakes, WireframeShapes::kFlakeVertices, sizeof WireframeShapes::kFlakeVertices,
                  WireframeShapes::kFlakeIndices, sizeof WireframeShapes::kFlakeIndices);
}

void releaseFlakeData() { destroy(flakes); }

const SharedShape& needleData() { return needles; }
const SharedShape& flakeData() { return flakes; }
