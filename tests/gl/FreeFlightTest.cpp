// Camera modes 2 and 3 on the real driver with a virtual pad: free flight,
// path points placed, removed and built into the active camera object, the
// built path drawn in a frame, and path playback by "Camera.PathProgress".
#include "audio/ManualAudioDevice.h"
#include "core/Engine.h"
#include "gfx/FrameBuffer.h"
#include "objects/CameraObject.h"
#include "objects/WireframeCubeObject.h"
#include "scene/SceneRootObject.h"
#include "scene/ViewMath.h"
#include "sync/TrackText.h"

#include "GlContext.h"
#include "TestSupport.h"
#include "VirtualPad.h"
#include "VecExpect.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr int kSize = 160;

// An engine with the shader manager, Lua, the sync device on a hand-set clock,
// an empty scene root and a virtual pad opened as the game controller.
class FreeFlight : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(workingDir.enter(SOLVANE_SOURCE_DIR));  // the shaders are opened from res/
        // The test window never has keyboard focus, and SDL drops pad input
        // for unfocused windows unless told otherwise.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        pad = std::make_unique<test::VirtualPad>();
        gEngine = &engine;
        ASSERT_TRUE(engine.gameController.open(pad->deviceIndex()));
        ASSERT_TRUE(engine.resourceLoader.init(&engine));
        ASSERT_TRUE(engine.shaderManager.init(engine.resourceLoader, nullptr));
        ASSERT_TRUE(engine.lua.create());
        ASSERT_TRUE(engine.lua.runChunk("function render(t) end"));
        ASSERT_TRUE(engine.syncDevice.init(&audio, syncDir.path() + "/"));
        engine.scene.root = new SceneRootObject;
        engine.scene.projection = ViewMath::projection(60.0f, 1.0f, 0.1f, 10000.0f);
        ASSERT_TRUE(target.create(kSize, kSize, 1, true, GL_RGBA8, 0));
        setTrack("Camera.Mode", 2.0f);
    }
    void TearDown() override {
        target.destroy();
        engine.scene.releaseObjects();
        engine.gameController.close();
        pad.reset();
        engine.syncDevice.shutdown();
        engine.lua.close();
        engine.shaderManager.destroy();
        engine.resourceLoader.terminate();
        gEngine = nullptr;
    }

    // A track holding one value from row 0 on; read from the next frame.
    void setTrack(const std::string& name, float value) {
        auto bytes = encodeTrack({{0, value, Step}});
        test::writeFile(syncDir.file(trackFileName(name)), std::string(bytes.begin(), bytes.end()));
    }
    // One main-loop frame as far as the camera goes: sample the pad, then the scene.
    void frame() {
        engine.gameController.update();
        engine.syncDevice.update();
        target.bind(true);
        engine.scene.frame(0.0f);
        target.unbind();
    }
    void press(SDL_GameControllerButton button) {
        pad->setButton(button, true);
        frame();
        pad->setButton(button, false);
        frame();
    }
    CameraObject* addCameraObject() {
        auto* camera = new CameraObject(1);
        addChild(engine.scene.root, camera);
        EXPECT_TRUE(camera->build(&engine.scene));
        engine.scene.activeCamera = camera;
        return camera;
    }
    // Places control points at these positions by flying there and pressing A.
    void placePoints(const std::vector<glm::vec3>& points) {
        for (const glm::vec3& p : points) {
            engine.scene.freeCamera.position = p;
            press(SDL_CONTROLLER_BUTTON_A);
        }
    }

    test::LogCapture log;
    std::unique_ptr<test::VirtualPad> pad;
    test::TempDir syncDir;
    ManualAudioDevice audio;
    Engine engine;
    FrameBuffer target;
    test::WorkingDir workingDir;
};

void expectVec(const glm::vec3& actual, const glm::vec3& expected) { test::expectNear(actual, expected, 1e-4f); }

