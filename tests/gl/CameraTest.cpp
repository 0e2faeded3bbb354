// The free camera modes on the real driver with real tracks and a virtual pad: path
// points placed, removed and built by the buttons with their messages, played by
// "Camera.PathProgress", drawn in a frame; nothing moves without a controller.
#include "objects/CameraObject.h"
#include "objects/WireframeCubeObject.h"
#include "scene/CameraPath.h"

#include "GlContext.h"
#include "VirtualPad.h"

namespace {
constexpr int kSize = 256;  // the test window; frames are drawn into it
using Cameras = test::EngineTest;

void expectVec(const glm::vec3& actual, const glm::vec3& expected) { test::expectNear(actual, expected, 1e-4f); }
} // namespace

TEST_F(Cameras, ButtonsEditThePathThatModeThreeRidesAndTheFrameDraws) {
    // The test window never has keyboard focus, and SDL drops pad input for
    // unfocused windows unless told otherwise.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    test::VirtualPad pad;
    ASSERT_TRUE(engine.gameController.open(pad.deviceIndex()));
    ASSERT_TRUE(engine.lua.create());
    ASSERT_TRUE(engine.lua.runChunk("function render(t) scene.getRoot():render(t) end"));
    startScene();
    glViewport(0, 0, kSize, kSize);
    // Tracks are read once, at their first use: written before the first frame.
    test::writeTrack(syncDir.path(), "Camera.Mode", {{0, 2, Step}, {10, 3, Step}, {20, 7, Step}});
    test::writeTrack(syncDir.path(), "Camera.PathProgress", {{0, 0.5f, Step}});
    // One main-loop frame as far as the camera goes: sample the pad, then the scene.
    auto frame = [&](float row = 0.0f) {
        clock.position = row;
        engine.gameController.update();
        engine.syncDevice.update();
        engine.scene.frame(row);
    };
    auto press = [&](std::initializer_list<SDL_GameControllerButton> buttons) {
        for (auto button : buttons) pad.setButton(button, true);
        frame();
        for (auto button : buttons) pad.setButton(button, false);
        frame();
    };
    auto* camera = new CameraObject(1);
    auto* cube = new WireframeCubeObject;
    addChild(engine.scene.root, camera);
    addChild(engine.scene.root, cube);
    ASSERT_TRUE(buildTree(&engine.scene, engine.scene.root));
    engine.resourceLoader.processRequests();
    engine.scene.activeCamera = camera;
    log.clear();
    // Held A places one point; B takes it back and returns the camera there;
    // B without points does nothing.
    engine.scene.freeCamera.position = glm::vec3(3, 4, 5);
    pad.setButton(SDL_CONTROLLER_BUTTON_A, true);
    for (int i = 0; i < 5; ++i) frame();
    pad.setButton(SDL_CONTROLLER_BUTTON_A, false);
    engine.scene.freeCamera.position = glm::vec3(50, 0, 0);
    press({SDL_CONTROLLER_BUTTON_B});
    press({SDL_CONTROLLER_BUTTON_B});
    expectVec(engine.scene.freeCamera.position, glm::vec3(3, 4, 5));
    EXPECT_TRUE(engine.scene.cameraPathPoints.empty());

    // A wins over B and X in the same frame; X wants four points and a camera object.
    auto placeAt = [&](float x, std::initializer_list<SDL_GameControllerButton> buttons) {
        engine.scene.freeCamera.position = glm::vec3(x, 0, 0);
        press(buttons);
    };
    placeAt(0, {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X});
    placeAt(2, {SDL_CONTROLLER_BUTTON_A});
    placeAt(4, {SDL_CONTROLLER_BUTTON_A});
    press({SDL_CONTROLLER_BUTTON_X});
    EXPECT_EQ(engine.scene.cameraPathPoints.size(), 3u);
    EXPECT_TRUE(camera->pathPoints.empty());
    placeAt(6, {SDL_CONTROLLER_BUTTON_A});
    engine.scene.activeCamera = cube;  // registered by the script, but no camera object
    press({SDL_CONTROLLER_BUTTON_X});
    engine.scene.activeCamera = camera;
    press({SDL_CONTROLLER_BUTTON_X});
    ASSERT_EQ(camera->pathPoints.size(), 25u);
    EXPECT_EQ(log.messages(), (std::vector<std::string>{
                                  "Placed Camera Path Point!", "Removed Camera Path Point!", "Placed Camera Path Point!",
                                  "Placed Camera Path Point!", "Placed Camera Path Point!",
                                  "Cannot Build Path With Less Than 4 Points!", "Placed Camera Path Point!",
                                  "Failed to find camera object in scene!", "Outputted 24 Points Into Array of Size 25!",
                                  "Built Camera Path With 25 Points!"}));

    pad.setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);  // flight is off in mode 3
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);  // looking is not
    frame(10.0f);
    expectVec(engine.scene.freeCamera.position, camera->pathPoints[12]);
    EXPECT_FLOAT_EQ(engine.scene.freeCamera.yaw, 10.0f);
    EXPECT_EQ(engine.scene.view, engine.scene.freeCamera.getViewMatrix());
    // Without a controller (its last sticks still held) free flight holds still,
    // and mode 3 faces the way the path goes.
    engine.gameController.close();
    frame(0.0f);
    expectVec(engine.scene.freeCamera.position, camera->pathPoints[12]);
    frame(10.0f);
    test::expectNear(engine.scene.freeCamera.getDirection(),
                     glm::normalize(cameraPathHeading(camera->pathPoints, 12, 16)), 1e-4f);

    // Mode 7 keeps the view set here: from z = -12 looking along +Z at the path
    // (a line across the middle, drawn in the path's cyan).
    cube->visible = false;
    FirstPersonCamera eye;
    eye.position = glm::vec3(3, 0, -12);
    engine.scene.view = eye.getViewMatrix();
    frame(20.0f);
    const auto px = test::readPixels(0, 0, kSize, kSize);
    const int middle = test::countColours(&px[static_cast<size_t>(kSize / 2 - 1) * kSize * 4], 3 * kSize).cyan;
    EXPECT_GT(middle, kSize / 4);  // the path spans x 0..6 of the 13.9 units in view
    EXPECT_EQ(test::countColours(px.data(), kSize * kSize).cyan, middle);  // and nothing of it elsewhere
}

