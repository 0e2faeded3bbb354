// Meshes of the solid objects built on the CPU: the latitude-longitude sphere,
// the flat sea-floor grid and the inward-facing undersea box, as plain vertex
// and index arrays (position then normal, 6 floats a vertex). No GL here.
#pragma once
#include <cstdint>
#include <vector>

struct MeshData {
    std::vector<float> vertices;    // 6 floats a vertex: position, normal
    std::vector<uint32_t> indices;  // triangle list
};

// rings x sectors + 2 vertices (the poles last), 6 x rings x sectors indices.
// Needs rings >= 2 and sectors >= 1 (the factory refuses less).
MeshData sphereMesh(uint32_t rings, uint32_t sectors, float radius);
// gridSize^2 vertices at height 0 centred on the origin, facing up;
// 6 x (gridSize - 1)^2 indices. Needs gridSize >= 2.
MeshData seaFloorMesh(uint32_t gridSize, float spacing);
// The unit cube seen from inside: 24 vertices, 36 indices, normals inward,
// every triangle counter-clockwise from inside.
const MeshData& underseaBoxMesh();
