// CPU meshes of the sphere, the sea floor and the undersea box. The sphere's
// pole and band order is what the index list below assumes.
#include "objects/SolidMeshes.h"

#include <cmath>

#include <glm/gtc/constants.hpp>

namespace {
void pushVertex(std::vector<float>& out, float x, float y, float z, float nx, float ny, float nz) {
    out.insert(out.end(), {x, y, z, nx, ny, nz});
}

void pushTriangle(std::vector<uint32_t>& out, uint32_t a, uint32_t b, uint32_t c) { out.insert(out.end(), {a, b, c}); }
} // namespace

MeshData sphereMesh(uint32_t rings, uint32_t sectors, float radius) {
    const float pi = glm::pi<float>();
    const float d = pi / static_cast<float>(rings);
    MeshData mesh;
    mesh.vertices.reserve((static_cast<size_t>(rings) * sectors + 2) * 6);
    pushVertex(mesh.vertices, 0.0f, radius, 0.0f, 0.0f, 1.0f, 0.0f);
    for (uint32_t i = 0; i < rings; ++i) {
        const float phi = d + static_cast<float>(i) / static_cast<float>(rings - 1) * (pi - 2.0f * d);
        for (uint32_t j = 0; j < sectors; ++j) {
            const float theta = static_cast<float>(j) / static_cast<float>(sectors) * 6.2831855f;
            const float x = std::cos(theta) * std::sin(phi) * radius;
            const float y = std::cos(phi) * radius;
            const float z = std::sin(theta) * std::sin(phi) * radius;
            const float length = std::sqrt(x * x + y * y + z * z);
            pushVertex(mesh.vertices, x, y, z, x / length, y / length, z / length);
        }
    }
    pushVertex(mesh.vertices, 0.0f, -radius, 0.0f, 0.0f, -1.0f, 0.0f);

    const uint32_t S = sectors;
    mesh.indices.reserve(static_cast<size_t>(rings) * sectors * 6);
    for (uint32_t j = 0; j + 1 < S; ++j) pushTriangle(mesh.indices, j + 1, 0, j + 2);
    pushTriangle(mesh.indices, S, 0, 1);
    for (uint32_t b = 0; b + 1 < rings; ++b) {
        const uint32_t u0 = 1 + b * S, l0 = u0 + S;
        for (uint32_t j = 0; j < S; ++j) {
            const uint32_t u = u0 + j, l = u + S;
            // The last sector closes the band onto sector 0.
            const uint32_t uNext = j + 1 < S ? u + 1 : u0, lNext = j + 1 < S ? l + 1 : l0;
            pushTriangle(mesh.indices, l, uNext, lNext);
            pushTriangle(mesh.indices, l, u, uNext);
        }
    }
    const uint32_t L = 1 + (rings - 1) * S, p = rings * S + 1;
    for (uint32_t j = 0; j + 1 < S; ++j) pushTriangle(mesh.indices, L + j, L + j + 1, p);
    pushTriangle(mesh.indices, L + S - 1, L, p);
    return mesh;
}

MeshData seaFloorMesh(uint32_t n, float spacing) {
    MeshData mesh;
    const float half = static_cast<float>(n - 1) * spacing / 2.0f;
    mesh.vertices.reserve(static_cast<size_t>(n) * n * 6);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < n; ++j)
            pushVertex(mesh.vertices, static_cast<float>(j) * spacing - half, 0.0f,
                       static_cast<float>(i) * spacing - half, 0.0f, 1.0f, 0.0f);
    mesh.indices.reserve(static_cast<size_t>(n - 1) * (n - 1) * 6);
    for (uint32_t r = 0; r + 1 < n; ++r)
        for (uint32_t c = 0; c + 1 < n; ++c) {
            pushTriangle(mesh.indices, (r + 1) * n + c + 1, r * n + c, (r + 1) * n + c);
            pushTriangle(mesh.indices, (r + 1) * n + c + 1, r * n + c + 1, r * n + c);
        }
    return mesh;
}

const MeshData& underseaBoxMesh() {
    static const MeshData box = [] {
        // Per face: four corners and the inward normal.
        struct Face {
            float corners[4][3];
            float normal[3];
        };
        const Face faces[6] = {
            {{{-0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}}, {0, 0, -1}},
            {{{0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, -0.5f}}, {0, 0, 1}},
            {{{0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, -0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, -0.5f}}, {-1, 0, 0}},
            {{{-0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, 0.5f}}, {1, 0, 0}},
            {{{0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}}, {0, -1, 0}},
            {{{-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}}, {0, 1, 0}},
        };
        MeshData mesh;
        for (uint32_t f = 0; f < 6; ++f) {
            for (const auto& c : faces[f].corners)
                pushVertex(mesh.vertices, c[0], c[1], c[2], faces[f].normal[0], faces[f].normal[1],
                           faces[f].normal[2]);
            const uint32_t b = 4 * f;
            mesh.indices.insert(mesh.indices.end(), {b, b + 1, b + 2, b + 2, b + 1, b + 3});
        }
        return mesh;
    }();
    return box;
}
