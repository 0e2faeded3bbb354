// The game controller against real SDL devices (virtual pads): dead zone and
// rescaling, button edges, opening with its messages, the start-up search
// over joystick indices and the shipped mapping database.
#include "platform/GameController.h"

#include "TestSupport.h"
#include "VirtualPad.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {
const std::string kShippedDatabase = std::string(SOLVANE_SOURCE_DIR) + "/res/input/gamecontrollerdb.txt";

class GameControllerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
};

// Opens the device but cannot describe it, as SDL does when out of memory.
class UnmappableController : public GameController {
protected:
    bool hasMapping(SDL_GameController*) override { return false; }
};

} // namespace

TEST(ControllerAxis, DeadZoneAndRescaling) {
    EXPECT_EQ(normalizeControllerAxis(0), 0.0f);
    EXPECT_EQ(normalizeControllerAxis(3277), 0.0f);    // 10 % of travel
    EXPECT_EQ(normalizeControllerAxis(-6553), 0.0f);   // just inside the dead zone
    EXPECT_NEAR(normalizeControllerAxis(19660), 0.5f, 1e-4f);
    EXPECT_NEAR(normalizeControllerAxis(-19661), -0.5f, 1e-4f);
    EXPECT_EQ(normalizeControllerAxis(32767), 1.0f);
    EXPECT_EQ(normalizeControllerAxis(-32768), -1.0f);
}

TEST_F(GameControllerTest, SticksAndTriggersReadThroughTheDeadZone) {
    test::VirtualPad pad;
    ASSERT_TRUE(pad.attached()) << SDL_GetError();
    GameController controller;
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    pad.setStick(SDL_CONTROLLER_AXIS_LEFTX, 0.1f);
    pad.setStick(SDL_CONTROLLER_AXIS_LEFTY, 0.6f);
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTX, 1.0f);
    pad.setStick(SDL_CONTROLLER_AXIS_RIGHTY, -1.0f);
    controller.update();
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_LEFTX), 0.0f);
    EXPECT_NEAR(controller.getAxis(SDL_CONTROLLER_AXIS_LEFTY), 0.5f, 1e-3f);
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_RIGHTX), 1.0f);
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_RIGHTY), -1.0f);
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERLEFT), 0.0f);
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT), 0.0f);

    pad.setStick(SDL_CONTROLLER_AXIS_LEFTY, -0.6f);
    pad.setTrigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 1.0f);
    controller.update();
    EXPECT_NEAR(controller.getAxis(SDL_CONTROLLER_AXIS_LEFTY), -0.5f, 1e-3f);
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT), 1.0f);
}

TEST_F(GameControllerTest, AHeldButtonIsPressedOnlyInItsFirstFrame) {
    test::VirtualPad pad;
    GameController controller;
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    pad.setButton(SDL_CONTROLLER_BUTTON_A, true);
    std::vector<bool> pressed;
    for (int frame = 0; frame < 5; ++frame) {
        controller.update();
        EXPECT_TRUE(controller.isButtonDown(SDL_CONTROLLER_BUTTON_A));
        pressed.push_back(controller.isButtonPressed(SDL_CONTROLLER_BUTTON_A));
    }
    EXPECT_EQ(pressed, (std::vector<bool>{true, false, false, false, false}));
    EXPECT_FALSE(controller.isButtonDown(SDL_CONTROLLER_BUTTON_B));

    pad.setButton(SDL_CONTROLLER_BUTTON_A, false);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    controller.update();
    EXPECT_FALSE(controller.isButtonDown(SDL_CONTROLLER_BUTTON_A));
    EXPECT_TRUE(controller.wasButtonDown(SDL_CONTROLLER_BUTTON_A));
    EXPECT_TRUE(controller.isButtonPressed(SDL_CONTROLLER_BUTTON_DPAD_RIGHT));
}

