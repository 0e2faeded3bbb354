// Scene buffers on the real driver: a cube buffer renders its children once per
// face with that face's view, so a cubemap debug object under it paints the six
// faces in their colours; a 2D buffer renders its visible children off screen
// and clears its target even when hidden.
#include "core/Engine.h"
#include "objects/CubemapDebug.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include <vector>

namespace {
// Notes what its cube-buffer parent offers while rendering each face.
class FaceProbe : public SceneObject {
public:
    bool build(Scene*) override { return true; }
    void render(float, const glm::mat4*) override {
        auto* cube = static_cast<SceneCubeBufferObject*>(parent);
        faces.push_back({cube->cubeFrameBuffer.currentFace, cube->cubeFrameBuffer.bound, cube->currentView,
                         cube->currentPosition});
    }
    void release() override {}
    int getType() const override { return 0; }

    struct Face {
        uint32_t face;
        bool bound;
        glm::mat4 view;
        glm::vec3 position;
    };
    std::vector<Face> faces;
};

// An engine with the loader and the shader manager, run from the source tree.
class SceneBuffers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(workingDir.enter(SOLVANE_SOURCE_DIR));
        gEngine = &engine;
        ASSERT_TRUE(engine.resourceLoader.init(&engine));
        ASSERT_TRUE(engine.shaderManager.init(engine.resourceLoader, nullptr));
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }
    void TearDown() override {
        releaseTree(tree);
        engine.shaderManager.destroy();
        engine.resourceLoader.terminate();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        gEngine = nullptr;
    }

    void buildAll() {
        ASSERT_TRUE(buildTree(&engine.scene, tree));
        engine.resourceLoader.processRequests();
    }

    test::WorkingDir workingDir;
    test::LogCapture log;
    Engine engine;
    SceneObject* tree = nullptr;  // released and deleted after each test
    const glm::mat4 identity{1.0f};
};
} // namespace

TEST_F(SceneBuffers, ACubemapDebugUnderACubeBufferPaintsEachFaceInItsColour) {
    auto* cube = new SceneCubeBufferObject(8, 8, GL_RGBA);
    auto* debug = new CubemapDebug;
    auto* probe = new FaceProbe;
    tree = cube;
    addChild(cube, debug);
    addChild(cube, probe);
    buildAll();
    ASSERT_NE(debug->shader.program, engine.shaderManager.getDummyShader().program);
    cube->render(0.0f, &identity);

    const uint8_t colours[6][3] = {{255, 0, 0}, {255, 255, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 255}, {0, 255, 255}};
    std::vector<uint8_t> pixels(8 * 8 * 4);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube->cubeFrameBuffer.getTexture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        for (size_t i = 0; i < pixels.size(); i += 4)
            ASSERT_TRUE(pixels[i] == colours[face][0] && pixels[i + 1] == colours[face][1] &&
                        pixels[i + 2] == colours[face][2])
                << "texel " << i / 4;
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

    ASSERT_EQ(probe->faces.size(), 6u);
    for (uint32_t face = 0; face < 6; ++face) {
        const FaceProbe::Face& seen = probe->faces[face];
        EXPECT_EQ(seen.face, face);
        EXPECT_TRUE(seen.bound);
        EXPECT_EQ(seen.view, cube->faceViews[face]);
        EXPECT_EQ(seen.position, glm::vec3(0.0f));
    }
    EXPECT_EQ(cube->currentView, cube->faceViews[5]) << "the last face's view stays";
    EXPECT_FALSE(cube->cubeFrameBuffer.bound);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneBuffers, ASceneBufferRendersItsVisibleChildrenOffScreenAndAHiddenOneOnlyClears) {
    auto* buffer = new SceneBufferObject(16, 8, 1, true, GL_RGBA, 0);
    auto* debug = new CubemapDebug;
    tree = buffer;
    addChild(buffer, debug);
    buildAll();
    auto centre = [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, buffer->frameBuffer.fbo);
        auto pixel = test::readPixels(8, 4, 1, 1);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return pixel;
    };

    // Outside a cube buffer the colour is the view direction: with the
    // identity view it is (0, 0, -1), sent negative as it is.
    buffer->render(0.0f, &identity);
    GLfloat sent[3] = {1.0f, 1.0f, 1.0f};
    glGetUniformfv(debug->shader.program, debug->shader.getUniformLocation("uFaceColor"), sent);
    EXPECT_TRUE(sent[0] == 0.0f && sent[1] == 0.0f && sent[2] == -1.0f);

    // A view turned so that the world point (0, 0, -1) lies at (0.6, 0, -0.8) in view space.
    engine.scene.view = glm::rotate(glm::mat4(1.0f), std::atan2(-0.6f, 0.8f), glm::vec3(0, 1, 0));
    buffer->render(0.0f, &identity);
    EXPECT_EQ(centre(), (std::vector<uint8_t>{153, 0, 0, 255}));
    buffer->visible = false;
    buffer->render(0.0f, &identity);
    EXPECT_EQ(centre(), (std::vector<uint8_t>{0, 0, 0, 255}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneBuffers, ABufferTheDriverRefusesFailsItsBuildWithAMessage) {
    tree = new SceneBufferObject(0, 0, 1, true, GL_RGBA, 0);
    EXPECT_FALSE(buildTree(&engine.scene, tree));
    EXPECT_TRUE(log.contains("Failed to initialize Scene Buffer Object!"));
    SceneObject* cube = new SceneCubeBufferObject(0, 0, GL_RGBA);
    EXPECT_FALSE(buildTree(&engine.scene, cube));
    EXPECT_TRUE(log.contains("Failed to initialize Scene Cube Buffer Object!"));
    releaseTree(cube);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