// A flight flown over 4 s of soundtrack (the camera set every frame, a frame every
// half row) and played back in mode 0 shows the view flown at every recorded row.
TEST_F(Cameras, AFlightRecordedInFreeFlightPlaysBackInModeZeroAsItWasFlown) {
    ASSERT_TRUE(engine.lua.create());
    ASSERT_TRUE(engine.lua.runChunk("function render(t) end"));
    clock.bpm = static_cast<float>(showTiming().beatsPerMinute);  // the show's rows per second
    test::writeTrack(syncDir.path(), "Camera.Mode", {{0, 2, Step}});
    startScene();
    const double perSecond = rowsPerSecond();
    auto flown = [](double row, FirstPersonCamera& camera) {
        const double t = row / rowsPerSecond();
        camera.position = glm::vec3(20.0 * std::cos(0.3 * t), 3.0 + std::sin(t), 20.0 * std::sin(0.3 * t));
        camera.pitch = static_cast<float>(10.0 * std::sin(t));
        camera.yaw = static_cast<float>(25.0 * t);
    };
    auto frame = [&](double row) {
        clock.position = static_cast<float>((row + 1e-4) / perSecond);  // on the row, not a hair before it
        engine.syncDevice.update();
        engine.scene.frame(clock.position);
    };
    // The pad's Y starts it; the scene's toggle (the keyboard's way) ends it.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    test::VirtualPad pad;
    ASSERT_TRUE(engine.gameController.open(pad.deviceIndex()));
    pad.setButton(SDL_CONTROLLER_BUTTON_Y, true);
    engine.gameController.update();
    frame(0.0);
    pad.setButton(SDL_CONTROLLER_BUTTON_Y, false);
    engine.gameController.update();
    ASSERT_TRUE(engine.scene.isRecordingFlight());
    const int first = 15, last = first + static_cast<int>(4.0 * perSecond);
    for (double row = first - 0.5; row <= last; row += 0.5) {
        flown(row, engine.scene.freeCamera);
        frame(row);
    }
    EXPECT_FALSE(engine.scene.toggleFlightRecording());
    EXPECT_LT(getTrack(engine.syncDevice.tracks(), "Camera.X")->keyCount, 114 / 2);

    float worstUnits = 0.0f, worstDegrees = 0.0f;
    for (int row = first; row <= last; ++row) {
        frame(row);
        ASSERT_EQ(engine.scene.cameraMode, 0) << row;
        FirstPersonCamera expected;
        flown(row, expected);
        const glm::mat4& view = engine.scene.view;
        const glm::vec3 direction = -glm::vec3(view[0][2], view[1][2], view[2][2]);
        worstUnits = std::max(worstUnits, glm::distance(glm::vec3(glm::inverse(view)[3]), expected.position));
        worstDegrees = std::max(worstDegrees, glm::degrees(std::acos(std::min(
                                                   1.0f, glm::dot(glm::normalize(direction), expected.getDirection())))));
    }
    EXPECT_LE(worstUnits, 0.01f);
    EXPECT_LE(worstDegrees, 0.5f);
    frame(last + 1);
    EXPECT_EQ(engine.scene.cameraMode, 2);  // the show after the flight is as it was
}
