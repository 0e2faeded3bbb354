// The real player in a temporary folder, checked by Log.txt and its exit status: start-up
// failures (a garbled Config.txt among them), the shipped show and a cut-short soundtrack played
// to their end, and a script that fails per call, edited while it runs, until Escape.
#include "PlayerRun.h"

#include "capture/CaptureSettings.h"

namespace {
const std::string kConfig = test::standardConfig(320, 240, 4);

const std::vector<std::string> kStartupLines = {
    "Initializing Engine", "Config File Read Successfully!", "Selected Settings: 320x240 Resolution with 4x MSAA",
    "Fullscreen mode disabled!", "VSync enabled!",
    "Window created with title 'Drenn - Solvane', width '320' and height '240'", "Initialized window",
    "Sucessfully initialized GLEW", "0 Joystick(s) Detected.", "Sucessfully initialized OGL Resource Loader",
    "Successfully initialized dummy shader!", "Sucessfully initialized OGL Shader Manager",
    "Successfully initialized dummy texture!", "Sucessfully initialized OGL Texture Manager",
    "Sucessfully initialized File Watcher", "Sucessfully initialized Audio Device",
    "Sucessfully initialized Sync Device", "Sucessfully built soundtrack", "Sucessfully initialized Lua!",
    "Warming renders...!", "Starting playback!"};
const std::vector<std::string> kShutdownLines = {
    "Engine Shutting Down", "Successfully Shut down Scene.", "OGL Resource Thread Terminated Successfully!",
    "Shutting down window", "Window successfully shut down", "Shutting down SDL", "Successfully shut down SDL"};

std::vector<std::string> logOf(const test::TempDir& dir) { return e2e::playerLog(dir.file("Log.txt")); }
long countLines(const test::TempDir& dir, const std::string& words) { return e2e::linesWith(logOf(dir), words); }

// Every start-up line, then after `end` every shutdown line, in order and the
// last one last, and nothing failed on the way down.
void expectCleanRunEndedBy(const test::TempDir& dir, const std::string& end) {
    const auto lines = logOf(dir);
    test::expectInOrder(lines, kStartupLines);
    const auto from = std::find(lines.begin(), lines.end(), end);
    ASSERT_NE(from, lines.end()) << end;
    test::expectInOrder(std::vector<std::string>(from, lines.end()), kShutdownLines);
    EXPECT_EQ(lines.back(), kShutdownLines.back());
    for (auto it = from; it != lines.end(); ++it) EXPECT_EQ(it->find("Failed"), std::string::npos) << *it;
}

// The player captures its frames: the newest one `ahead` frames after those
// already written when called, so it shows the state the test waited for.
test::Colours frameSoon(const std::string& frames, long ahead = 40) {
    auto written = [&] {  // frame_000000.png on, not counting a ".part" still being written
        const auto names = test::fileNames(frames);
        return std::count_if(names.begin(), names.end(), [](const std::string& name) { return name.size() == 16; });
    };
    const long wanted = written() + ahead;
    if (!test::waitFor([&] { return written() >= wanted; }, std::chrono::seconds(60))) return {-1, -1, -1, -1.0};
    return test::pngColours(captureFramePath(frames, written() - 1));
}
} // namespace