const std::vector<glm::vec3> kFourAlongX = {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {6, 0, 0}};
} // namespace

TEST_F(FreeFlight, WithoutAControllerModesTwoAndThreeKeepTheCameraAsItIs) {
    engine.gameController.close();
    FirstPersonCamera& camera = engine.scene.freeCamera;
    camera.position = glm::vec3(1, 2, 3);
    camera.pitch = 12.0f;
    camera.yaw = 34.0f;
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);
    pad->setButton(SDL_CONTROLLER_BUTTON_A, true);
    for (float mode : {2.0f, 3.0f}) {
        setTrack("Camera.Mode", mode);
        engine.syncDevice.shutdown();  // tracks are read once: start a fresh store
        ASSERT_TRUE(engine.syncDevice.init(&audio, syncDir.path() + "/"));
        frame();
        expectVec(camera.position, glm::vec3(1, 2, 3));
        EXPECT_FLOAT_EQ(camera.pitch, 12.0f);
        EXPECT_FLOAT_EQ(camera.yaw, 34.0f);
        EXPECT_EQ(engine.scene.view, camera.getViewMatrix());  // rendered from its last pose
    }
    EXPECT_TRUE(engine.scene.cameraPathPoints.empty());
}

TEST_F(FreeFlight, ModeTwoFliesTheFreeCameraAndViewsThroughIt) {
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);
    frame();
    expectVec(engine.scene.freeCamera.position, glm::vec3(0, 0, 25));
    EXPECT_EQ(engine.scene.view, engine.scene.freeCamera.getViewMatrix());
    expectVec(engine.scene.cameraPosition, ViewMath::cameraPositionFromView(engine.scene.view));
}

TEST_F(FreeFlight, HoldingAPlacesOnePointAndBTakesItBack) {
    engine.scene.freeCamera.position = glm::vec3(3, 4, 5);
    pad->setButton(SDL_CONTROLLER_BUTTON_A, true);
    for (int i = 0; i < 5; ++i) frame();
    ASSERT_EQ(engine.scene.cameraPathPoints.size(), 1u);
    EXPECT_EQ(log.count("Placed Camera Path Point!"), 1u);
    pad->setButton(SDL_CONTROLLER_BUTTON_A, false);
    frame();

    engine.scene.freeCamera.position = glm::vec3(50, 0, 0);
    press(SDL_CONTROLLER_BUTTON_B);
    EXPECT_TRUE(engine.scene.cameraPathPoints.empty());
    expectVec(engine.scene.freeCamera.position, glm::vec3(3, 4, 5));  // back on the removed point
    log.clear();
    press(SDL_CONTROLLER_BUTTON_B);  // no points: nothing happens, nothing is said
    expectVec(engine.scene.freeCamera.position, glm::vec3(3, 4, 5));
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(FreeFlight, XBuildsThePathIntoTheActiveCameraObjectOnlyFromFourPoints) {
    CameraObject* camera = addCameraObject();
    placePoints({kFourAlongX[0], kFourAlongX[1], kFourAlongX[2]});
    press(SDL_CONTROLLER_BUTTON_X);
    EXPECT_TRUE(log.contains("Cannot Build Path With Less Than 4 Points!"));
    EXPECT_TRUE(camera->pathPoints.empty());
    EXPECT_EQ(engine.scene.cameraPathPoints.size(), 3u);

    placePoints({kFourAlongX[3]});
    press(SDL_CONTROLLER_BUTTON_X);
    ASSERT_EQ(camera->pathPoints.size(), 25u);
    EXPECT_TRUE(log.contains("Built Camera Path With 25 Points!"));
    for (const auto& entry : log.entries()) {
        if (entry.message.find("Camera Path") != std::string::npos) {
            EXPECT_EQ(entry.category, SDL_LOG_CATEGORY_APPLICATION);
        }
    }
}

TEST_F(FreeFlight, XWithoutACameraObjectOnlySaysSo) {
    placePoints(kFourAlongX);
    press(SDL_CONTROLLER_BUTTON_X);
    EXPECT_EQ(log.count("Failed to find camera object in scene!"), 1u);
    // An object of another kind registered by the script is no camera object either.
    auto* cube = new WireframeCubeObject;
    addChild(engine.scene.root, cube);
    engine.scene.activeCamera = cube;
    press(SDL_CONTROLLER_BUTTON_X);
    EXPECT_EQ(log.count("Failed to find camera object in scene!"), 2u);
}

TEST_F(FreeFlight, ModeThreeRidesThePathAtItsProgressAndStillLooksAround) {
    CameraObject* camera = addCameraObject();
    placePoints(kFourAlongX);
    press(SDL_CONTROLLER_BUTTON_X);
    ASSERT_EQ(camera->pathPoints.size(), 25u);

    setTrack("Camera.Mode", 3.0f);
    setTrack("Camera.PathProgress", 0.5f);
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(&audio, syncDir.path() + "/"));
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);  // flight is off in this mode
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);
    frame();
    expectVec(engine.scene.freeCamera.position, camera->pathPoints[12]);
    EXPECT_FLOAT_EQ(engine.scene.freeCamera.yaw, 10.0f);
    EXPECT_EQ(engine.scene.view, engine.scene.freeCamera.getViewMatrix());
}

