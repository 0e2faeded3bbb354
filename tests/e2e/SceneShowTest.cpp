// The scene script in the real player: the shipped show plays to its end and
// draws its wireframes; editing the script while it runs reloads it and draws
// the new scene, a failing build leaves only the clear until the script is
// fixed; script errors are logged per call while the show goes on; a script
// that cannot build stops start-up. Pictures are read back from the X server.
#include "sync/TrackText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {
const char* kTitle = "Drenn - Solvane";

std::vector<std::string> logOf(const test::TempDir& dir) { return test::readLines(dir.file("Log.txt")); }

size_t countLines(const test::TempDir& dir, const std::string& line) {
    auto lines = logOf(dir);
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

size_t countStartingWith(const test::TempDir& dir, const std::string& prefix) {
    auto lines = logOf(dir);
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

bool waitForLine(const test::TempDir& dir, const std::string& line, size_t times = 1) {
    return test::waitFor([&] { return countLines(dir, line) >= times; }, std::chrono::seconds(30));
}


// Pixel counts of the wireframe colours in the player's window.
struct Picture {
    bool captured = false;
    int yellow = 0;  // cubes and needles
    int cyan = 0;    // rings and flakes
    int other = 0;   // anything that is neither nor black
};

Picture capture() {
    test::TempDir scratch;
    std::string png = scratch.file("window.png");
    std::string cmd = "w=$(xdotool search --name '" + std::string(kTitle) +
                      "' 2>/dev/null | head -n 1); [ -n \"$w\" ] && import -window \"$w\" '" + png +
                      "' >/dev/null 2>&1";
    Picture p;
    if (std::system(cmd.c_str()) != 0) return p;
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load(png.c_str(), &w, &h, &n, 4);
    if (!px) return p;
    p.captured = true;
    for (int i = 0; i < w * h; ++i) {
        int r = px[4 * i], g = px[4 * i + 1], b = px[4 * i + 2];
        if (r > 150 && g > 150 && b < 80)
            ++p.yellow;
        else if (r < 80 && g > 120 && b > 150)
            ++p.cyan;
        else if (r + g + b > 30)
            ++p.other;
    }
    stbi_image_free(px);
    return p;
}

// A few frames after the state we wait for has been reached.
Picture captureSoon() {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    return capture();
}

void writeTrack(const test::TempDir& dir, const std::string& name, float value) {
    auto bytes = encodeTrack({{0, value, Step}});
    test::writeFile(dir.file("res/sync/" + trackFileName(name)), std::string(bytes.begin(), bytes.end()));
}

// A working directory with the shipped shaders, a 20-second soundtrack, an
// orbit camera 8 units out and `script` as the scene.
void prepare(const test::TempDir& dir, const std::string& script) {
    test::writeFile(dir.file("Config.txt"), test::standardConfig(320, 240, 0, true));
    test::copyTree(std::string(SOLVANE_SOURCE_DIR) + "/res/shaders", dir.file("res/shaders"));
    test::writeFile(dir.file("res/audio/melody2.mp3"),
                    test::readFile(std::string(SOLVANE_FIXTURES_DIR) + "/audio/clicks_20s.mp3"));
    writeTrack(dir, "Camera.Mode", 1.0f);
    writeTrack(dir, "Camera.Distance", 8.0f);
    writeTrack(dir, "Camera.Pitch", 20.0f);
    writeTrack(dir, "Camera.Yaw", 30.0f);
    test::writeFile(dir.file("res/scripts/scene.lua"), script);
}

std::string sceneOf(const std::string& kind, const std::string& arguments = "") {
    return "function build()\n"
           "  local o = object.new('" + kind + "'" + arguments + ")\n"
           "  o:setScale(vector3.new(3, 3, 3))\n"
           "  scene.getRoot():addChild(o)\n"
           "  return true\n"
           "end\n"
           "function update(step) scene.getRoot():update(step) end\n"
           "function render(time) scene.getRoot():render(time) end\n";
}

// The file watcher compares modification times: each rewrite must look newer.
void rewrite(const test::TempDir& dir, const std::string& script) {
    std::string path = dir.file("res/scripts/scene.lua");
    test::writeFile(path, script);
    test::setWriteTime(path, test::nowSeconds() + 1.0);
}

const std::string kReloadLine = "Scene File [res/scripts/scene.lua] Modified! Reloading!";
} // namespace

TEST(SceneShow, ShippedShowPlaysToTheEndOfItsSoundtrackDrawingItsWireframes) {
    test::TempDir dir;
    test::writeFile(dir.file("Config.txt"), test::standardConfig(640, 360, 0, true));
    test::copyTree(std::string(SOLVANE_SOURCE_DIR) + "/res", dir.file("res"));
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_TRUE(waitForLine(dir, "Starting playback!"));
    // Mid-show every kind is out: cubes, rings, needles and flakes.
    std::this_thread::sleep_for(std::chrono::seconds(30));
    Picture mid = capture();
    ASSERT_TRUE(mid.captured);
    EXPECT_GT(mid.yellow, 500);
    EXPECT_GT(mid.cyan, 500);

    ASSERT_EQ(player.wait(std::chrono::seconds(90)), 0);
    auto lines = logOf(dir);
    test::expectInOrder(lines, {"Sucessfully initialized Lua!", "Warming renders...!", "Starting playback!",
                                "Engine Shutting Down", "Successfully Shut down Scene.", "Successfully shut down SDL"});
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("Error"), std::string::npos) << line;
        EXPECT_EQ(line.find("Failed"), std::string::npos) << line;
    }
}

