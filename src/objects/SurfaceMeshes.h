// The static meshes of the grid, the radial water disc, the sky dome and the
// ocean patch's triangles, as plain arrays built without GL so they can be
// checked in unit tests; the objects only upload them. Needs GLM.
#pragma once
#include <glm/glm.hpp>

#include <cstdint>
#include <vector>

struct SurfaceMesh {
    std::vector<glm::vec3> vertices;
    std::vector<uint32_t> indices;
};

// (n + 1)^2 vertices row by row in the XZ plane, centred on the origin, and
// the four edges of every cell as GL_LINES (shared edges twice), 8 n^2 indices.
SurfaceMesh buildGridMesh(uint32_t cellCount, float cellSize);

// The radial water disc: 215 rings crowding towards the centre (radius grows
// with the ring number to the fourth power, 0.1 to 3000), 215 spokes over a
// 6.28-radian turn, and the centre vertex 0; GL_TRIANGLES.
constexpr uint32_t kRadialRings = 215;
constexpr uint32_t kRadialSpokes = 215;
SurfaceMesh buildRadialGridMesh();

// Sphere of `rings` latitude rings and `segments` vertices per ring between two
// poles (vertex 0 top, last vertex bottom); GL_TRIANGLES, 6 * rings * segments
// indices. Needs rings >= 2 and segments >= 1 (the factory refuses less).
SurfaceMesh buildDomeMesh(uint32_t rings, uint32_t segments, float radius);

// Two triangles per cell of an N x N vertex patch, 6 (N - 1)^2 indices.
std::vector<uint32_t> buildOceanIndices(uint32_t gridSize);
