// The real player in a temporary working directory: start-up failures, and
// clean runs ended by the end of the soundtrack, Escape or a quit event,
// checked line by line in Log.txt.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {
const char* kTitle = "Drenn - Solvane";

std::vector<std::string> logOf(const test::TempDir& dir) { return test::readLines(dir.file("Log.txt")); }

bool logHas(const test::TempDir& dir, const std::string& line) {
    auto lines = logOf(dir);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The player needs the shipped fallback shaders to start.
void addShaders(const test::TempDir& dir) {
    test::copyTree(std::string(SOLVANE_SOURCE_DIR) + "/res/shaders", dir.file("res/shaders"));
}

const std::vector<std::string> kShutdownLines = {
    "Engine Shutting Down",
    "OGL Resource Thread Terminated Successfully!",
    "Shutting down window",
    "Window successfully shut down",
    "Shutting down SDL",
    "Successfully shut down SDL",
};

const std::vector<std::string> kStartupLines = {
    "Initializing Engine", "Config File Read Successfully!", "Initialized window", "Sucessfully initialized GLEW",
    "0 Joystick(s) Detected.", "Sucessfully initialized File Watcher", "Sucessfully initialized Audio Device",
    "Sucessfully initialized Sync Device", "Sucessfully built soundtrack", "Warming renders...!", "Starting playback!",
};

// Config.txt, the shipped shaders and the fixture res/ tree (a three-second
// soundtrack), whose soundtrack can be swapped for another fixture file.
void prepareShow(const test::TempDir& dir, const std::string& config, const std::string& soundtrack = "") {
    test::writeFile(dir.file("Config.txt"), config);
    addShaders(dir);
    test::copyTree(std::string(SOLVANE_FIXTURES_DIR) + "/res", dir.file("res"));
    if (!soundtrack.empty())
        test::writeFile(dir.file("res/audio/melody2.mp3"),
                        test::readFile(std::string(SOLVANE_FIXTURES_DIR) + "/audio/" + soundtrack));
}

// Nothing failed between the first shutdown line and the end.
void expectQuietShutdown(const std::vector<std::string>& lines) {
    auto from = std::find(lines.begin(), lines.end(), "Engine Shutting Down");
    ASSERT_NE(from, lines.end());
    for (auto it = from; it != lines.end(); ++it) EXPECT_EQ(it->find("Failed"), std::string::npos) << *it;
}
} // namespace

TEST(Startup, MissingConfigFailsBeforeAnyWindowWithStatusOne) {
    test::TempDir dir;
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_EQ(player.wait(), 1);
    auto lines = logOf(dir);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("Compiled SDL Version 2.", 0), 0u);
    EXPECT_EQ(lines[1].rfind("Linked SDL Version 2.", 0), 0u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
              (std::vector<std::string>{"Initializing Engine", "Reading Configuration File...",
                                        "Failed to read config file: Config.txt!"}));
}

TEST(Startup, ZeroWidthEndsWithTheWindowFailure) {
    test::TempDir dir;
    test::writeFile(dir.file("Config.txt"), test::standardConfig(0, 240));
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_EQ(player.wait(), 1);
    auto lines = logOf(dir);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Failed to initialize window!");
    test::expectInOrder(lines, {"Config File Read Successfully!", "Selected Settings: 0x240 Resolution with 0x MSAA",
                                "Fullscreen mode disabled!", "VSync enabled!", "Failed to initialize window!"});
    EXPECT_FALSE(logHas(dir, "Failed to create window!"));  // rejected before SDL is asked
}

TEST(Startup, MalformedWidthEntryIsMissingSoTheWindowFails) {
    test::TempDir dir;
    test::writeFile(dir.file("Config.txt"), "ViewportWidth =  640;\nViewportHeight = 480;\nMSAA = 0;\n");
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_EQ(player.wait(), 1);
    EXPECT_TRUE(logHas(dir, "Selected Settings: -1x480 Resolution with 0x MSAA"));
    EXPECT_EQ(logOf(dir).back(), "Failed to initialize window!");
}