TEST(SceneShow, EditingTheScriptReloadsItAndAFailedBuildLeavesOnlyTheClear) {
    test::TempDir dir;
    prepare(dir, sceneOf("cube"));
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_TRUE(waitForLine(dir, "Starting playback!"));
    Picture cube = captureSoon();
    ASSERT_TRUE(cube.captured);
    EXPECT_GT(cube.yellow, 100);
    EXPECT_EQ(cube.cyan, 0);

    rewrite(dir, sceneOf("ring", ", 1, 45"));
    ASSERT_TRUE(waitForLine(dir, kReloadLine));
    ASSERT_TRUE(waitForLine(dir, "Purging Shaders!"));
    auto lines = logOf(dir);
    test::expectInOrder(lines, {kReloadLine, "Purging Shaders!"});
    Picture ring = captureSoon();
    EXPECT_GT(ring.cyan, 100);
    EXPECT_EQ(ring.yellow, 0);

    rewrite(dir, "function build() return false end\nfunction update() end\nfunction render() end\n");
    ASSERT_TRUE(waitForLine(dir, "Failed to build Lua scene!"));
    Picture cleared = captureSoon();
    EXPECT_TRUE(cleared.captured);
    EXPECT_EQ(cleared.yellow + cleared.cyan + cleared.other, 0);

    rewrite(dir, sceneOf("cube"));
    ASSERT_TRUE(waitForLine(dir, kReloadLine, 3));
    Picture again = captureSoon();
    EXPECT_GT(again.yellow, 100);

    ASSERT_TRUE(test::waitFor([&] {
        test::sendKey(kTitle, "Escape");
        return countLines(dir, "Escape key pressed!") > 0;
    }, std::chrono::seconds(20)));
    EXPECT_EQ(player.wait(), 0);
    EXPECT_EQ(countLines(dir, kReloadLine), 3u);
}

TEST(SceneShow, ScriptErrorsAreLoggedPerCallWhileTheShowGoesOn) {
    test::TempDir dir;
    prepare(dir, "function build()\n"
                 "  local c = object.new('cube')\n"
                 "  c:setScale(vector3.new(3, 3, 3))\n"
                 "  scene.getRoot():addChild(c)\n"
                 "  return true\n"
                 "end\n"
                 "function render(time)\n"
                 "  scene.getRoot():render(time)\n"
                 "  scene.getRoot():setVisible(1)\n"
                 "end\n");
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_TRUE(waitForLine(dir, "Starting playback!"));
    ASSERT_TRUE(test::waitFor([&] { return countStartingWith(dir, "Error running 'update': ") > 5; }));
    ASSERT_TRUE(test::waitFor([&] { return countStartingWith(dir, "Error running 'render': ") > 5; }));
    Picture p = captureSoon();
    EXPECT_GT(p.yellow, 100);  // drawn before the error
    ASSERT_TRUE(test::waitFor([&] {
        test::sendKey(kTitle, "Escape");
        return countLines(dir, "Escape key pressed!") > 0;
    }, std::chrono::seconds(20)));
    EXPECT_EQ(player.wait(), 0);
    auto lines = logOf(dir);
    auto render = std::find_if(lines.begin(), lines.end(),
                               [](const std::string& l) { return l.rfind("Error running 'render': ", 0) == 0; });
    ASSERT_NE(render, lines.end());
    EXPECT_NE(render->find("bad argument #1 to 'setVisible' ('boolean' expected)"), std::string::npos) << *render;
}

TEST(SceneShow, AScriptThatCannotBuildStopsStartUp) {
    struct Case {
        const char* script;
        std::vector<std::string> tail;
    };
    const Case cases[] = {
        {nullptr, {"Failed to load Lua scene file!", "Failed to initialize scene!"}},
        {"function build() return true", {"Failed to run Lua chunk!", "Failed to initialize scene!"}},
        {"function build() return object.new('cube', 1):nothing() end",
         {"Failed to build Lua scene!", "Failed to initialize scene!"}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        prepare(dir, c.script ? c.script : "");
        if (!c.script) std::remove(dir.file("res/scripts/scene.lua").c_str());
        test::Process player(SOLVANE_BINARY, dir.path());
        ASSERT_EQ(player.wait(), 1) << (c.script ? c.script : "(no script)");
        auto lines = logOf(dir);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), c.tail);
    }
}
