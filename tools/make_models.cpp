// Makes the show's models: "res/models/Fish.exm" (a fish facing -Z, position
// and normal), "res/models/Round_Diamond_03.exm" (a round brilliant cut, 57
// facets, flat normals), "res/models/Rock.exm" (position, uv, normal) and its
// texture "res/textures/Rock.png". Fixed formulas and a hash noise: the same
// bytes on every run. Uses the engine's .exm writer and stb_image_write.
//   make_models [repository root]   (default: the current directory)
#include "gfx/Exm.h"

#include <stb/stb_image_write.h>

#include <glm/glm.hpp>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {
constexpr float kPi = 3.14159265f;

// Position-normal meshes with flat or smooth normals.
struct MeshBuilder {
    std::vector<float> floats;
    std::vector<uint32_t> indices;
    uint32_t vertexCount = 0;

    uint32_t add(const glm::vec3& p, const glm::vec3& n) {
        floats.insert(floats.end(), {p.x, p.y, p.z, n.x, n.y, n.z});
        return vertexCount++;
    }
    void triangle(uint32_t a, uint32_t b, uint32_t c) { indices.insert(indices.end(), {a, b, c}); }

    // A convex planar polygon with its own vertices and one normal, wound to
    // face away from `inside`.
    void facet(std::vector<glm::vec3> points, const glm::vec3& inside) {
        glm::vec3 normal(0.0f), centre(0.0f);
        for (size_t i = 0; i < points.size(); ++i) {
            const glm::vec3& a = points[i];
            const glm::vec3& b = points[(i + 1) % points.size()];
            normal += glm::vec3((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
            centre += a;
        }
        centre /= static_cast<float>(points.size());
        if (glm::dot(normal, centre - inside) < 0.0f) {
            normal = -normal;
            std::vector<glm::vec3> reversed(points.rbegin(), points.rend());
            points = reversed;
        }
        normal = glm::normalize(normal);
        const uint32_t first = vertexCount;
        for (const glm::vec3& p : points) add(p, normal);
        for (uint32_t i = 1; i + 1 < points.size(); ++i) triangle(first, first + i, first + i + 1);
    }

    // A thin fin seen from both sides: one facet each way.
    void fin(const std::vector<glm::vec3>& points, const glm::vec3& side) {
        facet(points, points[0] - side);
        facet(points, points[0] + side);
    }

    ExmModel model() const {
        ExmModel m;
        m.vertices = floats;
        m.indices = indices;
        m.floatCount = static_cast<uint32_t>(floats.size());
        m.indexCount = static_cast<uint32_t>(indices.size());
        return m;
    }
};

glm::vec3 polar(float radius, float degrees, float y) {
    const float a = degrees * kPi / 180.0f;
    return glm::vec3(radius * std::cos(a), y, radius * std::sin(a));
}

// Round brilliant, girdle radius 1: table 56 % of the diameter, crown angle
// about 34.5 degrees, pavilion angle about 40.8 degrees, stars 50 %, lower
// girdles 77 %. 33 crown facets (table, 8 stars, 8 bezels, 16 upper girdles),
// 24 pavilion facets (8 mains, 16 lower girdles), no culet, a thin girdle band.
ExmModel makeDiamond() {
    const float girdle = 0.02f;              // half the girdle's thickness
    const float table = 0.56f;               // table radius
    const float crownTop = girdle + 0.30f;   // tan(34.5) x (1 - 0.56)
    const float culet = -girdle - 0.86f;     // tan(40.8) x 1
    const float starRadius = table + 0.5f * (1.0f - table);
    const float lowerRadius = 0.23f;
    const float c = std::cos(22.5f * kPi / 180.0f);
    // Star and lower-girdle points sit where the kites they bound stay planar.
    const float starY = crownTop + (starRadius * c - table) / (1.0f - table) * (girdle - crownTop);
    const float lowerY = culet + lowerRadius * c * (-girdle - culet);

    MeshBuilder mesh;
    const glm::vec3 inside(0.0f);
    std::vector<glm::vec3> tablePoints;
    for (int k = 0; k < 8; ++k) tablePoints.push_back(polar(table, k * 45.0f, crownTop));
    mesh.facet(tablePoints, inside);
    for (int k = 0; k < 8; ++k) {
        const float a = k * 45.0f, mid = a + 22.5f;
        const glm::vec3 t0 = polar(table, a, crownTop), t1 = polar(table, a + 45.0f, crownTop);
        const glm::vec3 star = polar(starRadius, mid, starY), starBefore = polar(starRadius, a - 22.5f, starY);
        const glm::vec3 g0 = polar(1.0f, a, girdle), gMid = polar(1.0f, mid, girdle), g1 = polar(1.0f, a + 45.0f, girdle);
        mesh.facet({t0, t1, star}, inside);                 // star
        mesh.facet({t0, starBefore, g0, star}, inside);     // bezel
        mesh.facet({star, g0, gMid}, inside);               // upper girdles
        mesh.facet({star, gMid, g1}, inside);
        const glm::vec3 b0 = polar(1.0f, a, -girdle), bMid = polar(1.0f, mid, -girdle), b1 = polar(1.0f, a + 45.0f, -girdle);
        const glm::vec3 low = polar(lowerRadius, mid, lowerY), lowBefore = polar(lowerRadius, a - 22.5f, lowerY);
        const glm::vec3 tip(0.0f, culet, 0.0f);
        mesh.facet({tip, lowBefore, b0, low}, inside);      // pavilion main
        mesh.facet({low, b0, bMid}, inside);                // lower girdles
        mesh.facet({low, bMid, b1}, inside);
        mesh.facet({g0, gMid, bMid, b0}, inside);           // girdle band
        mesh.facet({gMid, g1, b1, bMid}, inside);
    }
    return mesh.model();
}

// Fish facing -Z, about 2 units long: a smooth body of elliptic sections,
// a forked tail, a dorsal fin and two pectoral fins (flat, two-sided).
ExmModel makeFish() {
    const int rings = 14, segments = 16;
    MeshBuilder mesh;
    auto bodyPoint = [&](int ring, int segment) {
        const float u = static_cast<float>(ring) / (rings - 1);  // 0 at the nose, 1 at the tail's root
        const float z = -1.0f + 1.6f * u;
        const float bulge = std::pow(std::sin(kPi * (0.08f + 0.92f * u)), 0.8f);
        const float height = 0.38f * bulge + 0.03f, width = 0.17f * bulge + 0.02f;
        const float a = 2.0f * kPi * segment / segments;
        return glm::vec3(width * std::cos(a), height * std::sin(a) + 0.05f * u, z);
    };
    // Smooth normals: the face normals around each body vertex, summed.
    std::vector<glm::vec3> normals(rings * segments, glm::vec3(0.0f));
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const int s1 = (s + 1) % segments;
            const glm::vec3 a = bodyPoint(r, s), b = bodyPoint(r + 1, s), c = bodyPoint(r, s1);
            const glm::vec3 n = glm::cross(c - a, b - a);
            for (int v : {r * segments + s, (r + 1) * segments + s, r * segments + s1, (r + 1) * segments + s1})
                normals[v] += n;
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) mesh.add(bodyPoint(r, s), glm::normalize(normals[r * segments + s]));
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const uint32_t a = r * segments + s, b = (r + 1) * segments + s;
            const uint32_t c = r * segments + (s + 1) % segments, d = (r + 1) * segments + (s + 1) % segments;
            mesh.triangle(a, c, b);
            mesh.triangle(c, d, b);
        }
    // Nose and tail-root caps close the body.
    const uint32_t nose = mesh.add(glm::vec3(0.0f, 0.0f, -1.05f), glm::vec3(0.0f, 0.0f, -1.0f));
    const uint32_t root = mesh.add(glm::vec3(0.0f, 0.05f, 0.62f), glm::vec3(0.0f, 0.0f, 1.0f));
    const uint32_t last = (rings - 1) * segments;
    for (int s = 0; s < segments; ++s) {
        const uint32_t s1 = (s + 1) % segments;
        mesh.triangle(nose, s1, s);
        mesh.triangle(root, last + s, last + s1);
    }
    const glm::vec3 side(1.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    // Forked tail, in the body's vertical plane.
    mesh.fin({{0.0f, 0.05f, 0.55f}, {0.0f, 0.45f, 1.05f}, {0.0f, 0.12f, 0.9f}, {0.0f, 0.05f, 0.8f}}, side);
    mesh.fin({{0.0f, 0.05f, 0.55f}, {0.0f, 0.05f, 0.8f}, {0.0f, -0.02f, 0.9f}, {0.0f, -0.35f, 1.05f}}, side);
    // Dorsal fin along the back, swept towards the tail.
    mesh.fin({{0.0f, 0.38f, -0.35f}, {0.0f, 0.62f, 0.05f}, {0.0f, 0.33f, 0.2f}}, side);
    // Pectoral fins behind the gills, angled down and back.
    mesh.fin({{0.15f, -0.05f, -0.45f}, {0.45f, -0.2f, -0.15f}, {0.16f, -0.12f, -0.25f}}, up);
    mesh.fin({{-0.15f, -0.05f, -0.45f}, {-0.45f, -0.2f, -0.15f}, {-0.16f, -0.12f, -0.25f}}, up);
    return mesh.model();
}

// Value noise from an integer hash: smooth, tileable in nothing, the same everywhere.
float hash(int x, int y, int z) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(z) * 2147483647u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xffffu) / 65535.0f;
}

