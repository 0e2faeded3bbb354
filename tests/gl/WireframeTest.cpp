// Wireframe objects on the real driver: a cube under the orbit camera lands
// exactly where the projection puts its edges, with background everywhere
// else, and gives its GL objects back on release; an object that was never
// built draws nothing.
#include "core/Engine.h"
#include "gfx/FrameBuffer.h"
#include "objects/WireframeCubeObject.h"
#include "objects/WireframeDraw.h"
#include "objects/WireframeShapes.h"
#include "scene/ViewMath.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
constexpr int kSize = 160;

struct Edge {
    glm::vec2 a;
    glm::vec2 b;
};

float distanceToSegment(const glm::vec2& p, const Edge& e) {
    glm::vec2 d = e.b - e.a;
    float t = glm::clamp(glm::dot(p - e.a, d) / glm::dot(d, d), 0.0f, 1.0f);
    return glm::length(p - (e.a + t * d));
}

// An engine with the resource loader and shader manager, in the source tree
// (shaders are opened relative to the working directory), drawing into an
// off-screen target under an orbit camera 10 units out.
class WireframeGl : public ::testing::Test {
protected:
    void SetUp() override {
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        previousDir = buffer;
        ASSERT_EQ(chdir(SOLVANE_SOURCE_DIR), 0);
        gEngine = &engine;
        ASSERT_TRUE(engine.resourceLoader.init(&engine));
        ASSERT_TRUE(engine.shaderManager.init(engine.resourceLoader, nullptr));
        ASSERT_TRUE(target.create(kSize, kSize, 1, true, GL_RGBA8, 0));
        engine.scene.projection = ViewMath::projection(60.0f, 1.0f, 0.1f, 10000.0f);
        engine.scene.view = ViewMath::orbitView(10.0f, 0.0f, 0.0f, 0.0f);
        glEnable(GL_DEPTH_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }
    void TearDown() override {
        target.destroy();
        engine.shaderManager.destroy();
        engine.resourceLoader.terminate();
        gEngine = nullptr;
        EXPECT_EQ(chdir(previousDir.c_str()), 0);
    }

    std::vector<unsigned char> draw(SceneObject& object) {
        glm::mat4 identity(1.0f);
        target.bind(true);
        object.render(0.0f, &identity);
        auto pixels = test::readPixels(0, 0, kSize, kSize);
        target.unbind();
        return pixels;
    }

    // Window coordinates of a model-space point.
    glm::vec2 project(const glm::mat4& model, const float* p) const {
        glm::vec4 clip = engine.scene.projection * engine.scene.view * model * glm::vec4(p[0], p[1], p[2], 1.0f);
        return (glm::vec2(clip) / clip.w + 1.0f) * 0.5f * static_cast<float>(kSize);
    }

    test::LogCapture log;
    Engine engine;
    FrameBuffer target;
    std::string previousDir;
};

bool isColour(const std::vector<unsigned char>& px, int x, int y, int r, int g, int b) {
    const unsigned char* p = &px[(static_cast<size_t>(y) * kSize + x) * 4];
    return std::abs(p[0] - r) <= 2 && std::abs(p[1] - g) <= 2 && std::abs(p[2] - b) <= 2;
}
} // namespace

TEST_F(WireframeGl, CubeEdgesLandWhereTheProjectionPutsThemAndNothingElseIsDrawn) {
    WireframeCubeObject cube;
    cube.rotation = glm::vec3(25.0f, 35.0f, 0.0f);
    cube.scale = glm::vec3(4.0f);
    ASSERT_TRUE(cube.build(&engine.scene));
    engine.resourceLoader.processRequests();
    ASSERT_NE(cube.shader.program, engine.shaderManager.getDummyShader().program);  // the real program draws
    auto px = draw(cube);

    glm::mat4 model = cube.localModelMatrix();
    std::vector<Edge> edges;
    for (int i = 0; i < 24; i += 2)
        edges.push_back({project(model, &WireframeShapes::kCubeVertices[3 * WireframeShapes::kCubeIndices[i]]),
                         project(model, &WireframeShapes::kCubeVertices[3 * WireframeShapes::kCubeIndices[i + 1]])});

    // Along every edge, away from the corners, the cube's yellow is within a pixel.
    for (const Edge& e : edges)
        for (float t = 0.2f; t <= 0.8f; t += 0.1f) {
            glm::vec2 p = e.a + t * (e.b - e.a);
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
            if (nearest > 2.0f) {
                EXPECT_TRUE(isColour(px, x, y, 0, 0, 0)) << "stray pixel at " << x << ", " << y;
            }
        }

    GLuint buffers[] = {cube.vertexBuffer, cube.indexBuffer};
    GLuint vertexArray = cube.vertexArray;
    std::string key = ShaderManager::keyOf(kWireframeVertexPath, kWireframeFragmentPath, nullptr);
    ASSERT_EQ(engine.shaderManager.findEntry(key)->users.size(), 1u);
    cube.release();
    EXPECT_FALSE(glIsBuffer(buffers[0]) || glIsBuffer(buffers[1]) || glIsVertexArray(vertexArray));
    EXPECT_EQ(engine.shaderManager.findEntry(key)->users.size(), 0u);
}

// An object linked after the tree was built has no GL objects until the next load.
TEST_F(WireframeGl, AnObjectThatNeverBuiltDrawsNothingAndLogsNothing) {
    WireframeCubeObject cube;
    cube.scale = glm::vec3(4.0f);
    log.clear();
    auto px = draw(cube);
    for (int i = 0; i < kSize * kSize; ++i) ASSERT_TRUE(isColour(px, i % kSize, i / kSize, 0, 0, 0));
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    cube.release();  // safe without a build
}