TEST(Startup, MissingFallbackShaderStopsAtTheShaderManager) {
    test::TempDir dir;
    test::writeFile(dir.file("Config.txt"), test::standardConfig());
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_EQ(player.wait(), 1);
    auto lines = logOf(dir);
    ASSERT_FALSE(lines.empty());
    test::expectInOrder(lines, {"Sucessfully initialized OGL Resource Loader", "Failed to read vertex shader source!",
                                "Failed to initialize dummy shader!", "Failed to initialize OGL Shader Manager!"});
    EXPECT_EQ(lines.back(), "Failed to initialize OGL Shader Manager!");
}

TEST(Startup, TheEndOfTheSoundtrackEndsTheShow) {
    test::TempDir dir;
    prepareShow(dir, test::standardConfig(320, 240, 0, true));
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_EQ(player.wait(std::chrono::seconds(60)), 0);
    auto lines = logOf(dir);
    test::expectInOrder(lines, kStartupLines);
    std::vector<std::string> tail(std::find(lines.begin(), lines.end(), "Starting playback!") + 1, lines.end());
    test::expectInOrder(tail, kShutdownLines);
    EXPECT_EQ(lines.back(), "Successfully shut down SDL");
    expectQuietShutdown(lines);
}

TEST(Startup, AMissingSoundtrackStopsStartUpWithTheLibraryCode) {
    test::TempDir dir;
    prepareShow(dir, test::standardConfig(320, 240, 0, true));
    std::filesystem::remove(dir.file("res/audio/melody2.mp3"));
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_EQ(player.wait(), 1);
    auto lines = logOf(dir);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"Sucessfully initialized Sync Device",
                                        "Failed to create soundtrack in bass audio device!", "BASS Error Code: 2",
                                        "Failed to build soundtrack!"}));
}

TEST(Startup, EscapeEndsTheRunWithEveryShutdownLine) {
    test::TempDir dir;
    prepareShow(dir, test::standardConfig(320, 240, 4, true), "clicks_20s.mp3");
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_TRUE(test::waitFor([&] { return logHas(dir, "Starting playback!"); }, std::chrono::seconds(30)));
    ASSERT_TRUE(test::waitFor([&] {
        test::sendKey(kTitle, "Escape");
        return logHas(dir, "Escape key pressed!");
    }, std::chrono::seconds(20)));
    ASSERT_EQ(player.wait(), 0);
    auto lines = logOf(dir);
    test::expectInOrder(lines, {"Initializing Engine", "Config File Read Successfully!",
                                "Selected Settings: 320x240 Resolution with 4x MSAA", "Fullscreen mode disabled!",
                                "VSync enabled!", "Window created with title 'Drenn - Solvane', width '320' and height '240'",
                                "Initialized window", "Sucessfully initialized GLEW", "0 Joystick(s) Detected.",
                                "Sucessfully initialized OGL Resource Loader", "Successfully initialized dummy shader!",
                                "Sucessfully initialized OGL Shader Manager", "Successfully initialized dummy texture!",
                                "Sucessfully initialized OGL Texture Manager", "Sucessfully initialized File Watcher", "Escape key pressed!"});
    test::expectInOrder(lines, kStartupLines);
    std::vector<std::string> tail(std::find(lines.begin(), lines.end(), "Escape key pressed!") + 1, lines.end());
    test::expectInOrder(tail, kShutdownLines);
    EXPECT_EQ(lines.back(), "Successfully shut down SDL");
    EXPECT_FALSE(logHas(dir, "Log Closed"));
    expectQuietShutdown(lines);
}

TEST(Startup, QuitEventEndsTheRunCleanly) {
    test::TempDir dir;
    prepareShow(dir, test::standardConfig(320, 240, 0, false), "clicks_20s.mp3");
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_TRUE(test::waitFor([&] { return logHas(dir, "Starting playback!"); }, std::chrono::seconds(30)));
    player.terminate();
    ASSERT_EQ(player.wait(), 0);
    auto lines = logOf(dir);
    test::expectInOrder(lines, {"Received quit message from event system!"});
    test::expectInOrder(lines, kShutdownLines);
    expectQuietShutdown(lines);
}
