// The shared window and context (a global test environment, on the player's own
// window code), the read-back helpers and the EngineTest fixture of GlContext.h.
#include "GlContext.h"

#include "gfx/Mesh.h"
#include "platform/Window.h"
#include "scene/ViewMath.h"

namespace test {
namespace {
class GlEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_TRUE(window.create("gl tests", 256, 256, 0, FullscreenMode::Off, false));
        glewExperimental = GL_TRUE;
        ASSERT_EQ(glewInit(), static_cast<GLenum>(GLEW_OK));
        while (glGetError() != GL_NO_ERROR) continue;
    }
    void TearDown() override {
        window.destroy();
        SDL_Quit();
    }
    Window window;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new GlEnvironment);
} // namespace

std::vector<unsigned char> readPixels(int x, int y, int width, int height, GLuint fbo) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    if (fbo != kCurrent) glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    if (fbo != kCurrent) glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return pixels;
}

std::vector<unsigned char> readTexture(GLenum bindTarget, GLenum imageTarget, GLuint id, int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glBindTexture(bindTarget, id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(imageTarget, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(bindTarget, 0);
    return pixels;
}

void drawCorners(const std::vector<float>& corners, GLenum mode) {
    MeshDesc desc;
    desc.vertices = corners.data();
    desc.vertexBytes = corners.size() * sizeof(float);
    Mesh mesh = createMesh(desc, {{0, 3, 0, 0}});
    glBindVertexArray(mesh.vertexArray);
    glDrawArrays(mode, 0, static_cast<GLsizei>(corners.size() / 3));
    glBindVertexArray(0);  // the code under test must not rely on a vertex array left bound
    destroyMesh(mesh);
}

void EngineTest::SetUp() {
    ASSERT_TRUE(workingDir.enter(SOLVANE_SOURCE_DIR));
    gEngine = &engine;
    ASSERT_TRUE(engine.resourceLoader.init());
    ASSERT_TRUE(engine.fileWatcher.init(20));
    ASSERT_TRUE(engine.shaderManager.init(engine.resourceLoader, &engine.fileWatcher));
    ASSERT_TRUE(engine.textureManager.init(engine.resourceLoader));
    dummyProgram = engine.shaderManager.getDummyShader().program;
}

void EngineTest::startScene() {
    ASSERT_TRUE(engine.syncDevice.init(&clock, syncDir.path() + "/"));
    engine.scene.root = new SceneRootObject;
    engine.scene.projection = ViewMath::projection(60.0f, 1.0f, 0.1f, 10000.0f);
    engine.scene.inverseProjection = glm::inverse(engine.scene.projection);
    // The player's global state: depth test, back faces culled (counter-clockwise fronts).
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}

std::vector<unsigned char> EngineTest::renderOnBlack(SceneObject& object, int size, float time) {
    glViewport(0, 0, size, size);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    object.render(time, &kIdentity);
    return readPixels(0, 0, size, size);
}

void EngineTest::TearDown() {
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    engine.scene.releaseObjects();
    engine.gameController.close();
    engine.syncDevice.shutdown();
    engine.lua.close();
    engine.fileWatcher.shutdown();  // its callbacks point at the shader manager
    engine.textureManager.destroy();
    engine.shaderManager.destroy();
    engine.resourceLoader.terminate();
    gEngine = nullptr;
}

} // namespace test