TEST_F(FreeFlight, TheBuiltPathIsDrawnInTheFrame) {
    CameraObject* camera = addCameraObject();
    // A bent path in the plane z = 0, seen from z = -12 looking along +Z.
    placePoints({{-4, -3, 0}, {-2, 2, 0}, {2, -2, 0}, {4, 3, 0}});
    press(SDL_CONTROLLER_BUTTON_X);
    ASSERT_FALSE(camera->pathPoints.empty());
    engine.resourceLoader.processRequests();  // compiles the wireframe program

    setTrack("Camera.Mode", 7.0f);  // outside 0..3: the view set below stays
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(&audio, syncDir.path() + "/"));
    FirstPersonCamera eye;
    eye.position = glm::vec3(0, 0, -12);
    engine.scene.view = eye.getViewMatrix();
    ASSERT_TRUE(engine.lua.runChunk("function render(t) scene.getRoot():render(t) end"));
    frame();
    target.bind(false);
    auto pixels = test::readPixels(0, 0, kSize, kSize);
    target.unbind();
    if (const char* shots = std::getenv("SOLVANE_TEST_SHOTS"))
        stbi_write_png((std::string(shots) + "/camera_path.png").c_str(), kSize, kSize, 4, pixels.data(), kSize * 4);

    // The path colour where the path is, and only there.
    auto isPath = [&](int x, int y) {
        const unsigned char* p = &pixels[(static_cast<size_t>(y) * kSize + x) * 4];
        return std::abs(p[0] - 23) <= 3 && std::abs(p[1] - 201) <= 3 && std::abs(p[2] - 230) <= 3;
    };
    glm::mat4 clip = engine.scene.projection * engine.scene.view;
    int onPath = 0;
    for (size_t i = 0; i < camera->pathPoints.size(); i += 4) {
        glm::vec4 c = clip * glm::vec4(camera->pathPoints[i], 1.0f);
        glm::vec2 w = (glm::vec2(c) / c.w + 1.0f) * 0.5f * static_cast<float>(kSize);
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy)
            for (int dx = -1; dx <= 1 && !found; ++dx) found = isPath(static_cast<int>(w.x) + dx, static_cast<int>(w.y) + dy);
        onPath += found ? 1 : 0;
    }
    EXPECT_GE(onPath, static_cast<int>(camera->pathPoints.size() / 4) - 1);
    EXPECT_FALSE(isPath(kSize / 2, kSize - 4));  // far above the path: background
    EXPECT_FALSE(isPath(4, 4));
}
