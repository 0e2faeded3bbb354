// The game controller on virtual SDL pads: dead zone, button edges and the free camera.
// Start-up without a pad runs in the e2e tests, D-pad scrubbing in the gl tests.
#include "platform/GameController.h"
#include "scene/FirstPersonCamera.h"

#include "TestSupport.h"
#include "VirtualPad.h"

namespace {
class Controller : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError(); }
    void TearDown() override { controller.close(); SDL_Quit(); }
    // One frame of the free camera: sample the pad, then look and (in free flight) fly.
    void frame(FirstPersonCamera& camera, bool flight = true) {
        controller.update();
        camera.look(controller);
        if (flight) camera.fly(controller);
    }

    GameController controller;
};
} // namespace

TEST_F(Controller, SticksReadThroughTheDeadZoneAButtonIsPressedInItsFirstFrameAndTheFreeCameraFlies) {
    test::VirtualPad pad;
    ASSERT_TRUE(pad.attached()) << SDL_GetError();
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    controller.update();
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERLEFT), 0.0f);  // at rest
    for (const auto& [set, read] : {std::make_pair(0.1f, 0.0f), std::make_pair(-0.6f, -0.5f), std::make_pair(1.0f, 1.0f)}) {
        pad.setStick(SDL_CONTROLLER_AXIS_LEFTX, set);
        controller.update();
        EXPECT_NEAR(controller.getAxis(SDL_CONTROLLER_AXIS_LEFTX), read, 1e-3f) << set;
    }
    pad.setButton(SDL_CONTROLLER_BUTTON_A, true);
    std::vector<bool> pressed;
    for (int i = 0; i < 3; ++i) {
        controller.update();
        EXPECT_TRUE(controller.isButtonDown(SDL_CONTROLLER_BUTTON_A));
        pressed.push_back(controller.isButtonPressed(SDL_CONTROLLER_BUTTON_A));
    }
    EXPECT_EQ(pressed, (std::vector<bool>{true, false, false}));

    // The free camera stops short of the poles, flies along the view, and the triggers stop it.
    pad.setStick(SDL_CONTROLLER_AXIS_LEFTX, 0.0f);
    FirstPersonCamera camera;
    for (float stick : {-1.0f, 1.0f}) {  // stick up looks up
        pad.setStick(SDL_CONTROLLER_AXIS_RIGHTY, stick);
        for (int i = 0; i < 20; ++i) frame(camera, false);
        EXPECT_FLOAT_EQ(camera.pitch, stick * 89.999f);
    }
    camera.pitch = 45.0f;  // looking down
    camera.yaw = 355.0f;
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTY, 0.0f);
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);  // 10 degrees a frame, wrapping past 360
    frame(camera, false);
    EXPECT_NEAR(camera.yaw, 5.0f, 1e-3f);
    camera.yaw = 0.0f;
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTX, 0.0f);
    pad.setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);  // forward
    pad.setStick(SDL_CONTROLLER_AXIS_LEFTX, 1.0f);   // and right, which is -X when looking along +Z
    frame(camera);
    const float d = 25.0f * std::sqrt(0.5f);
    test::expectNear(camera.position, glm::vec3(-d, -d, d), 1e-3f);
    for (auto axis : {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT}) pad.setTrigger(axis, 1.0f);
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);
    frame(camera);
    EXPECT_TRUE(camera.pitch == 45.0f && camera.yaw == 0.0f) << camera.pitch << ", " << camera.yaw;
    test::expectNear(camera.position, glm::vec3(-d, -d, d), 1e-3f);
}
