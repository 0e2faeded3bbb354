// The whole engine in this process, on a copy of the shipped show whose soundtrack a
// test clock replaces after start-up: the show frame by frame (objects on screen, FX
// tracks shaping the picture), the window's multisampling, a held D-pad on a
// virtual pad scrubbing in the loop, and track, texture and model files changed on
// disk while it runs; full screen on the desktop.
#include "core/Profile.h"
#include "gfx/Exm.h"
#include "postfx/SceneBufferObject.h"

#include "GlContext.h"
#include "VirtualPad.h"

#include <stb/stb_image_write.h>

#include <set>

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;

// A soundtrack that plays 1/60 s per frame (the loop calls update once per
// frame), ends after a given number of frames and notes every seek.
class FrameClock : public ManualAudioDevice {
public:
    FrameClock(float start, int frames) : framesLeft(frames) { position = start; }
    void update() override {
        position += 1.0f / 60.0f;
        --framesLeft;
    }
    bool isPlaying() override { return framesLeft > 0; }
    void setPosition(float seconds) override {
        seeks.emplace_back(position, seconds);
        position = seconds;
    }
    int framesLeft;
    std::vector<std::pair<float, float>> seeks;  // from, to
};

class WholeEngine : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        engine.shutdown();
    }

    // Starts the engine on the shipped res/ (with `script` as the scene when
    // given), then hands the soundtrack's place to `clock`.
    template <typename Clock>
    Clock* start(int msaa, std::unique_ptr<Clock> clock, const std::string& script = "", const std::string& config = "") {
        // The short soundtrack starts faster.
        test::copyShow(dir, config.empty() ? test::standardConfig(kWidth, kHeight, msaa, false) : config, true);
        if (!script.empty()) test::writeFile(dir.file("res/scripts/scene.lua"), script);
        EXPECT_TRUE(workingDir.enter(dir.path()));
        EXPECT_TRUE(engine.initialize());
        engine.stopAudio();
        Clock* raw = clock.get();
        engine.audioDevice = std::move(clock);
        engine.syncDevice.shutdown();
        EXPECT_TRUE(engine.syncDevice.init(raw));
        engine.lastStepPosition = raw->getPosition();
        engine.stepAccumulator = 0.0f;
        return raw;
    }

    test::TempDir dir;
    test::WorkingDir workingDir;
    Engine engine;
};

float atBeat(float beat) { return beat * 60.0f / static_cast<float>(showTiming().beatsPerMinute); }
} // namespace

TEST_F(WholeEngine, EveryShippedSceneDrawsWithoutTheDummyProgramAndTheFxTracksShapeThePicture) {
    ManualAudioDevice* clock = start(4, std::make_unique<ManualAudioDevice>());
    SceneBufferObject* buffer = nullptr;
    for (SceneObject* child : engine.scene.root->children)
        if (child->getType() == kSceneBufferType) buffer = static_cast<SceneBufferObject*>(child);
    ASSERT_TRUE(buffer && buffer->frameBuffer.multisampled);
    auto frameAt = [&](float seconds) {
        clock->position = seconds;
        engine.syncDevice.update();
        engine.scene.fixedStep(0.0167f);  // moving objects need a step before they have a place
        engine.scene.frame(seconds);
        return test::countColours(test::readPixels(0, 0, kWidth, kHeight).data(), kWidth * kHeight);
    };

    // The middle of every scene, from the dawn to the nightfall: something on
    // screen and nothing in the dummy program's magenta.
    for (float beat : {10.0f, 24.0f, 40.0f, 56.0f, 72.0f, 96.0f, 124.5f, 148.0f}) {
        const test::Colours shown = frameAt(atBeat(beat));
        EXPECT_TRUE(shown.lit > 0 && shown.magenta == 0)
            << "beat " << beat << ": " << shown.lit << " lit, " << shown.magenta << " magenta";
    }
    EXPECT_LT(frameAt(0.0f).brightness, 0.5) << "the show starts from black";
    EXPECT_GT(frameAt(atBeat(48.0f)).brightness, 200.0) << "the white-out into the drop";
    // On the beat in the second peak a flash lifts the whole picture; half a beat later it is gone.
    EXPECT_GT(frameAt(atBeat(124.0f)).brightness, frameAt(atBeat(124.5f)).brightness + 40.0);
    EXPECT_LT(frameAt(atBeat(159.0f)).brightness, 0.5) << "and ends in black";
    EXPECT_EQ(engine.scene.windowBuffer.fbo, 0u) << "a show through the post chain needs no multisampled stand-in";
}