TEST(Player, StartUpFailuresEndWithStatusOneAndTheirReasonLast) {
    auto missingEntry = [](const std::string& name) {
        return "Config entry '" + name + "' is missing or not written as '" + name + " = value;'";
    };
    struct Failure {
        std::string config;  // no Config.txt when empty, else only it unless a show is set up
        const char* file;    // in a show: replaced by `content`, or removed when that is null
        const char* content;
        std::vector<std::string> tail;
    } failures[] = {
        {"", nullptr, nullptr,
         {"Initializing Engine", "Reading Configuration File...", "Failed to read config file: Config.txt!"}},
        // A garbled file names every entry it lacks; no size is refused before SDL is asked for a window.
        {"ViewportWidth=640;\nMSAA = 4 ;\n\x01\x02 VSync = true;\n", nullptr, nullptr,
         {"Config File Read Successfully!", missingEntry("ViewportWidth"), missingEntry("ViewportHeight"),
          missingEntry("MSAA"), missingEntry("Fullscreen"), "Selected Settings: -1x-1 Resolution with -1x MSAA",
          "Fullscreen mode disabled!", "VSync enabled!", "Failed to initialize window!"}},
        {kConfig, nullptr, nullptr,
         {"Failed to read vertex shader source!", "Shader file: res/shaders/Dummy.vert", "Failed to initialize dummy shader!",
          "Failed to initialize OGL Shader Manager!"}},
        {kConfig, "res/audio/melody2.mp3", nullptr,
         {"Sucessfully initialized Sync Device", "Failed to create soundtrack in bass audio device!",
          "BASS Error Code: 2", "Failed to build soundtrack!"}},
        {kConfig, "res/scripts/scene.lua", nullptr, {"Failed to load Lua scene file!", "Failed to initialize scene!"}},
        {kConfig, "res/scripts/scene.lua", "function build() return true",
         {"Failed to run Lua chunk!", "Failed to initialize scene!"}},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.tail.back());
        test::TempDir dir;
        if (f.file) test::copyFixtureShow(dir, kConfig);
        if (!f.config.empty()) test::writeFile(dir.file("Config.txt"), f.config);
        if (f.file && f.content) test::writeFile(dir.file(f.file), f.content);
        if (f.file && !f.content) std::filesystem::remove(dir.file(f.file));
        // Status 1 in time, not a crash or a hang: threads started before the failure were stopped.
        ASSERT_EQ(test::Process(SOLVANE_BINARY, dir.path()).wait(), 1);
        const auto lines = logOf(dir);
        ASSERT_GE(lines.size(), f.tail.size());
        EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(f.tail.size()), lines.end()), f.tail);
        EXPECT_TRUE(!f.config.empty() || lines.size() == 5u) << "two SDL version lines, then no window";
    }
}

TEST(Player, TheShippedShowPlaysToTheEndOfItsSoundtrackAndShutsDownCleanly) {
    test::TempDir dir;
    test::copyShow(dir, kConfig);
    ASSERT_EQ(test::Process(SOLVANE_BINARY, dir.path()).wait(std::chrono::seconds(300)), 0);  // the show lasts 92 s
    expectCleanRunEndedBy(dir, "Starting playback!");
    EXPECT_EQ(countLines(dir, "Error") + countLines(dir, "Failed"), 0);
}

TEST(Player, ASoundtrackCutShortSaysHowLongItIsAndPlaysToItsEnd) {
    test::TempDir dir;
    test::copyFixtureShow(dir, kConfig);
    // The first 1500 bytes of a 20-second file: about a third of a second of sound.
    test::writeFile(dir.file("res/audio/melody2.mp3"),
                    test::readFile(SOLVANE_FIXTURES_DIR "/audio/clicks_20s.mp3").substr(0, 1500));
    EXPECT_EQ(test::Process(SOLVANE_BINARY, dir.path()).wait(std::chrono::seconds(60)), 0);
    EXPECT_EQ(countLines(dir, "The soundtrack res/audio/melody2.mp3 is only 0."), 1);
    expectCleanRunEndedBy(dir, "Starting playback!");
}

// No screen and no sound card (as here): the terminal holds the player's one line
// saying so, none of SDL's, ALSA's or libwayland's, and the show plays to its end.
TEST(Player, WithoutADisplayTheTerminalHoldsOnlyTheLineSayingSo) {
    test::TempDir dir;
    test::copyFixtureShow(dir, kConfig);
    const std::string command = "cd '" + dir.path() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR " +
                                "-u SDL_VIDEODRIVER '" + SOLVANE_BINARY + "' 2> stderr.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto lines = test::readLines(dir.file("stderr.txt"));
    ASSERT_EQ(lines.size(), 1u) << lines.back();
    EXPECT_EQ(lines[0].rfind("solvane: no display found", 0), 0u) << lines[0];
    expectCleanRunEndedBy(dir, "Starting playback!");
}

