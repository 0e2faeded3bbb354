// Wireframe objects on the real driver: a cube under the orbit camera lands where the
// projection puts its edges, background elsewhere, and lets go of its program and mesh
// on release (the objects' table in ObjectsTest checks its buffers and its unbuilt draw).
#include "objects/WireframeCubeObject.h"
#include "objects/ShowAssets.h"
#include "objects/WireframeShapes.h"
#include "scene/ViewMath.h"

#include "GlContext.h"

namespace {
constexpr int kSize = 256;  // the test window; the cube is drawn into it
using WireframeGl = test::EngineTest;

using Edge = std::pair<glm::vec2, glm::vec2>;  // window coordinates of its ends

float distanceToSegment(const glm::vec2& p, const Edge& e) {
    glm::vec2 d = e.second - e.first;
    float t = glm::clamp(glm::dot(p - e.first, d) / glm::dot(d, d), 0.0f, 1.0f);
    return glm::length(p - (e.first + t * d));
}

bool isColour(const std::vector<unsigned char>& px, int x, int y, int r, int g, int b) {
    const unsigned char* p = &px[(static_cast<size_t>(y) * kSize + x) * 4];
    return std::abs(p[0] - r) <= 2 && std::abs(p[1] - g) <= 2 && std::abs(p[2] - b) <= 2;
}
} // namespace

TEST_F(WireframeGl, CubeEdgesLandWhereTheProjectionPutsThemAndNothingElseIsDrawn) {
    startScene();
    engine.scene.view = ViewMath::orbitView(10.0f, 0.0f, 0.0f, 0.0f);
    WireframeCubeObject cube;
    cube.rotation = glm::vec3(25.0f, 35.0f, 0.0f);
    cube.scale = glm::vec3(4.0f);
    ASSERT_TRUE(cube.build(&engine.scene));
    engine.resourceLoader.processRequests();
    const auto px = renderOnBlack(cube, kSize, 0.0f);
    const glm::mat4 clip = engine.scene.projection * engine.scene.view * cube.localModelMatrix();
    auto project = [&](int index) {
        const float* p = &WireframeShapes::kCubeVertices[3 * index];
        glm::vec4 c = clip * glm::vec4(p[0], p[1], p[2], 1.0f);
        return (glm::vec2(c) / c.w + 1.0f) * 0.5f * static_cast<float>(kSize);
    };
    std::vector<Edge> edges;
    for (int i = 0; i < 24; i += 2)
        edges.emplace_back(project(WireframeShapes::kCubeIndices[i]), project(WireframeShapes::kCubeIndices[i + 1]));

    // Along every edge, away from the corners, the cube's yellow is within a pixel.
    for (const Edge& e : edges)
        for (float t = 0.2f; t <= 0.8f; t += 0.1f) {
            glm::vec2 p = e.first + t * (e.second - e.first);
            bool found = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    found = found || isColour(px, static_cast<int>(p.x) + dx, static_cast<int>(p.y) + dy, 227, 224, 23);
            EXPECT_TRUE(found) << "no edge pixel near (" << p.x << ", " << p.y << ")";
        }
    // Every pixel more than two pixels from all edges is the clear colour.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float nearest = 1e9f;
            for (const Edge& e : edges) nearest = std::min(nearest, distanceToSegment({x + 0.5f, y + 0.5f}, e));
            EXPECT_TRUE(nearest <= 2.0f || isColour(px, x, y, 0, 0, 0)) << "stray pixel at " << x << ", " << y;
        }

    const std::string key = ShaderManager::keyOf(kWireframeVertexPath, kWireframeFragmentPath, nullptr);
    ASSERT_EQ(engine.shaderManager.findEntry(key)->users.size(), 1u);
    cube.release();
    EXPECT_FALSE(cube.mesh.valid());
    EXPECT_EQ(engine.shaderManager.findEntry(key)->users.size(), 0u);
}