TEST_F(WholeEngine, HoldingDownScrubsBackFourFixedStepsAFrameAndStopsAtTheStart) {
    const char* counting = "backward = 0; forward = 0\n"
                           "function build() return true end\n"
                           "function update(step)\n"
                           "  if math.abs(step + 0.0167) < 1e-6 then backward = backward + 1 else forward = forward + 1 end\n"
                           "end\n"
                           "function render(t) end\n";
    // Pad input must not depend on which window has the keyboard focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    test::VirtualPad pad;
    ASSERT_TRUE(pad.attached()) << SDL_GetError();
    FrameClock* clock = start(0, std::make_unique<FrameClock>(10.0f, 60), counting);
    ASSERT_TRUE(engine.gameController.isOpen());  // the start-up search found the pad
    pad.setButton(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    engine.run();
    // Each frame: back 0.0668 s, then 1/60 s of play; net 0.0501 s back, so
    // three steps of -0.0167 and none forward.
    ASSERT_EQ(clock->seeks.size(), 60u);
    for (const auto& seek : clock->seeks) EXPECT_NEAR(seek.second - seek.first, -0.0668f, 1e-4f);
    EXPECT_NEAR(clock->position, 10.0f - 60 * 0.0668f + 1.0f, 1e-3f);
    EXPECT_TRUE(engine.lua.runChunk("assert(forward == 0 and math.abs(backward - 180) <= 1, backward .. ' back, ' "
                                    ".. forward .. ' forward')"));

    // Held against the start, the seek stays at 0 instead of failing.
    clock->position = 0.05f;
    clock->framesLeft = 3;
    clock->seeks.clear();
    engine.run();
    ASSERT_EQ(clock->seeks.size(), 3u);
    EXPECT_TRUE(clock->seeks[0].second == 0.0f && clock->seeks[1].second == 0.0f);
}

// The only check of the profiler's bookkeeping: every presented frame reaches it
// with each stage of the show timed and nested stages within their parents.
TEST_F(WholeEngine, AProfilerGetsEveryPresentedFrameWithTheStagesOfTheShowInIt) {
    start(0, std::make_unique<FrameClock>(20.0f, 30));
    int seen[3] = {};  // frames, complete ones, ones with a script update
    profile::StageTimes times;
    times.context = seen;
    times.frameDone = [](const profile::StageTimes& t, void* context) {
        const int64_t* ns = t.nanoseconds;
        int* counts = static_cast<int*>(context);
        ++counts[0];
        counts[1] += ns[profile::kSync] > 0 && ns[profile::kPostSetup] > 0 && ns[profile::kLoader] > 0 &&
                     ns[profile::kSwap] > 0 && ns[profile::kTreeWalk] > 0 &&
                     ns[profile::kTotal] >= ns[profile::kLuaRender] + ns[profile::kLuaUpdate] &&
                     ns[profile::kLuaRender] + ns[profile::kLuaUpdate] >= ns[profile::kTreeWalk] + ns[profile::kPostSetup];
        counts[2] += ns[profile::kLuaUpdate] > 0;
    };
    profile::active = &times;
    engine.run();
    profile::active = nullptr;
    EXPECT_TRUE(seen[0] == 30 && seen[1] == 30) << seen[0] << " frames, " << seen[1] << " complete";
    EXPECT_GE(seen[2], 28);  // 1/60 s a frame against 0.0167 s steps: now and then a frame has none
}

// A scene painted straight to the window is multisampled through a stand-in buffer
// (the window's framebuffer never carries samples). A track file rewritten while the
// show runs moves the picture within a second (the watcher looks every 100 ms); a
// half-written one keeps the keys it had.
TEST_F(WholeEngine, AStandInMultisamplesAWindowSceneAndATrackFileChangedOnDiskMovesItButAHalfWrittenOneKeepsItsKeys) {
    const std::string script = "local cube\nfunction build()\n  cube = object.new('cube')\n"
                               "  cube:setRotation(vector3.new(20, 30, 0))\n  scene.getRoot():addChild(cube)\n  return true\nend\n"
                               "function update(step) end\n"
                               "function render(time)\n  cube:setPosition(vector3.new(sync.getFloat('Cube.X'), 0, 0))\n"
                               "  scene.getRoot():render(time)\nend\n";
    ManualAudioDevice* clock = start(4, std::make_unique<ManualAudioDevice>(), script);
    const std::string sync = dir.file("res/sync");
    for (auto [name, value] : {std::make_pair("Camera.Mode", 1.0f), std::make_pair("Camera.Distance", 8.0f)})
        test::writeTrack(sync, name, {{0, value, Step}});
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(clock));
    test::writeTrack(sync, "Cube.X", {{0, -2.0f, Step}});
    // The mean column of the lit pixels, as a fraction of the width.
    std::vector<unsigned char> px;
    auto litColumn = [&]() {
        clock->position += 0.01f;
        engine.advanceClock();
        engine.renderFrame();
        px = test::readPixels(0, 0, kWidth, kHeight);
        double sum = 0.0, count = 0.0;
        for (int i = 0; i < kWidth * kHeight; ++i)
            if (px[i * 4] + px[i * 4 + 1] + px[i * 4 + 2] > 120) sum += i % kWidth, count += 1.0;
        return count > 0.0 ? sum / count / kWidth : -1.0;
    };
    const double left = litColumn();
    EXPECT_TRUE(left > 0.0 && left < 0.5) << left;
    GLint sampleBuffers = -1;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    EXPECT_TRUE(sampleBuffers == 0 && engine.scene.windowBuffer.fbo != 0 && engine.scene.windowBuffer.multisampled);
    // The cube's yellow is (227, 224, 23); a pixel the lines cover only in part is a multisampled edge.
    int full = 0, partial = 0;
    for (size_t i = 0; i < px.size(); i += 4) {
        full += px[i] >= 220;
        partial += px[i] > 20 && px[i] < 220;
    }
    EXPECT_GT(full + partial, 200) << "the cube is on screen";
    EXPECT_GT(partial, full) << "multisampled lines have soft edges";

    const std::string file = sync + "/_Cube.X.track";
    test::writeTrack(sync, "Cube.X", {{0, 2.0f, Step}});
    test::setWriteTime(file, test::nowSeconds() + 1.0);
    EXPECT_TRUE(test::waitFor([&] { return litColumn() > 0.5; }, std::chrono::seconds(5)));

    test::LogCapture log;
    const std::string kept = "Sync track file res/sync/_Cube.X.track changed but is not whole (12 bytes); its 1 keys stay";
    test::writeFile(file, test::trackBytes({{0, -2.0f, Step}, {10, -2.0f, Step}}).substr(0, 12));
    test::setWriteTime(file, test::nowSeconds() + 2.0);
    EXPECT_TRUE(test::waitFor([&] { litColumn(); return log.count(kept) > 0; }));
    EXPECT_GT(litColumn(), 0.5);
    EXPECT_EQ(log.count(kept), 1u);
}

