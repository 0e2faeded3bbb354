// Shared needle and flake shapes. The records live for the whole run, so the
// shader manager may keep writing reloaded programs into them.
#include "objects/SharedShapeData.h"

#include "objects/ShowAssets.h"
#include "objects/WireframeShapes.h"

namespace {
SharedShape needles;
SharedShape flakes;

template <size_t VertexFloats, size_t IndexCount>
bool create(SharedShape& shape, const float (&vertices)[VertexFloats], const uint32_t (&indices)[IndexCount]) {
    shape.mesh = createPositionMesh(vertices, sizeof vertices, indices, sizeof indices);
    shape.draw.requestProgram(kWireframeVertexPath, kWireframeFragmentPath);
    return true;
}

void destroy(SharedShape& shape) {
    shape.draw.release();
    destroyMesh(shape.mesh);
    shape.draw.program.reset();
}
} // namespace

bool initNeedleData() { return create(needles, WireframeShapes::kNeedleVertices, WireframeShapes::kNeedleIndices); }
void releaseNeedleData() { destroy(needles); }
bool initFlakeData() { return create(flakes, WireframeShapes::kFlakeVertices, WireframeShapes::kFlakeIndices); }
void releaseFlakeData() { destroy(flakes); }

SharedShape& needleData() { return needles; }
SharedShape& flakeData() { return flakes; }
