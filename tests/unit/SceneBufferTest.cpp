// Scene buffers and the cubemap debug object without GL: the factory's arguments and
// checks, the cube faces' projection (bit for bit) and views, the debug colours, and
// what post-processing refuses.
#include "objects/CubemapDebug.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"

#include "LuaFixture.h"
#include "VecExpect.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cstring>

namespace {
uint32_t bitsOf(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

using SceneBufferScript = LuaFixture;
} // namespace

TEST_F(SceneBufferScript, TheFactoryPassesTheArgumentsOnAndChecksFormatAndDepth) {
    ASSERT_EQ(run("plain = object.new('sceneBuffer', 640, 360, 2, false, 'RGBA', 0)\n"
                  "hdr = object.new('sceneBuffer', 320, 180, 1, true, 'RGBA16F', 4)\n"
                  "cube = object.new('sceneCubeBuffer', 128, 64, 'RGBA16F')\n"
                  "debug = object.new('cubemapDebug')"),
              "");
    auto* plain = global<SceneBufferObject>("plain");
    EXPECT_EQ(plain->getType(), 16);
    EXPECT_TRUE(plain->width == 640 && plain->height == 360 && plain->colorCount == 2 && !plain->withDepth &&
                plain->internalFormat == GL_RGBA && plain->samples == 0);
    auto* hdr = global<SceneBufferObject>("hdr");
    EXPECT_TRUE(hdr->withDepth && hdr->internalFormat == GL_RGBA16F && hdr->samples == 4);
    auto* cube = global<SceneCubeBufferObject>("cube");
    EXPECT_EQ(cube->getType(), 17);
    EXPECT_TRUE(cube->faceWidth == 128 && cube->faceHeight == 64 && cube->internalFormat == GL_RGBA16F);
    EXPECT_EQ(cube->currentPosition, glm::vec3(0.0f));
    for (const glm::mat4& view : cube->faceViews) EXPECT_EQ(view, glm::mat4(1.0f));  // set at build
    EXPECT_EQ(global<CubemapDebug>("debug")->getType(), 19);

    uint64_t before = global<SceneObject>("debug")->getSerial();
    const std::string format = "test:1: bad argument #6 to 'new' ('RGBA or RGBA16F' expected)";
    for (const char* name : {"'rgba'", "'RGBA32F'"})
        EXPECT_EQ(run(std::string("object.new('sceneBuffer', 64, 64, 1, true, ") + name + ", 0)"), format);
    EXPECT_EQ(run("object.new('sceneBuffer', 64, 64, 1, 1, 'RGBA', 0)"),
              "test:1: bad argument #5 to 'new' ('boolean' expected)");
    EXPECT_EQ(run("object.new('sceneBuffer', 64, 64, 1, true, 'RGBA')"),
              "test:1: bad argument #7 to 'new' (number expected, got no value)");
    EXPECT_EQ(run("object.new('sceneCubeBuffer', 64, 64, 'rgba16f')"),
              "test:1: bad argument #4 to 'new' ('RGBA or RGBA16F' expected)");
    ASSERT_EQ(run("after = object.new('cubemapDebug')"), "");
    EXPECT_EQ(global<SceneObject>("after")->getSerial(), before + 1) << "a refused call allocated an object";
}

TEST_F(SceneBufferScript, OnlyA2DSceneBufferIsPostProcessed) {
    ASSERT_EQ(run("cube = object.new('sceneCubeBuffer', 16, 16, 'RGBA')\n"
                  "scene.postProcessBufferNode(cube)\n"
                  "scene.postProcessBufferNode(object.new('cubemapDebug'))"),
              "");
    EXPECT_EQ(log.count("Cannot Post Process Invalid Buffer Node!"), 2u);
    engine.scene.postProcessBufferNode(nullptr);
    EXPECT_EQ(log.count("Cannot Post Process Invalid Buffer Node!"), 3u);
}

TEST(CubeFaces, TheProjectionHasTheExactElementValues) {
    const glm::mat4 projection = cubeFaceProjection();
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            SCOPED_TRACE(testing::Message() << "[" << column << "][" << row << "]");
            const float value = projection[column][row];
            if (column == row && column < 2)
                EXPECT_EQ(bitsOf(value), 0x3F800000u);  // 0.2 / (2 x tan(pi/4) x 0.1) is exactly 1
            else if (column == 2 && row == 2)
                EXPECT_EQ(bitsOf(value), 0xBF8000A7u);
            else if (column == 2 && row == 3)
                EXPECT_EQ(value, -1.0f);
            else if (column == 3 && row == 2)
                EXPECT_EQ(bitsOf(value), 0xBE4CCD52u);
            else
                EXPECT_EQ(bitsOf(value) & 0x7FFFFFFFu, 0u);
        }
}

TEST(CubeFaces, EachViewLooksDownItsAxisFromTheOrigin) {
    const glm::vec3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const auto views = cubeFaceViews();
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        const glm::mat4& view = views[face];
        EXPECT_EQ(glm::vec3(view[3]), glm::vec3(0.0f)) << "no translation: the face camera sits at the origin";
        // The face's axis lies straight ahead (-Z in view space).
        const glm::vec3 ahead = glm::vec3(view * glm::vec4(axes[face], 0.0f));
        EXPECT_NEAR(ahead.z, -1.0f, 1e-6f);
        EXPECT_NEAR(glm::length(glm::vec2(ahead)), 0.0f, 1e-3f);
        if (face < 2 || face > 3) {
            EXPECT_NEAR(glm::vec3(view * glm::vec4(0, -1, 0, 0)).y, 1.0f, 1e-6f) << "world down is up on screen";
        }
    }
}

TEST(CubemapDebugColours, FacesTakeTheirTableColourAndOtherwiseTheViewDirection) {
    const glm::vec3 expected[6] = {{1, 0, 0}, {1, 1, 0}, {0, 0, 1}, {0, 1, 0}, {1, 0, 1}, {0, 1, 1}};
    for (uint32_t face = 0; face < 6; ++face) EXPECT_EQ(cubeFaceColor(face), expected[face]);
    EXPECT_EQ(cubeFaceColor(9), expected[5]);
    EXPECT_EQ(viewDirectionColor(glm::mat4(1.0f)), glm::vec3(0.0f, 0.0f, -1.0f));
    // The camera at (0, 0, 3) looking down -Z sees the point 4 units straight ahead.
    const glm::mat4 view = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -3.0f));
    EXPECT_EQ(viewDirectionColor(view), glm::vec3(0.0f, 0.0f, -1.0f));
    const glm::mat4 turned = glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 1, 0));
    test::expectNear(viewDirectionColor(turned), glm::vec3(-1.0f, 0.0f, 0.0f));
}