float valueNoise(const glm::vec3& p) {
    const glm::vec3 f = glm::floor(p);
    const glm::vec3 t = p - f;
    const glm::vec3 w = t * t * (3.0f - 2.0f * t);
    const int x = static_cast<int>(f.x), y = static_cast<int>(f.y), z = static_cast<int>(f.z);
    float v[2][2][2];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) v[i][j][k] = hash(x + i, y + j, z + k);
    auto lerp = [](float a, float b, float s) { return a + (b - a) * s; };
    const float x00 = lerp(v[0][0][0], v[1][0][0], w.x), x10 = lerp(v[0][1][0], v[1][1][0], w.x);
    const float x01 = lerp(v[0][0][1], v[1][0][1], w.x), x11 = lerp(v[0][1][1], v[1][1][1], w.x);
    return lerp(lerp(x00, x10, w.y), lerp(x01, x11, w.y), w.z);
}

float fbm(glm::vec3 p, int octaves) {
    float sum = 0.0f, amplitude = 0.5f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(p);
        p *= 2.03f;
        amplitude *= 0.5f;
    }
    return sum;
}

// A boulder: a sphere pushed in and out by noise, flattened a little, with
// spherical texture coordinates (the seam column is doubled).
ExmModel makeRock() {
    const int rings = 24, sectors = 40;
    auto surface = [](float u, float v) {
        const float theta = u * 2.0f * kPi, phi = v * kPi;
        const glm::vec3 d(std::cos(theta) * std::sin(phi), std::cos(phi), std::sin(theta) * std::sin(phi));
        const float radius = 0.75f + 0.5f * fbm(d * 1.7f + 11.0f, 5);
        return glm::vec3(d.x * radius, d.y * radius * 0.7f, d.z * radius);
    };
    ExmModel m;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s <= sectors; ++s) {
            const float u = static_cast<float>(s) / sectors, v = static_cast<float>(r) / rings;
            const glm::vec3 p = surface(u, v);
            const float e = 1e-3f;
            glm::vec3 n = glm::cross(surface(u + e, v) - surface(u - e, v), surface(u, v + e) - surface(u, v - e));
            // At the poles the u derivative vanishes: the normal points straight along the axis.
            n = glm::length(n) > 1e-9f ? glm::normalize(n) : glm::vec3(0.0f, v < 0.5f ? 1.0f : -1.0f, 0.0f);
            if (glm::dot(n, p) < 0.0f) n = -n;
            m.vertices.insert(m.vertices.end(), {p.x, p.y, p.z, u * 3.0f, v * 2.0f, n.x, n.y, n.z});
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < sectors; ++s) {
            const uint32_t a = r * (sectors + 1) + s, b = a + sectors + 1;
            m.indices.insert(m.indices.end(), {a, a + 1, b, a + 1, b + 1, b});
        }
    m.floatCount = static_cast<uint32_t>(m.vertices.size());
    m.indexCount = static_cast<uint32_t>(m.indices.size());
    return m;
}

