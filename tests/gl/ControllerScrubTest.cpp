// The whole engine in this process with a virtual pad attached before start-up:
// the start-up search opens it, and a held D-pad scrubs the soundtrack in the
// main loop. A stand-in clock replaces the soundtrack after start-up so that
// every frame lasts exactly 1/60 s of play.
#include "core/Engine.h"

#include "TestSupport.h"
#include "VirtualPad.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <memory>
#include <string>
#include <vector>

namespace {
// A soundtrack that plays 1/60 s per frame (the loop calls update once per
// frame) and ends after a given number of frames.
class FrameClock : public IAudioDevice {
public:
    FrameClock(float start, int frames) : position(start), framesLeft(frames) {}
    bool init() override { return true; }
    void shutdown() override {}
    void update() override {
        position += 1.0f / 60.0f;
        --framesLeft;
    }
    bool createSoundtrack(std::string, float) override { return true; }
    void play() override {}
    void pause() override {}
    void stop() override {}
    bool isPlaying() override { return framesLeft > 0; }
    float getPosition() override { return position; }
    void setPosition(float seconds) override {
        seeks.push_back({position, seconds});
        position = seconds;
    }
    float getBPM() override { return 106.0f; }

    struct Seek {
        float from;
        float to;
    };
    float position;
    int framesLeft;
    std::vector<Seek> seeks;
};

// Runs an engine in a temporary show directory; the working directory is
// restored afterwards.
class InProcessShow : public ::testing::Test {
protected:
    void SetUp() override {
        // Pad input must not depend on which window has the keyboard focus.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        test::writeFile(dir.file("Config.txt"), test::standardConfig(320, 240, 0, false));
        test::copyTree(std::string(SOLVANE_SOURCE_DIR) + "/res/shaders", dir.file("res/shaders"));
        test::copyTree(std::string(SOLVANE_SOURCE_DIR) + "/res/input", dir.file("res/input"));
        test::copyTree(std::string(SOLVANE_FIXTURES_DIR) + "/res", dir.file("res"));
        // Counts the fixed steps by sign, and the frames.
        test::writeFile(dir.file("res/scripts/scene.lua"),
                        "backward = 0; forward = 0; frames = 0\n"
                        "function build() return true end\n"
                        "function update(step)\n"
                        "  if math.abs(step + 0.0167) < 1e-6 then backward = backward + 1 else forward = forward + 1 end\n"
                        "end\n"
                        "function render(t) frames = frames + 1 end\n");
        ASSERT_TRUE(workingDir.enter(dir.path()));
    }

    // After start-up: the soundtrack is swapped for a frame clock at `start`.
    FrameClock* useFrameClock(Engine& engine, float start, int frames) {
        engine.stopAudio();
        auto clock = std::make_unique<FrameClock>(start, frames);
        FrameClock* raw = clock.get();
        engine.audioDevice = std::move(clock);
        engine.syncDevice.shutdown();
        engine.syncDevice.init(raw);
        engine.lastStepPosition = start;
        engine.stepAccumulator = 0.0f;
        return raw;
    }

    std::vector<std::string> logLines() { return test::readLines(dir.file("Log.txt")); }
    static int scriptCount(Engine& engine, const char* name) {
        lua_State* L = engine.lua.state();
        lua_getglobal(L, name);
        int value = static_cast<int>(lua_tointeger(L, -1));
        lua_pop(L, 1);
        return value;
    }

    test::TempDir dir;
    test::WorkingDir workingDir;
};

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}
} // namespace

TEST_F(InProcessShow, HoldingDownScrubsBackFourFramesOfPlayEachFrame) {
    test::VirtualPad pad;
    ASSERT_TRUE(pad.attached()) << SDL_GetError();
    Engine engine;
    ASSERT_TRUE(engine.initialize());
    ASSERT_TRUE(engine.gameController.isOpen());
    FrameClock* clock = useFrameClock(engine, 10.0f, 60);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    int framesBefore = scriptCount(engine, "frames");
    engine.run();

    ASSERT_EQ(clock->seeks.size(), 60u);
    // Net 0.0501 s back per frame: three steps of -0.0167 each, none forward.
    EXPECT_EQ(scriptCount(engine, "frames") - framesBefore, 60);
    EXPECT_NEAR(scriptCount(engine, "backward"), 180, 1);
    EXPECT_EQ(scriptCount(engine, "forward"), 0);
    for (const auto& seek : clock->seeks) EXPECT_NEAR(seek.to - seek.from, -0.0668f, 1e-4f);
    // Each frame: back 0.0668 s, then 1/60 s of play.
    EXPECT_NEAR(clock->position, 10.0f - 60 * 0.0668f + 1.0f, 1e-3f);
    engine.shutdown();

    auto lines = logLines();
    EXPECT_TRUE(contains(lines, "1 Joystick(s) Detected."));
    EXPECT_TRUE(contains(lines, "Game Controller 0 ( Test Pad ) was successfully initialized!"));
}

TEST_F(InProcessShow, ScrubbingHeldAgainstTheStartStaysAtZero) {
    test::VirtualPad pad;
    Engine engine;
    ASSERT_TRUE(engine.initialize());
    FrameClock* clock = useFrameClock(engine, 0.05f, 3);
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    engine.run();
    ASSERT_EQ(clock->seeks.size(), 3u);
    EXPECT_FLOAT_EQ(clock->seeks[0].to, 0.0f);
    EXPECT_FLOAT_EQ(clock->seeks[1].to, 0.0f);
    engine.shutdown();
}