// A texture and a model rewritten while the show runs are drawn anew within a second (the
// watcher looks every 100 ms); a corrupt one keeps what is on screen.
TEST_F(WholeEngine, ATextureAndAModelChangedOnDiskAreDrawnAnewButCorruptOnesKeepThePicture) {
    const std::string script = "local rock\nfunction build()\n"
                               "  rock = object.new('texturedModel', 'res/models/Rock.exm', 'res/textures/Rock.png')\n"
                               "  scene.getRoot():addChild(rock)\n  return true\nend\nfunction update(step) end\n"
                               "function render(time) scene.getRoot():render(time) end\n";
    ManualAudioDevice* clock = start(0, std::make_unique<ManualAudioDevice>(), script);
    const std::string sync = dir.file("res/sync");
    for (auto [name, value] : {std::make_pair("Camera.Mode", 1.0f), std::make_pair("Camera.Distance", 8.0f)})
        test::writeTrack(sync, name, {{0, value, Step}});
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(clock));
    // Of the lit pixels: their mean column (a fraction of the width) and how much redder than green they are.
    struct Look {
        double column = -1.0, redOverGreen = 0.0;
    };
    auto look = [&]() {
        clock->position += 0.01f;
        engine.advanceClock();
        engine.renderFrame();
        const std::vector<unsigned char> px = test::readPixels(0, 0, kWidth, kHeight);
        double column = 0.0, red = 0.0, green = 0.0, count = 0.0;
        for (int i = 0; i < kWidth * kHeight; ++i)
            if (px[i * 4] + px[i * 4 + 1] + px[i * 4 + 2] > 60)
                column += i % kWidth, red += px[i * 4], green += px[i * 4 + 1], count += 1.0;
        return count > 0.0 ? Look{column / count / kWidth, red / std::max(green, 1.0)} : Look{};
    };
    auto rewrite = [&](const std::string& file, const std::string& bytes, double later) {
        test::writeFile(dir.file(file), bytes);
        test::setWriteTime(dir.file(file), test::nowSeconds() + later);
    };
    const Look before = look();
    ASSERT_TRUE(before.column > 0.4 && before.column < 0.6 && before.redOverGreen < 2.0) << before.column;

    std::vector<uint8_t> red(8 * 8 * 4, 0);
    for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    ASSERT_NE(stbi_write_png(dir.file("red.png").c_str(), 8, 8, 4, red.data(), 8 * 4), 0);
    const std::string redPng = test::readFile(dir.file("red.png"));
    rewrite("res/textures/Rock.png", redPng, 1.0);
    EXPECT_TRUE(test::waitFor([&] { return look().redOverGreen > 4.0; }, std::chrono::seconds(5)));

    ExmModel rock;
    ASSERT_TRUE(loadExm(dir.file("res/models/Rock.exm"), rock));
    const std::string rockBytes = test::readFile(dir.file("res/models/Rock.exm"));
    for (size_t v = 0; v < rock.vertices.size(); v += 8) rock.vertices[v] += 2.5f;
    const std::vector<uint8_t> moved = encodeExm(rock);
    rewrite("res/models/Rock.exm", std::string(moved.begin(), moved.end()), 2.0);
    EXPECT_TRUE(test::waitFor([&] { return look().column > 0.6; }, std::chrono::seconds(5)));

    test::LogCapture log;
    const std::string keptTexture =
        "Texture file res/textures/Rock.png changed but does not load; the old texture stays";
    const std::string keptModel =
        "Model file res/models/Rock.exm changed but does not load; its meshes stay as they were";
    rewrite("res/textures/Rock.png", redPng.substr(0, redPng.size() / 2), 3.0);
    rewrite("res/models/Rock.exm", rockBytes.substr(0, rockBytes.size() / 2), 3.0);
    EXPECT_TRUE(test::waitFor([&] { look(); return log.count(keptTexture) > 0 && log.count(keptModel) > 0; }));
    const Look kept = look();
    EXPECT_TRUE(kept.column > 0.6 && kept.redOverGreen > 4.0) << kept.column << " " << kept.redOverGreen;
}

