// Line geometry of the wireframe objects as plain data: the cube, flake and
// needle shapes and the ring mesh. Uploaded by the objects; no GL here.
#pragma once
#include <glm/glm.hpp>

#include <cstdint>
#include <vector>

namespace WireframeShapes {

// Unit cube outline: 8 corners, 12 edges as GL_LINES pairs.
extern const float kCubeVertices[8 * 3];
extern const uint32_t kCubeIndices[24];
// Unit square outline in the XY plane.
extern const float kFlakeVertices[4 * 3];
extern const uint32_t kFlakeIndices[8];
// Vertical unit segment.
extern const float kNeedleVertices[2 * 3];
extern const uint32_t kNeedleIndices[2];

struct RingMesh {
    std::vector<glm::vec3> vertices;
    std::vector<uint32_t> indices;  // GL_LINES pairs, the last one closes the ring
};

// 360 / step, truncated. The step must lie in (0, 360]; the factory refuses others.
uint32_t ringSegmentCount(float stepDegrees);
RingMesh buildRingMesh(float radius, float stepDegrees);
// Indices drawn for a ring of `segmentCount` vertices showing `drawFraction` of it.
uint32_t ringDrawCount(uint32_t segmentCount, float drawFraction);

} // namespace WireframeShapes
