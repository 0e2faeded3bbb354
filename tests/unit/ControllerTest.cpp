// The game controller on real SDL devices (virtual pads): dead zone, button edges,
// the start-up search with its messages and the mapping database, D-pad scrubbing,
// and the free camera under a pad. Start-up without a pad runs in the e2e tests.
#include "platform/GameController.h"
#include "scene/FirstPersonCamera.h"

#include "TestSupport.h"
#include "VecExpect.h"
#include "VirtualPad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {
const std::string kShippedDatabase = std::string(SOLVANE_SOURCE_DIR) + "/res/input/gamecontrollerdb.txt";

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
    // The log lines of the engine's start-up search.
    std::vector<std::string> startup(GameController& c, const std::string& database = kShippedDatabase) {
        test::LogCapture log;
        openFirstGameController(c, database.c_str());
        return log.messages();
    }

    GameController controller;
};

// Opens the device but cannot describe it, as SDL does when out of memory.
class UnmappableController : public GameController {
protected:
    bool hasMapping(SDL_GameController*) override { return false; }
};
} // namespace

TEST_F(Controller, SticksAndTriggersReadThroughTheDeadZone) {
    test::VirtualPad pad;
    ASSERT_TRUE(pad.attached()) << SDL_GetError();
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    controller.update();
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERLEFT), 0.0f);  // at rest
    const struct {
        SDL_GameControllerAxis axis;
        float set, read;
    } cases[] = {{SDL_CONTROLLER_AXIS_LEFTX, 0.1f, 0.0f},   {SDL_CONTROLLER_AXIS_LEFTX, 0.6f, 0.5f},
                 {SDL_CONTROLLER_AXIS_LEFTX, -0.6f, -0.5f}, {SDL_CONTROLLER_AXIS_RIGHTY, 1.0f, 1.0f},
                 {SDL_CONTROLLER_AXIS_RIGHTY, -1.0f, -1.0f}};
    for (const auto& c : cases) {
        pad.setStick(c.axis, c.set);
        controller.update();
        EXPECT_NEAR(controller.getAxis(c.axis), c.read, 1e-3f) << c.set;
    }
}

TEST_F(Controller, AHeldButtonIsPressedOnlyInItsFirstFrame) {
    test::VirtualPad pad;
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    pad.setButton(SDL_CONTROLLER_BUTTON_A, true);
    std::vector<bool> pressed;
    for (int i = 0; i < 4; ++i) {
        controller.update();
        EXPECT_TRUE(controller.isButtonDown(SDL_CONTROLLER_BUTTON_A));
        pressed.push_back(controller.isButtonPressed(SDL_CONTROLLER_BUTTON_A));
    }
    EXPECT_EQ(pressed, (std::vector<bool>{true, false, false, false}));
}

TEST_F(Controller, StartupOpensTheFirstControllerWithTheDatabaseLoaded) {
    test::VirtualPad first, second(true, "Second Pad");
    auto messages = startup(controller);
    ASSERT_TRUE(controller.isOpen());
    ASSERT_EQ(messages.size(), 6u);
    // SDL counts the mappings it did not know yet, so the figure depends on its version.
    EXPECT_TRUE(messages[2].rfind("Loaded ", 0) == 0 && messages[2] != "Loaded 0 controller mappings") << messages[2];
    messages[2] = "Loaded";
    EXPECT_EQ(messages, (std::vector<std::string>{"2 Joystick(s) Detected.", "Game Controller Detected At Joystick Index 0",
                                                  "Loaded", "Creating Game Controller from joystick at index 0!",
                                                  "Successfully opened Game Controller at index 0!",
                                                  "Game Controller 0 ( Test Pad ) was successfully initialized!"}));
    EXPECT_EQ(SDL_GameControllerEventState(SDL_QUERY), SDL_ENABLE);
    controller.close();
    EXPECT_EQ(SDL_GameControllerFromInstanceID(first.instanceId()), nullptr);
}

TEST_F(Controller, StartupPassesOverJoysticksThatAreNoControllers) {
    test::VirtualPad stick(false, "Flight Stick"), pad;
    test::LogCapture log;
    EXPECT_FALSE(GameController().open(stick.deviceIndex()));
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Joystick 0 is not a game controller!"});
    const auto messages = startup(controller);
    EXPECT_TRUE(controller.isOpen());
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Game Controller Detected At Joystick Index 0"), 0);
    test::expectInOrder(messages, {"2 Joystick(s) Detected.", "Game Controller Detected At Joystick Index 1",
                                   "Game Controller 1 ( Test Pad ) was successfully initialized!"});
}

TEST_F(Controller, StartupClosesAControllerItCannotMapAndTriesTheNext) {
    test::VirtualPad first, second;
    UnmappableController unmappable;
    test::expectInOrder(startup(unmappable), {"Failed to map controller ( Test Pad ) at index 0!",
                                              "Failed to map controller ( Test Pad ) at index 1!"});
    EXPECT_FALSE(unmappable.isOpen());
    for (auto* pad : {&first, &second}) EXPECT_EQ(SDL_GameControllerFromInstanceID(pad->instanceId()), nullptr);
}

