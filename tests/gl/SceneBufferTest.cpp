// Scene buffers on the real driver: a buffer the driver refuses fails its build.
// (What a cube buffer paints is seen through the sky box and the sky dome.)
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"

#include "GlContext.h"

using SceneBuffers = test::EngineTest;  // trees hung on the scene root are released after each test

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