TEST(Player, ScriptErrorsAreLoggedPerCallEditingReloadsAFailedBuildLeavesTheClearAndEscapeEnds) {
    test::TempDir dir;
    test::copyFixtureShow(dir, kConfig);
    test::writeFile(dir.file("res/audio/melody2.mp3"), test::readFile(SOLVANE_FIXTURES_DIR "/audio/clicks_20s.mp3"));
    for (auto [name, value] : {std::make_pair("Camera.Mode", 1.0f), std::make_pair("Camera.Distance", 8.0f),
                               std::make_pair("Camera.Pitch", 20.0f), std::make_pair("Camera.Yaw", 30.0f)})
        test::writeTrack(dir.file("res/sync"), name, {{0, value, Step}});  // an orbit camera 8 units out
    // A script building one object 3 units large (`object` the arguments of object.new), then `calls`.
    auto withOne = [](const std::string& object, const std::string& calls =
                                                     "function update(step) scene.getRoot():update(step) end\n"
                                                     "function render(time) scene.getRoot():render(time) end\n") {
        return "function build()\n  local o = object.new(" + object + ")\n  o:setScale(vector3.new(3, 3, 3))\n"
               "  scene.getRoot():addChild(o)\n  return true\nend\n" + calls;
    };
    // Written aside and renamed in with a time after the last save and after the player's start-up,
    // however long that took: the watcher compares modification times, and older files are not news to it.
    const std::string script = dir.file("res/scripts/scene.lua");
    double saveTime = test::nowSeconds();
    auto rewrite = [&](const std::string& text) {
        test::writeFile(script + ".new", text);
        test::setWriteTime(script + ".new", saveTime = std::max(saveTime, test::nowSeconds()) + 1.0);
        std::filesystem::rename(script + ".new", script);
    };
    // First a script without update whose render fails after drawing: one line per call, and the show goes on.
    test::writeFile(script, withOne("'cube'", "function render(time)\n  scene.getRoot():render(time)\n"
                                              "  scene.getRoot():setVisible(1)\nend\n"));
    // Captured at a high rate, so the show outlasts the edits and frames follow each other closely.
    test::Process player(SOLVANE_BINARY, dir.path(), {"--capture", "frames", "--fps", "500"});
    ASSERT_TRUE(test::waitFor(
        [&] { return countLines(dir, "Error running 'update': ") > 5 && countLines(dir, "Error running 'render': ") > 5; }));
    EXPECT_GT(frameSoon(dir.file("frames")).yellow, 100);

    const std::string reloading = "Scene File [res/scripts/scene.lua] Modified! Reloading!";
    rewrite("function build() return false end\nfunction update() end\nfunction render() end\n");
    ASSERT_TRUE(test::waitFor([&] { return countLines(dir, "Purging Shaders!") > 0; }));
    test::expectInOrder(logOf(dir), {reloading, "Failed to build Lua scene!", "Purging Shaders!"});
    EXPECT_EQ(frameSoon(dir.file("frames")).lit, 0);
    rewrite(withOne("'ring', 1, 45"));
    ASSERT_TRUE(test::waitFor([&] { return countLines(dir, reloading) == 2; }));
    const test::Colours ring = frameSoon(dir.file("frames"));
    EXPECT_TRUE(ring.cyan > 100 && ring.yellow == 0) << ring.yellow << " yellow, " << ring.cyan << " cyan";

    ASSERT_TRUE(test::waitFor([&] {
        test::sendKey("Drenn - Solvane", "Escape");
        return countLines(dir, "Escape key pressed!") > 0;
    }, std::chrono::seconds(20)));
    ASSERT_EQ(player.wait(), 1);  // a capture cut short by the window did not finish
    expectCleanRunEndedBy(dir, "Escape key pressed!");
    EXPECT_EQ(countLines(dir, reloading), 2);
    EXPECT_EQ(countLines(dir, "Log Closed"), 0);
}