TEST_F(Controller, AUserMappingMakesAnUnknownJoystickAController) {
    test::VirtualPad stick(false, "Home Made Pad");
    test::TempDir dir;
    // As the database's comments tell users: zeros where SDL keeps the name checksum.
    const std::string guid = stick.guid().replace(4, 4, "0000");
    test::writeFile(dir.file("db.txt"), "# my pad\n" + guid + ",Home Made Pad,a:b0,b:b1,leftx:a0,lefty:a1,platform:Linux,\n");
    const auto messages = startup(controller, dir.file("db.txt"));
    ASSERT_TRUE(controller.isOpen());
    test::expectInOrder(messages, {"1 Joystick(s) Detected.", "Loaded 1 controller mappings",
                                   "Game Controller Detected At Joystick Index 0",
                                   "Game Controller 0 ( Home Made Pad ) was successfully initialized!"});
    stick.setButton(1, true);
    controller.update();
    EXPECT_TRUE(controller.isButtonPressed(SDL_CONTROLLER_BUTTON_B));
}

TEST_F(Controller, AMissingDatabaseIsLoggedAndTheControllerStillOpens) {
    test::VirtualPad pad;
    test::expectInOrder(startup(controller, "no/such/gamecontrollerdb.txt"),
                        {"Game Controller Detected At Joystick Index 0", "Failed to load controller mappings",
                         "Game Controller 0 ( Test Pad ) was successfully initialized!"});
    EXPECT_TRUE(controller.isOpen());
}

TEST_F(Controller, EveryLineOfTheShippedDatabaseIsAValidLinuxMapping) {
    std::ifstream in(kShippedDatabase);
    int lines = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        ++lines;  // SDL's file reader skips lines without this platform field
        EXPECT_NE(line.find(",platform:Linux,"), std::string::npos) << line;
        EXPECT_GE(SDL_GameControllerAddMapping(line.c_str()), 0) << line << ": " << SDL_GetError();
    }
    EXPECT_GE(lines, 10);
}

TEST_F(Controller, TheFirstHeldDpadDirectionDecidesTheScrub) {
    EXPECT_EQ(dpadScrubSeconds(controller), 0.0f);  // nothing open
    test::VirtualPad pad;
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    const int left = SDL_CONTROLLER_BUTTON_DPAD_LEFT, right = SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
    const int up = SDL_CONTROLLER_BUTTON_DPAD_UP, down = SDL_CONTROLLER_BUTTON_DPAD_DOWN;
    // Tested in the order left, right, down, up.
    const std::pair<std::vector<int>, float> cases[] = {
        {{}, 0.0f}, {{down}, -0.0668f}, {{down, left}, -0.0167f}, {{up, right}, 0.0167f}, {{up}, 0.0668f}};
    for (const auto& [held, seconds] : cases) {
        for (int button : {left, right, up, down})
            pad.setButton(button, std::find(held.begin(), held.end(), button) != held.end());
        controller.update();
        EXPECT_FLOAT_EQ(dpadScrubSeconds(controller), seconds);
    }
}

TEST_F(Controller, TheFreeCameraStopsShortOfThePolesAndItsYawWrapsBothWays) {
    test::VirtualPad pad;
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    FirstPersonCamera camera;
    for (float stick : {-1.0f, 1.0f}) {  // stick up looks up
        pad.setStick(SDL_CONTROLLER_AXIS_RIGHTY, stick);
        for (int i = 0; i < 20; ++i) frame(camera);
        EXPECT_FLOAT_EQ(camera.pitch, stick * 89.999f);
    }
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTY, 0.0f);
    camera.yaw = 355.0f;
    const std::pair<float, float> turns[] = {{1.0f, 5.0f}, {-1.0f, 355.0f}};  // 10 degrees a frame
    for (const auto& [stick, yaw] : turns) {
        pad.setStick(SDL_CONTROLLER_AXIS_RIGHTX, stick);
        frame(camera);
        EXPECT_NEAR(camera.yaw, yaw, 1e-3f);
    }
    camera.yaw = 0.0f;
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTX, -0.2001f);  // a hair past the dead zone
    frame(camera);
    EXPECT_GE(camera.yaw, 0.0f);
    EXPECT_LT(camera.yaw, 360.0f);
}

TEST_F(Controller, TheLeftStickFliesTheFreeCameraAlongTheViewAndLevelToTheRightUntilTriggersStopIt) {
    test::VirtualPad pad;
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    FirstPersonCamera camera;
    camera.pitch = 45.0f;  // looking down
    pad.setStick(SDL_CONTROLLER_AXIS_LEFTY, -1.0f);  // forward
    pad.setStick(SDL_CONTROLLER_AXIS_LEFTX, 1.0f);   // and right, which is -X when looking along +Z
    frame(camera);
    const float d = 25.0f * std::sqrt(0.5f);
    test::expectNear(camera.position, glm::vec3(-d, -d, d), 1e-3f);

    for (auto axis : {SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY}) pad.setStick(axis, 1.0f);
    for (auto axis : {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT}) pad.setTrigger(axis, 1.0f);
    frame(camera);
    EXPECT_TRUE(camera.pitch == 45.0f && camera.yaw == 0.0f) << camera.pitch << ", " << camera.yaw;
    test::expectNear(camera.position, glm::vec3(-d, -d, d), 1e-3f);
    // Half-way presses leave more than half the speed: the dead zone comes first.
    pad.setTrigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0.6f);
    frame(camera, false);
    EXPECT_NEAR(camera.yaw, 5.0f, 0.01f);
}