// Full screen on the desktop: a window of the desktop's size, the show drawn at its
// own and shown whole with its aspect kept, black beside it. Under scripts/test.sh's
// 16:9 screen a 1280x720 show fills it; CTest runs this again on a 1280x1024 one.
TEST_F(WholeEngine, FullScreenOnTheDesktopKeepsTheShowsAspectBetweenBlackBars) {
    std::string config = test::standardConfig(1280, 720, 4, false);
    config.replace(config.find("Fullscreen = false"), 18, "Fullscreen = desktop");
    start(4, std::make_unique<ManualAudioDevice>(), "function build() return true end\nfunction render(t) end\n", config);
    SDL_DisplayMode desktop{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    int w = 0, h = 0;
    engine.window.getDrawableSize(w, h);
    ASSERT_TRUE(w == desktop.w && h == desktop.h) << w << "x" << h << " on " << desktop.w << "x" << desktop.h;
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);  // the scene's picture: white; the bars must be made black
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT);  // as an earlier frame may leave the window
    for (int frame = 0; frame < 2; ++frame) engine.scene.frame(1.0f);  // the second through the multisampled stand-in
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    const std::vector<unsigned char> px = test::readPixels(0, 0, w, h, 0);
    const int shown = std::min(h, w * 720 / 1280), bar = (h - shown) / 2;
    std::set<int> wrongRows;
    for (int i = 0; i < w * h; ++i) {
        const int y = i / w, want = y >= bar && y < bar + shown ? 255 : 0;
        if (px[i * 4] != want || px[i * 4 + 1] != want || px[i * 4 + 2] != want) wrongRows.insert(y);
    }
    EXPECT_TRUE(wrongRows.empty()) << wrongRows.size() << " rows wrong from row " << *wrongRows.begin() << "; wanted "
                                   << bar << " black, " << shown << " white, " << bar << " black";
}