TEST_F(GameControllerTest, OpeningLogsEachStepAndCloseForgetsTheDevice) {
    test::VirtualPad pad(true, "Bench Pad");
    test::LogCapture log;
    GameController controller;
    EXPECT_EQ(controller.getName(), "Undefined");
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    EXPECT_TRUE(controller.isOpen());
    EXPECT_EQ(controller.getName(), "Bench Pad");
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Creating Game Controller from joystick at index 0!",
                                                        "Successfully opened Game Controller at index 0!",
                                                        "Game Controller 0 ( Bench Pad ) was successfully initialized!"}));
    for (const auto& entry : log.entries()) EXPECT_EQ(entry.category, SDL_LOG_CATEGORY_INPUT);

    pad.setButton(SDL_CONTROLLER_BUTTON_A, true);
    pad.setStick(SDL_CONTROLLER_AXIS_LEFTX, 1.0f);
    controller.update();
    controller.close();
    EXPECT_FALSE(controller.isOpen());
    EXPECT_EQ(controller.getName(), "Undefined");
    EXPECT_FALSE(controller.isButtonDown(SDL_CONTROLLER_BUTTON_A));
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_LEFTX), 0.0f);
    EXPECT_EQ(SDL_GameControllerFromInstanceID(pad.instanceId()), nullptr);
    controller.update();  // closed: no device to sample, nothing happens
    controller.close();   // closing twice only resets
}

TEST_F(GameControllerTest, AJoystickWithoutMappingIsNotAController) {
    test::VirtualPad stick(false);
    test::LogCapture log;
    GameController controller;
    EXPECT_FALSE(controller.open(stick.deviceIndex()));
    EXPECT_FALSE(controller.isOpen());
    ASSERT_EQ(log.entries().size(), 1u);
    EXPECT_EQ(log.entries()[0].message, "Joystick 0 is not a game controller!");
    EXPECT_EQ(log.entries()[0].priority, SDL_LOG_PRIORITY_ERROR);
}

TEST_F(GameControllerTest, ADeviceThatCannotBeMappedIsClosedAgain) {
    test::VirtualPad pad;
    test::LogCapture log;
    UnmappableController controller;
    EXPECT_FALSE(controller.open(pad.deviceIndex()));
    EXPECT_FALSE(controller.isOpen());
    EXPECT_TRUE(log.contains("Failed to map controller ( Test Pad ) at index 0!"));
    EXPECT_EQ(SDL_GameControllerFromInstanceID(pad.instanceId()), nullptr);
}

TEST_F(GameControllerTest, StartupWithoutJoysticksOnlyCountsThem) {
    test::LogCapture log;
    GameController controller;
    openFirstGameController(controller, kShippedDatabase.c_str());
    EXPECT_FALSE(controller.isOpen());
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"0 Joystick(s) Detected."}));
}

TEST_F(GameControllerTest, StartupOpensTheFirstControllerWithTheDatabaseLoaded) {
    test::VirtualPad first;
    test::VirtualPad second(true, "Second Pad");
    test::LogCapture log;
    GameController controller;
    openFirstGameController(controller, kShippedDatabase.c_str());
    ASSERT_TRUE(controller.isOpen());
    EXPECT_EQ(controller.getName(), "Test Pad");
    auto messages = log.messages();
    ASSERT_EQ(messages.size(), 6u);
    // SDL counts the mappings it did not know yet, so the figure depends on its version.
    EXPECT_TRUE(messages[2].rfind("Loaded ", 0) == 0 && messages[2] != "Loaded 0 controller mappings") << messages[2];
    messages[2] = "Loaded";
    EXPECT_EQ(messages, (std::vector<std::string>{"2 Joystick(s) Detected.",
                                                        "Game Controller Detected At Joystick Index 0", "Loaded",
                                                        "Creating Game Controller from joystick at index 0!",
                                                        "Successfully opened Game Controller at index 0!",
                                                        "Game Controller 0 ( Test Pad ) was successfully initialized!"}));
    EXPECT_EQ(SDL_GameControllerEventState(SDL_QUERY), SDL_ENABLE);
    controller.close();
}

TEST_F(GameControllerTest, StartupPassesOverJoysticksThatAreNoControllers) {
    test::VirtualPad stick(false, "Flight Stick");
    test::VirtualPad pad;
    test::LogCapture log;
    GameController controller;
    openFirstGameController(controller, kShippedDatabase.c_str());
    ASSERT_TRUE(controller.isOpen());
    EXPECT_EQ(controller.getName(), "Test Pad");
    EXPECT_FALSE(log.contains("Game Controller Detected At Joystick Index 0"));
    test::expectInOrder(log.messages(), {"2 Joystick(s) Detected.", "Game Controller Detected At Joystick Index 1",
                                         "Game Controller 1 ( Test Pad ) was successfully initialized!"});
    controller.close();
}