// Value noise on a lattice that wraps every `period` cells, so an image
// spanning whole periods tiles without a seam.
float tileNoise(const glm::vec2& p, int period) {
    const glm::vec2 f = glm::floor(p);
    const glm::vec2 t = p - f;
    const glm::vec2 w = t * t * (3.0f - 2.0f * t);
    auto at = [&](int dx, int dy) {
        const int x = ((static_cast<int>(f.x) + dx) % period + period) % period;
        const int y = ((static_cast<int>(f.y) + dy) % period + period) % period;
        return hash(x, y, period);
    };
    return glm::mix(glm::mix(at(0, 0), at(1, 0), w.x), glm::mix(at(0, 1), at(1, 1), w.x), w.y);
}

// `uv` in [0, 1); the first octave has `period` cells across the image.
float tileFbm(const glm::vec2& uv, int period, int octaves) {
    float sum = 0.0f, amplitude = 0.5f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * tileNoise(uv * static_cast<float>(period), period);
        period *= 2;
        amplitude *= 0.5f;
    }
    return sum;
}

// Lichen-spotted granite, tiling.
bool writeRockTexture(const std::string& path) {
    const int size = 256;
    std::vector<uint8_t> pixels(size * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const glm::vec2 uv(static_cast<float>(x) / size, static_cast<float>(y) / size);
            const float grain = tileFbm(uv, 8, 5);
            const float speckle = tileNoise(uv * 96.0f, 96);
            const float lichen = glm::smoothstep(0.52f, 0.6f, tileFbm(uv + 0.37f, 4, 4));
            glm::vec3 stone = glm::mix(glm::vec3(0.30f, 0.28f, 0.26f), glm::vec3(0.62f, 0.58f, 0.52f), grain);
            stone *= 0.85f + 0.3f * speckle;
            const glm::vec3 colour = glm::mix(stone, glm::vec3(0.55f, 0.62f, 0.25f) * (0.7f + 0.5f * grain), lichen);
            for (int ch = 0; ch < 3; ++ch)
                pixels[(y * size + x) * 3 + ch] =
                    static_cast<uint8_t>(std::lround(glm::clamp(colour[ch], 0.0f, 1.0f) * 255.0f));
        }
    return stbi_write_png(path.c_str(), size, size, 3, pixels.data(), size * 3) != 0;
}

bool write(const std::string& path, const ExmModel& model) {
    if (!writeExm(path, model)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s: %u vertices, %u triangles\n", path.c_str(),
                model.floatCount / (path.find("Rock") != std::string::npos ? 8 : 6), model.indexCount / 3);
    return true;
}
} // namespace

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? std::string(argv[1]) + "/" : "";
    bool ok = write(root + "res/models/Fish.exm", makeFish());
    ok = write(root + "res/models/Round_Diamond_03.exm", makeDiamond()) && ok;
    ok = write(root + "res/models/Rock.exm", makeRock()) && ok;
    if (!writeRockTexture(root + "res/textures/Rock.png")) {
        std::fprintf(stderr, "cannot write %sres/textures/Rock.png\n", root.c_str());
        ok = false;
    }
    return ok ? 0 : 1;
}
