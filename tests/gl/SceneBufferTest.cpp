// Scene buffers on the real driver: a cube buffer renders its children once per face
// with that face's view, so a cubemap debug object under it paints the six faces in
// their colours; a buffer the driver refuses fails its build.
#include "objects/CubemapDebug.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"

#include "GlContext.h"

namespace {
// Notes the view its cube-buffer parent offers while rendering each face.
class FaceProbe : public SceneObject {
public:
    bool build(Scene*) override { return true; }
    void render(float, const glm::mat4*) override { views.push_back(static_cast<SceneCubeBufferObject*>(parent)->currentView); }
    void release() override {}
    int getType() const override { return 0; }
    std::vector<glm::mat4> views;
};

using SceneBuffers = test::EngineTest;  // trees hung on the scene root are released after each test
} // namespace

TEST_F(SceneBuffers, ACubemapDebugUnderACubeBufferPaintsEachFaceInItsColour) {
    auto* cube = new SceneCubeBufferObject(8, 8, GL_RGBA);
    auto* debug = new CubemapDebug;
    auto* probe = new FaceProbe;
    startScene();
    addChild(engine.scene.root, cube);
    addChild(cube, debug);
    addChild(cube, probe);
    ASSERT_TRUE(buildTree(&engine.scene, cube));
    engine.resourceLoader.processRequests();
    ASSERT_NE(debug->shader.program, dummyProgram);
    const glm::mat4 identity(1.0f);
    cube->render(0.0f, &identity);

    for (uint32_t face = 0; face < 6; ++face) {
        const glm::vec3 want = cubeFaceColor(face) * 255.0f;
        auto px = test::readTexture(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face,
                                    cube->cubeFrameBuffer.getTexture(), 8, 8);
        for (size_t i = 0; i < px.size(); i += 4)
            ASSERT_TRUE(px[i] == want.r && px[i + 1] == want.g && px[i + 2] == want.b) << face << ": " << i / 4;
    }
    EXPECT_EQ(probe->views, std::vector<glm::mat4>(cube->faceViews.begin(), cube->faceViews.end()));
    EXPECT_FALSE(cube->cubeFrameBuffer.bound);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneBuffers, ABufferTheDriverRefusesFailsItsBuildWithAMessage) {
    startScene();
    SceneObject* flat = new SceneBufferObject(0, 0, 1, true, GL_RGBA, 0);
    SceneObject* cube = new SceneCubeBufferObject(0, 0, GL_RGBA);
    addChild(engine.scene.root, flat);
    addChild(engine.scene.root, cube);
    EXPECT_FALSE(buildTree(&engine.scene, flat));
    EXPECT_TRUE(log.contains("Failed to initialize Scene Buffer Object!"));
    EXPECT_FALSE(buildTree(&engine.scene, cube));
    EXPECT_TRUE(log.contains("Failed to initialize Scene Cube Buffer Object!"));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
