// The whole engine in this process, on a copy of the shipped show whose soundtrack a
// test clock replaces after start-up: the show frame by frame (objects on screen, FX
// tracks shaping the picture), the window's multisampling, the frame's clock reaching
// the script's audio table, a held D-pad on a virtual pad scrubbing in the loop, keys
// and mouse pushed as SDL events, and track, texture and model files changed on disk
// while it runs; full screen on the desktop.
#include "core/Profile.h"
#include "gfx/Exm.h"
#include "objects/CameraObject.h"
#include "postfx/SceneBufferObject.h"

#include "GlContext.h"
#include "VirtualPad.h"

#include <stb/stb_image_write.h>
#include <lua.hpp>

#include <set>

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;

// A soundtrack that plays 1/60 s per frame while playing (the loop calls update
// once per frame), notes every seek and ends after a given number of frames,
// asking the loop to quit then (so a show paused by a key ends too).
class FrameClock : public ManualAudioDevice {
public:
    FrameClock(float start, int frames) : framesLeft(frames) {
        position = start;
        playing = true;
    }
    void update() override {
        position += playing ? 1.0f / 60.0f : 0.0f;
        SDL_Event quit{SDL_QUIT};
        if (--framesLeft == 0) SDL_PushEvent(&quit);
    }
    bool isPlaying() override { return playing && framesLeft > 0; }
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
                               "function render(time)\n  heard = audio.level()\n"
                               "  cube:setPosition(vector3.new(sync.getFloat('Cube.X'), 0, 0))\n"
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

    // Each frame's clock reaches the script's audio table: silence, then a tone from 0.5 s.
    ASSERT_TRUE(clock->createSoundtrack(std::string(SOLVANE_FIXTURES_DIR) + "/audio/silence_then_1khz.mp3", 106.0f));
    for (float at : {0.25f, 0.75f}) {
        clock->position = at - 0.01f;
        litColumn();
        lua_getglobal(engine.lua.state(), "heard");
        EXPECT_TRUE(at < 0.5f ? lua_tonumber(engine.lua.state(), -1) == 0.0 : lua_tonumber(engine.lua.state(), -1) > 0.3)
            << at;
        lua_pop(engine.lua.state(), 1);
    }
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

namespace {
// A scene of one camera object, the active one, and nothing drawn.
const char* const kCameraOnly = "function build() local c = object.new('camera'); scene.getRoot():addChild(c)\n"
                                "  scene.setActiveCamera(c); return true end\nfunction update(s) end\nfunction render(t) end\n";

// Pushes events (a key down or up, or a right button or mouse move when `key` is
// 0) after dropping what is queued: the window's own events, and the marker SDL
// leaves where a loop that quit stopped reading, behind which they would wait a frame.
void push(std::initializer_list<std::tuple<Uint32, int, int>> events) {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    for (auto [type, key, dx] : events) {
        SDL_Event e{type};
        e.key.keysym.scancode = static_cast<SDL_Scancode>(key < 0 ? -key : key);
        e.key.repeat = key < 0;  // a negative key: the keyboard's auto-repeat
        if (type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEBUTTONUP) e.button.button = SDL_BUTTON_RIGHT;
        if (type == SDL_MOUSEMOTION) e.motion.xrel = dx, e.motion.yrel = -dx / 2;
        SDL_PushEvent(&e);
    }
}
constexpr Uint32 kDown = SDL_KEYDOWN, kUp = SDL_KEYUP;
} // namespace

// Without a controller: Space pauses (the loop goes on) and resumes, the arrows
// move by a beat or (with Shift, let go in the same frame) a bar, auto-repeat
// included, Home goes to 0; three frames after each.
TEST_F(WholeEngine, KeysPauseResumeAndScrubByBeatsAndBars) {
    FrameClock* clock = start(0, std::make_unique<FrameClock>(10.0f, 0), kCameraOnly);
    ASSERT_FALSE(engine.gameController.isOpen());
    test::LogCapture log;
    const float b = static_cast<float>(secondsPerBeat()), f = 3.0f / 60.0f;
    const int space = SDL_SCANCODE_SPACE, left = SDL_SCANCODE_LEFT, right = SDL_SCANCODE_RIGHT;
    const int shift = SDL_SCANCODE_LSHIFT;
    auto tap = [](int key) { push({{kDown, key, 0}, {kUp, key, 0}}); };
    const struct {
        std::function<void()> keys;
        float position, seek;  // seek 0: none
        bool playing;
    } cases[] = {
        {[&] { tap(space); }, 10.0f, 0, false},
        {[&] { tap(right); }, 10.0f + b, b, false},
        {[&] { push({{kDown, shift, 0}, {kDown, right, 0}, {kUp, right, 0}, {kUp, shift, 0}}); }, 10 + 5 * b, 4 * b, false},
        {[&] { push({{kDown, left, 0}, {kDown, -left, 0}, {kDown, -left, 0}, {kUp, left, 0}}); }, 10 + 2 * b, -3 * b, false},
        {[&] { tap(space); }, 10 + 2 * b + f, 0, true},
        {[&] { tap(SDL_SCANCODE_HOME); }, f, -(10 + 2 * b + f), true},
        {[&] { tap(left); }, f, -f, true},  // never before the start
    };
    for (const auto& c : cases) {
        clock->seeks.clear();
        c.keys();
        clock->framesLeft = 3;
        engine.run();
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        EXPECT_EQ(clock->framesLeft, 0) << "the loop ran every frame";
        EXPECT_TRUE(std::abs(clock->position - c.position) < 1e-4f && clock->playing == c.playing) << clock->position;
        ASSERT_EQ(clock->seeks.size(), c.seek != 0.0f ? 1u : 0u);
        EXPECT_NEAR(c.seek != 0.0f ? clock->seeks[0].second - clock->seeks[0].first : 0.0f, c.seek, 1e-4f);
    }
    char lines[2][64];
    std::snprintf(lines[0], 64, "Paused at %.3f s", 10.0f);
    std::snprintf(lines[1], 64, "Playing from %.3f s", 10.0f + 2 * b);
    EXPECT_TRUE(log.count(lines[0]) == 1 && log.count(lines[1]) == 1);
}

// In camera mode 2 without a controller: W A S D Q E fly per second of wall time
// (two frame rates, the same flight), Shift faster, the held right button turns
// with the mouse; P, Backspace and Enter edit the path with the A, B, X messages.
TEST_F(WholeEngine, KeysAndMouseFlyTheFreeCameraAndEditItsPathAsTheButtonsDo) {
    FrameClock* clock = start(0, std::make_unique<FrameClock>(1.0f, 0), kCameraOnly);
    test::writeTrack(dir.file("res/sync"), "Camera.Mode", {{0, 2.0f, Step}});
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(clock));
    double wall = 0.0, wallStep = 0.0;
    engine.keyboardMouse.wallClock = [&] { return wall += wallStep; };
    engine.keyboardMouse.beginFrame();  // the first frame has no time before it
    FirstPersonCamera& camera = engine.scene.freeCamera;
    auto frames = [&](int n) {
        clock->framesLeft = n;
        engine.run();
    };
    const float d = std::sqrt(0.5f);
    const int w = SDL_SCANCODE_W, a = SDL_SCANCODE_A, s = SDL_SCANCODE_S, dKey = SDL_SCANCODE_D;
    const struct {
        int keys[3];
        int frames;
        double wallStep;
        glm::vec3 moved;  // from the origin, facing +Z; right is -X
    } flights[] = {
        {{w, dKey}, 2, 0.05, {-d, 0.0f, d}},
        {{w, dKey}, 5, 0.02, {-d, 0.0f, d}},
        {{s, a, SDL_SCANCODE_LSHIFT}, 4, 0.025, {5 * d, 0.0f, -5 * d}},
        {{SDL_SCANCODE_E}, 3, 0.1, {0.0f, 3.0f, 0.0f}},
        {{SDL_SCANCODE_Q, SDL_SCANCODE_E}, 3, 0.1, {0.0f, 0.0f, 0.0f}},
    };
    for (const auto& flight : flights) {
        camera.position = glm::vec3(0.0f);
        wallStep = flight.wallStep;
        push({{kDown, flight.keys[0], 0}, {kDown, flight.keys[1], 0}, {kDown, flight.keys[2], 0}});
        frames(flight.frames);
        engine.keyboardMouse.reset();  // every key let go
        test::expectNear(camera.position, flight.moved, 1e-4f);
    }
    // The mouse turns only while the right button is held: 0.2 degrees a pixel.
    // (Holding it captures the pointer, and SDL drops the motion queued before.)
    push({{SDL_MOUSEMOTION, 0, 40}, {SDL_MOUSEBUTTONDOWN, 0, 0}});
    frames(1);
    push({{SDL_MOUSEMOTION, 0, 30}, {SDL_MOUSEMOTION, 0, 20}, {SDL_MOUSEBUTTONUP, 0, 0}, {SDL_MOUSEMOTION, 0, 40}});
    frames(1);
    EXPECT_TRUE(std::abs(camera.yaw - 10.0f) < 1e-4f && std::abs(camera.pitch + 5.0f) < 1e-4f) << camera.yaw << " " << camera.pitch;

