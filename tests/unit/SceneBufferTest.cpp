// Scene buffers and the cubemap debug object without GL: the factory's arguments and
// checks, the cube faces' views, the debug colours' clamp, and what post-processing refuses.
#include "objects/CubemapDebug.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"

#include "LuaFixture.h"

#include <glm/gtc/matrix_transform.hpp>

using SceneBufferScript = LuaFixture;

TEST_F(SceneBufferScript, TheFactoryPassesTheArgumentsOnAndChecksFormatAndDepth) {
    ASSERT_EQ(run("plain = object.new('sceneBuffer', 640, 360, 2, false, 'RGBA', 0)\n"
                  "hdr = object.new('sceneBuffer', 320, 180, 1, true, 'RGBA16F', 4)\n"
                  "cube = object.new('sceneCubeBuffer', 128, 64, 'RGBA16F')"),
              "");
    auto* plain = global<SceneBufferObject>("plain");
    EXPECT_TRUE(plain->width == 640 && plain->height == 360 && plain->colorCount == 2 && !plain->withDepth &&
                plain->internalFormat == GL_RGBA && plain->samples == 0);
    auto* hdr = global<SceneBufferObject>("hdr");
    EXPECT_TRUE(hdr->withDepth && hdr->internalFormat == GL_RGBA16F && hdr->samples == 4);
    auto* cube = global<SceneCubeBufferObject>("cube");
    EXPECT_TRUE(cube->faceWidth == 128 && cube->faceHeight == 64 && cube->internalFormat == GL_RGBA16F);

    const uint64_t before = cube->getSerial();
    const std::string format = "test:1: bad argument #6 to 'new' ('RGBA or RGBA16F' expected)";
    for (const char* name : {"'rgba'", "'RGBA32F'"})
        EXPECT_EQ(run(std::string("object.new('sceneBuffer', 64, 64, 1, true, ") + name + ", 0)"), format);
    EXPECT_EQ(run("object.new('sceneBuffer', 64, 64, 1, 1, 'RGBA', 0)"),
              "test:1: bad argument #5 to 'new' ('boolean' expected)");
    EXPECT_EQ(run("object.new('sceneCubeBuffer', 64, 64, 'rgba16f')"),
              "test:1: bad argument #4 to 'new' ('RGBA or RGBA16F' expected)");
    ASSERT_EQ(run("after = object.new('cubemapDebug')"), "");
    EXPECT_EQ(global<SceneObject>("after")->getSerial(), before + 1) << "a refused call allocated an object";
}

TEST_F(SceneBufferScript, OnlyA2DSceneBufferIsPostProcessed) {
    ASSERT_EQ(run("scene.postProcessBufferNode(object.new('sceneCubeBuffer', 16, 16, 'RGBA'))\n"
                  "scene.postProcessBufferNode(object.new('cubemapDebug'))"),
              "");
    engine.scene.postProcessBufferNode(nullptr);
    EXPECT_EQ(log.count("Cannot Post Process Invalid Buffer Node!"), 3u);
}

TEST(CubeFaces, EachViewLooksDownItsAxisFromTheOrigin) {
    const glm::vec3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const auto views = cubeFaceViews();
    for (int face = 0; face < 6; ++face) {
        const glm::mat4& view = views[face];
        EXPECT_EQ(glm::vec3(view[3]), glm::vec3(0.0f)) << face;
        // The face's axis lies straight ahead (-Z in view space); on the side faces world down is up on screen.
        test::expectNear(glm::vec3(view * glm::vec4(axes[face], 0.0f)), {0, 0, -1}, 1e-3f);
        if (face < 2 || face > 3) {
            EXPECT_NEAR(glm::vec3(view * glm::vec4(0, -1, 0, 0)).y, 1.0f, 1e-6f) << face;
        }
    }
}

TEST(CubemapDebugColours, FacesPastTheLastReadAsTheLastAndOtherwiseTheViewDirection) {
    EXPECT_EQ(cubeFaceColor(9), cubeFaceColor(5));
    // The camera at (0, 0, 3) looking down -Z sees the point 4 units straight ahead.
    EXPECT_EQ(viewDirectionColor(glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -3))), glm::vec3(0, 0, -1));
    const glm::mat4 turned = glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 1, 0));
    test::expectNear(viewDirectionColor(turned), glm::vec3(-1.0f, 0.0f, 0.0f));
}
