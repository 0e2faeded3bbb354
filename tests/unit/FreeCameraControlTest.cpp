// The free camera under a real SDL controller (a virtual pad): look limits
// and wrapping, triggers as brakes, flight along the view and to the right.
#include "platform/GameController.h"
#include "scene/FirstPersonCamera.h"

#include "VirtualPad.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

namespace {
class FreeCameraControl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        pad = new test::VirtualPad();
        ASSERT_TRUE(controller.open(pad->deviceIndex()));
    }
    void TearDown() override {
        controller.close();
        delete pad;
        SDL_Quit();
    }
    // One frame: sample the pad, then apply the controls as free flight does.
    void frame(bool flight = true) {
        controller.update();
        camera.look(controller);
        if (flight) camera.fly(controller);
    }

    test::VirtualPad* pad = nullptr;
    GameController controller;
    FirstPersonCamera camera;
};

void expectVec(const glm::vec3& actual, const glm::vec3& expected) { test::expectNear(actual, expected, 1e-3f); }
} // namespace

TEST_F(FreeCameraControl, PitchStopsShortOfBothPoles) {
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTY, -1.0f);  // stick up looks up
    for (int i = 0; i < 20; ++i) frame();
    EXPECT_FLOAT_EQ(camera.pitch, -89.999f);
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTY, 1.0f);
    frame();
    EXPECT_FLOAT_EQ(camera.pitch, -79.999f);  // 10 degrees a frame at full tilt
    for (int i = 0; i < 30; ++i) frame();
    EXPECT_FLOAT_EQ(camera.pitch, 89.999f);
    EXPECT_FLOAT_EQ(camera.yaw, 0.0f);
}

TEST_F(FreeCameraControl, YawWrapsBothWays) {
    camera.yaw = 355.0f;
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);
    frame();
    EXPECT_NEAR(camera.yaw, 5.0f, 1e-3f);
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTX, -1.0f);
    frame();
    frame();
    EXPECT_NEAR(camera.yaw, 345.0f, 1e-3f);
    camera.yaw = 0.0f;
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTX, -0.2001f);  // a hair past the dead zone
    frame();
    EXPECT_GE(camera.yaw, 0.0f);
    EXPECT_LT(camera.yaw, 360.0f);
}

TEST_F(FreeCameraControl, FullyPressedTriggersStopTurningAndMoving) {
    camera.position = glm::vec3(1, 2, 3);
    camera.pitch = 10.0f;
    camera.yaw = 20.0f;
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTY, 1.0f);
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTX, 1.0f);
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);
    pad->setTrigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 1.0f);
    pad->setTrigger(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 1.0f);
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_FLOAT_EQ(camera.pitch, 10.0f);
    EXPECT_FLOAT_EQ(camera.yaw, 20.0f);
    expectVec(camera.position, glm::vec3(1, 2, 3));
    // Half-way presses leave more than half the speed: the dead zone comes first.
    pad->setTrigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0.6f);
    frame(false);
    EXPECT_NEAR(camera.yaw, 25.0f, 0.01f);
}

TEST_F(FreeCameraControl, TheLeftStickFliesAlongTheViewAndToTheRight) {
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);  // forward
    frame();
    expectVec(camera.position, glm::vec3(0, 0, 25));  // at rest the camera looks along +Z
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, 0.0f);
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTX, 1.0f);  // right
    frame();
    expectVec(camera.position, glm::vec3(-25, 0, 25));  // looking along +Z, right is -X
    // Looking 45 degrees down, forward follows the pitch; sideways stays level.
    camera.position = glm::vec3(0.0f);
    camera.pitch = 45.0f;
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTX, 0.0f);
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);
    frame();
    expectVec(camera.position, 25.0f * glm::vec3(0, -0.70711f, 0.70711f));
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, 0.0f);
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTX, -1.0f);
    frame();
    EXPECT_NEAR(camera.position.y, 25.0f * -0.70711f, 1e-3f);
}

TEST_F(FreeCameraControl, LookingAloneNeverMovesTheCamera) {
    camera.position = glm::vec3(4, 5, 6);
    pad->setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);
    pad->setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);
    frame(false);
    expectVec(camera.position, glm::vec3(4, 5, 6));
    EXPECT_FLOAT_EQ(camera.yaw, 10.0f);
}