    test::LogCapture log;
    auto tapAt = [&](float x, int key) {
        camera.position = glm::vec3(x, 0.0f, 0.0f);
        push({{kDown, key, 0}, {kUp, key, 0}});
        frames(1);
    };
    tapAt(3, SDL_SCANCODE_P);
    tapAt(50, SDL_SCANCODE_BACKSPACE);
    test::expectNear(camera.position, glm::vec3(3.0f, 0.0f, 0.0f), 1e-6f);
    for (float x : {0.0f, 2.0f, 4.0f}) tapAt(x, SDL_SCANCODE_P);
    tapAt(0, SDL_SCANCODE_RETURN);
    tapAt(6, SDL_SCANCODE_P);
    tapAt(0, SDL_SCANCODE_KP_ENTER);
    EXPECT_EQ(static_cast<CameraObject*>(engine.scene.activeCamera)->pathPoints.size(), 25u);
    std::vector<std::string> edits;
    for (const std::string& line : log.messages())
        if (line.find("Point") != std::string::npos) edits.push_back(line);
    EXPECT_EQ(edits, (std::vector<std::string>{
                         "Placed Camera Path Point!", "Removed Camera Path Point!", "Placed Camera Path Point!",
                         "Placed Camera Path Point!", "Placed Camera Path Point!",
                         "Cannot Build Path With Less Than 4 Points!", "Placed Camera Path Point!",
                         "Outputted 24 Points Into Array of Size 25!", "Built Camera Path With 25 Points!"}));
    // R starts and ends a flight recording as the pad's Y does.
    tapAt(0, SDL_SCANCODE_R);
    EXPECT_TRUE(engine.scene.isRecordingFlight());
    tapAt(0, SDL_SCANCODE_R);
    EXPECT_FALSE(engine.scene.isRecordingFlight());
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