TEST_F(GameControllerTest, StartupTriesTheNextIndexAfterAFailedOpenAndClosesTheFailure) {
    test::VirtualPad first;
    test::VirtualPad second;
    test::LogCapture log;
    UnmappableController controller;
    openFirstGameController(controller, kShippedDatabase.c_str());
    EXPECT_FALSE(controller.isOpen());
    EXPECT_TRUE(log.contains("Failed to map controller ( Test Pad ) at index 0!"));
    EXPECT_TRUE(log.contains("Failed to map controller ( Test Pad ) at index 1!"));
    EXPECT_EQ(SDL_GameControllerFromInstanceID(first.instanceId()), nullptr);
    EXPECT_EQ(SDL_GameControllerFromInstanceID(second.instanceId()), nullptr);
}

TEST_F(GameControllerTest, AUserMappingMakesAnUnknownJoystickAController) {
    test::VirtualPad stick(false, "Home Made Pad");
    test::TempDir dir;
    // As the database's comments tell users: zeros where SDL keeps the name checksum.
    std::string guid = stick.guid().replace(4, 4, "0000");
    test::writeFile(dir.file("db.txt"), "# my pad\n" + guid + ",Home Made Pad,a:b0,b:b1,leftx:a0,lefty:a1,platform:Linux,\n");
    test::LogCapture log;
    GameController controller;
    openFirstGameController(controller, dir.file("db.txt").c_str());
    ASSERT_TRUE(controller.isOpen());
    test::expectInOrder(log.messages(), {"1 Joystick(s) Detected.", "Loaded 1 controller mappings",
                                         "Game Controller Detected At Joystick Index 0",
                                         "Game Controller 0 ( Home Made Pad ) was successfully initialized!"});
    EXPECT_EQ(log.count("Loaded 1 controller mappings"), 1u);
    stick.setAxis(0, -32768);
    stick.setButton(1, true);
    controller.update();
    EXPECT_EQ(controller.getAxis(SDL_CONTROLLER_AXIS_LEFTX), -1.0f);
    EXPECT_TRUE(controller.isButtonPressed(SDL_CONTROLLER_BUTTON_B));
    controller.close();
}

TEST_F(GameControllerTest, AMissingDatabaseIsLoggedAndTheControllerStillOpens) {
    test::VirtualPad pad;
    test::LogCapture log;
    GameController controller;
    openFirstGameController(controller, "no/such/gamecontrollerdb.txt");
    EXPECT_TRUE(controller.isOpen());
    test::expectInOrder(log.messages(), {"Game Controller Detected At Joystick Index 0", "Failed to load controller mappings",
                                         "Game Controller 0 ( Test Pad ) was successfully initialized!"});
    controller.close();
}

TEST_F(GameControllerTest, EveryLineOfTheShippedDatabaseIsAValidLinuxMapping) {
    std::ifstream in(kShippedDatabase);
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        ++lines;
        // The file reader skips lines without a platform field and its comma.
        EXPECT_NE(line.find(",platform:Linux,"), std::string::npos) << line;
        EXPECT_GE(SDL_GameControllerAddMapping(line.c_str()), 0) << line << ": " << SDL_GetError();
    }
    EXPECT_GE(lines, 10);
    // Matched whatever name checksum the pad reports.
    char* mapping = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString("0300ab126d0400001fc2000000000000"));
    ASSERT_NE(mapping, nullptr);
    EXPECT_NE(std::string(mapping).find(",Logitech Gamepad F710,a:b0,b:b1,x:b2,y:b3,"), std::string::npos) << mapping;
    SDL_free(mapping);
}

TEST_F(GameControllerTest, TheFirstHeldDpadDirectionDecidesTheScrub) {
    GameController controller;
    EXPECT_EQ(dpadScrubSeconds(controller), 0.0f);  // nothing open
    test::VirtualPad pad;
    ASSERT_TRUE(controller.open(pad.deviceIndex()));
    controller.update();
    EXPECT_EQ(dpadScrubSeconds(controller), 0.0f);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    controller.update();
    EXPECT_FLOAT_EQ(dpadScrubSeconds(controller), -0.0668f);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);  // left is tested before down
    controller.update();
    EXPECT_FLOAT_EQ(dpadScrubSeconds(controller), -0.0167f);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);  // right is tested before up
    controller.update();
    EXPECT_FLOAT_EQ(dpadScrubSeconds(controller), 0.0167f);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
    controller.update();
    EXPECT_FLOAT_EQ(dpadScrubSeconds(controller), 0.0668f);
    controller.close();
}
