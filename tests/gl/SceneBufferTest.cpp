// Scene buffers on the real driver: a cube buffer renders its children once per
// face with that face's view, so a cubemap debug object under it paints the six
// faces in their colours; a 2D buffer renders its children off screen and the
// scene hands it to the post processor, which resolves it and presents it.
#include "audio/ManualAudioDevice.h"
#include "core/Engine.h"
#include "objects/CubemapDebug.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"
#include "sync/TrackText.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include <vector>

namespace {
constexpr int kWidth = 64;
constexpr int kHeight = 48;

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

// An engine with the loader, the shader manager, sync tracks on a hand-set
// clock and the scene's post processor, run from the source tree.
class SceneBuffers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(workingDir.enter(SOLVANE_SOURCE_DIR));
        gEngine = &engine;
        ASSERT_TRUE(engine.resourceLoader.init(&engine));
        ASSERT_TRUE(engine.shaderManager.init(engine.resourceLoader, nullptr));
        ASSERT_TRUE(engine.syncDevice.init(&audio, tracks.path() + "/"));
        engine.syncDevice.update();
        PostProcessorSetup setup;
        setup.shaders = &engine.shaderManager;
        setup.width = kWidth;
        setup.height = kHeight;
        setup.sampleCount = 4;
        setup.tracks = [](const char* name) { return gEngine->syncDevice.getFloat(name); };
        ASSERT_TRUE(engine.scene.postProcessor.init(setup));
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }
    void TearDown() override {
        releaseTree(tree);
        engine.scene.postProcessor.release();
        engine.shaderManager.destroy();
        engine.resourceLoader.terminate();
        engine.syncDevice.shutdown();
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
    test::TempDir tracks;
    ManualAudioDevice audio;
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
    glViewport(0, 0, 100, 50);
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
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 50);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneBuffers, AMultisampledSceneBufferIsRenderedOffScreenAndPresentedThroughTheChain) {
    auto* buffer = new SceneBufferObject(kWidth, kHeight, 1, true, GL_RGBA16F, 4);
    auto* debug = new CubemapDebug;
    tree = buffer;
    addChild(buffer, debug);
    buildAll();
    ASSERT_TRUE(buffer->frameBuffer.multisampled);

    // Outside a cube buffer the colour is the view direction: with the
    // identity view it is (0, 0, -1), sent negative as it is.
    engine.scene.view = glm::mat4(1.0f);
    glViewport(0, 0, kWidth, kHeight);
    buffer->render(0.0f, &identity);
    GLfloat sent[3] = {1.0f, 1.0f, 1.0f};
    glGetUniformfv(debug->shader.program, debug->shader.getUniformLocation("uFaceColor"), sent);
    EXPECT_EQ(sent[0], 0.0f);
    EXPECT_EQ(sent[1], 0.0f);
    EXPECT_EQ(sent[2], -1.0f);

    // A view turned so that the world point (0, 0, -1) lies at (0.6, 0, -0.8) in view space.
    engine.scene.view = glm::rotate(glm::mat4(1.0f), std::atan2(-0.6f, 0.8f), glm::vec3(0, 1, 0));
    buffer->render(0.0f, &identity);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    engine.scene.postProcessBufferNode(buffer);
    auto shown = test::readPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_NEAR(shown[0], 153, 2);
    EXPECT_EQ(shown[1], 0);
    EXPECT_EQ(shown[2], 0);

    // A hidden buffer still clears its target but draws no children.
    buffer->visible = false;
    buffer->render(0.0f, &identity);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    engine.scene.postProcessBufferNode(buffer);
    shown = test::readPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_EQ(shown, (std::vector<uint8_t>{0, 0, 0, 255}));
    EXPECT_FALSE(log.contains("Cannot Post Process Invalid Buffer Node!"));
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
