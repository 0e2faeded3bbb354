// Grid, disc, dome and patch meshes. Index orders matter: the draw counts
// and the winding the renderers cull by are fixed to them.
#include "objects/SurfaceMeshes.h"

#include <cmath>

#include <glm/gtc/constants.hpp>

SurfaceMesh buildGridMesh(uint32_t n, float s) {
    SurfaceMesh mesh;
    const float h = static_cast<float>(n) * s * 0.5f;
    mesh.vertices.reserve(static_cast<size_t>(n + 1) * (n + 1));
    for (uint32_t i = 0; i <= n; ++i)
        for (uint32_t j = 0; j <= n; ++j)
            mesh.vertices.emplace_back(static_cast<float>(j) * s - h, 0.0f, static_cast<float>(i) * s - h);
    mesh.indices.reserve(static_cast<size_t>(n) * n * 8);
    for (uint32_t r = 0; r < n; ++r)
        for (uint32_t c = 0; c < n; ++c) {
            const uint32_t a = r * (n + 1) + c, b = a + n + 1, cc = a + 1, d = b + 1;
            mesh.indices.insert(mesh.indices.end(), {a, cc, a, b, d, b, d, cc});
        }
    return mesh;
}

SurfaceMesh buildRadialGridMesh() {
    const uint32_t rings = kRadialRings, spokes = kRadialSpokes;
    SurfaceMesh mesh;
    mesh.vertices.resize(static_cast<size_t>(rings) * spokes + 1, glm::vec3(0.0f));
    // The fourth powers in double, rounded to float, as the ring radii are defined.
    const float last = static_cast<float>(std::pow(static_cast<double>(rings - 1), 4.0));
    const float k = 2999.9f / last;
    for (uint32_t r = 0; r < rings; ++r) {
        const float r4 = static_cast<float>(std::pow(static_cast<double>(static_cast<float>(r)), 4.0));
        const float radius = r4 * k + 0.1f;
        for (uint32_t s = 0; s < spokes; ++s) {
            // A full turn is taken as 6.28, so the last gap is a little wider.
            const float a = static_cast<float>(s) / static_cast<float>(spokes) * 6.28f;
            mesh.vertices[1 + r * spokes + s] = glm::vec3(std::cos(a) * radius, 0.0f, std::sin(a) * radius);
        }
    }
    std::vector<uint32_t>& idx = mesh.indices;
    idx.reserve(642 + static_cast<size_t>(rings - 1) * spokes * 6);
    // The wedge between the last spoke and spoke 0 of ring 0 stays open.
    for (uint32_t s = 1; s < spokes; ++s) idx.insert(idx.end(), {s, 0, s + 1});
    for (uint32_t r = 0; r + 1 < rings; ++r) {
        const uint32_t first = 1 + spokes * (r + 1);
        for (uint32_t s = 0; s + 1 < spokes; ++s) {
            const uint32_t o = first + s, i = o - spokes;
            idx.insert(idx.end(), {o, i + 1, o + 1, o, i, i + 1});
        }
        const uint32_t oL = first + spokes - 1, iL = oL - spokes, oF = first, iF = oF - spokes;
        idx.insert(idx.end(), {oL, iF, oF, oL, iL, iF});
    }
    return mesh;
}

SurfaceMesh buildDomeMesh(uint32_t rings, uint32_t segments, float radius) {
    SurfaceMesh mesh;
    const uint32_t s = segments;
    const uint32_t vertexCount = rings * segments + 2;
    mesh.vertices.reserve(vertexCount);
    const float pi = glm::pi<float>();
    mesh.vertices.emplace_back(0.0f, radius, 0.0f);
    for (uint32_t i = 0; i < rings; ++i) {
        const float theta = pi / static_cast<float>(rings) +
                            static_cast<float>(i) / static_cast<float>(rings - 1) * (pi - 2.0f * pi / static_cast<float>(rings));
        const float y = std::cos(theta) * radius;
        const float ringRadius = std::sin(theta) * radius;
        for (uint32_t j = 0; j < segments; ++j) {
            const float phi = static_cast<float>(j) / static_cast<float>(segments) * 2.0f * pi;
            mesh.vertices.emplace_back(std::cos(phi) * ringRadius, y, std::sin(phi) * ringRadius);
        }
    }
    mesh.vertices.emplace_back(0.0f, -radius, 0.0f);

    std::vector<uint32_t>& idx = mesh.indices;
    idx.reserve(static_cast<size_t>(rings) * segments * 6);
    const uint32_t last = vertexCount - 1;
    for (uint32_t j = 0; j + 1 < s; ++j) idx.insert(idx.end(), {j + 1, j + 2, 0});
    idx.insert(idx.end(), {s, 1, 0});
    for (uint32_t i = 0; i + 1 < rings; ++i) {
        const uint32_t a = 1 + i * s, b = a + s;
        for (uint32_t j = 0; j + 1 < s; ++j)
            idx.insert(idx.end(), {b + j, b + j + 1, a + j + 1, b + j, a + j + 1, a + j});
        idx.insert(idx.end(), {b + s - 1, b, a, b + s - 1, a, a + s - 1});
    }
    const uint32_t c = 1 + (rings - 1) * s;
    for (uint32_t j = 0; j + 1 < s; ++j) idx.insert(idx.end(), {c + j, last, c + j + 1});
    idx.insert(idx.end(), {last - 1, last, c});
    return mesh;
}

std::vector<uint32_t> buildOceanIndices(uint32_t n) {
    std::vector<uint32_t> idx;
    if (n < 2) return idx;
    idx.reserve(static_cast<size_t>(n - 1) * (n - 1) * 6);
    for (uint32_t r = 0; r + 1 < n; ++r)
        for (uint32_t c = 0; c + 1 < n; ++c) {
            const uint32_t a = r * n + c;
            idx.insert(idx.end(), {a + n + 1, a, a + n, a + n + 1, a + 1, a});
        }
    return idx;
}
