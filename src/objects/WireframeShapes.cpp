// Wireframe geometry tables and the ring generator. Angles are degrees turned
// into radians with the scene's factor; cos and sin run in double precision.
#include "objects/WireframeShapes.h"

#include "scene/ViewMath.h"

#include <algorithm>
#include <cmath>

namespace WireframeShapes {

const float kCubeVertices[8 * 3] = {
    -0.5f, 0.5f,  0.5f,  -0.5f, -0.5f, 0.5f,  0.5f, -0.5f, 0.5f,  0.5f, 0.5f,  0.5f,
    -0.5f, 0.5f,  -0.5f, -0.5f, -0.5f, -0.5f, 0.5f, -0.5f, -0.5f, 0.5f, 0.5f,  -0.5f,
};
const uint32_t kCubeIndices[24] = {0, 1, 0, 3, 2, 1, 2, 3, 4, 5, 4, 7, 6, 5, 6, 7, 0, 4, 3, 7, 1, 5, 2, 6};

const float kFlakeVertices[4 * 3] = {-0.5f, 0.5f, 0.0f, -0.5f, -0.5f, 0.0f, 0.5f, -0.5f, 0.0f, 0.5f, 0.5f, 0.0f};
const uint32_t kFlakeIndices[8] = {0, 1, 0, 3, 2, 1, 2, 3};

const float kNeedleVertices[2 * 3] = {0.0f, 0.5f, 0.0f, 0.0f, -0.5f, 0.0f};
const uint32_t kNeedleIndices[2] = {0, 1};

uint32_t ringSegmentCount(float stepDegrees) { return static_cast<uint32_t>(360.0f / stepDegrees); }

RingMesh buildRingMesh(float radius, float stepDegrees) {
    RingMesh mesh;
    uint32_t count = ringSegmentCount(stepDegrees);
    mesh.vertices.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        double a = static_cast<double>(static_cast<float>(i) * stepDegrees) * ViewMath::kDegreesToRadians;
        mesh.vertices.emplace_back(static_cast<float>(radius * std::cos(a)), static_cast<float>(radius * std::sin(a)),
                                   0.0f);
    }
    mesh.indices.reserve(2 * static_cast<size_t>(count));
    for (uint32_t i = 0; i + 1 < count; ++i) {
        mesh.indices.push_back(i);
        mesh.indices.push_back(i + 1);
    }
    if (count > 0) {
        mesh.indices.push_back(count - 1);
        mesh.indices.push_back(0);
    }
    return mesh;
}

uint32_t ringDrawCount(uint32_t segmentCount, float drawFraction) {
    uint32_t fraction = static_cast<uint32_t>(static_cast<float>(segmentCount) * 2.0f * drawFraction);
    return std::min(2 * segmentCount, fraction);
}

} // namespace WireframeShapes
