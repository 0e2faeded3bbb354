// Shared needle and flake shapes. The records live for the whole run, so the
// shader manager may keep writing reloaded programs into them.
#include "objects/SharedShapeData.h"

#include "objects/WireframeDraw.h"
#include "objects/WireframeShapes.h"

namespace {
SharedShape needles;
SharedShape flakes;

template <size_t VertexFloats, size_t IndexCount>
bool create(SharedShape& shape, const float (&vertices)[VertexFloats], const uint32_t (&indices)[IndexCount]) {
    WireframeDraw::create(shape.mesh, shape.shader, vertices, sizeof vertices, indices, sizeof indices);
    return true;
}

void destroy(SharedShape& shape) {
    WireframeDraw::release(shape.mesh, shape.shader);
    shape.shader.reset();
}
} // namespace

bool initNeedleData() { return create(needles, WireframeShapes::kNeedleVertices, WireframeShapes::kNeedleIndices); }
void releaseNeedleData() { destroy(needles); }
bool initFlakeData() { return create(flakes, WireframeShapes::kFlakeVertices, WireframeShapes::kFlakeIndices); }
void releaseFlakeData() { destroy(flakes); }

const SharedShape& needleData() { return needles; }
const SharedShape& flakeData() { return flakes; }
