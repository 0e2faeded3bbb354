// The whole engine in this process, on a copy of the shipped show whose soundtrack a
// test clock replaces after start-up: the show frame by frame (objects on screen, FX
// tracks shaping the picture), the window's multisampling, and a held D-pad on a
// virtual pad scrubbing in the loop.
#include "core/Profile.h"
#include "objects/CameraObject.h"
#include "postfx/SceneBufferObject.h"

#include "GlContext.h"
#include "VirtualPad.h"



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
    Clock* start(int msaa, std::unique_ptr<Clock> clock, const std::string& script = "") {
        test::copyShow(dir, test::standardConfig(kWidth, kHeight, msaa, false), true);  // the short soundtrack starts faster
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

namespace {
// A soundtrack that plays 1/60 s per frame while playing, notes every seek and,
// once its frames are done, asks the loop to quit (so a paused show ends too).
class KeyClock : public ManualAudioDevice {
public:
    explicit KeyClock(float start) {
        position = start;
        playing = true;
    }
    void update() override {
        if (playing) position += 1.0f / 60.0f;
        if (--framesLeft == 0) {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
    }
    void setPosition(float seconds) override {
        seeks.push_back(seconds - position);
        position = seconds;
    }
    int framesLeft = 0;
    std::vector<float> seeks;
};

// A scene of one camera object, the active one, and nothing drawn.
const char* const kCameraOnly = "function build()\n  local camera = object.new('camera')\n"
                                "  scene.getRoot():addChild(camera)\n  scene.setActiveCamera(camera)\n  return true\nend\n"
                                "function update(step) end\nfunction render(t) end\n";

// Drops what is queued: the window's own events, and the marker SDL leaves
// where a loop that quit stopped reading (behind it, pushed events would wait a frame).
void freshQueue() {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

void pushKey(SDL_Scancode key, bool down, bool repeat = false) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.scancode = key;
    event.key.keysym.sym = SDL_GetKeyFromScancode(key);
    SDL_PushEvent(&event);
}

void pushMouse(Uint32 type, int dx, int dy) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) event.motion.xrel = dx, event.motion.yrel = dy;
    else event.button.button = SDL_BUTTON_RIGHT;
    SDL_PushEvent(&event);
}

} // namespace

// Without a controller: Space pauses (the loop goes on) and resumes, the arrows
// move by a beat or (with Shift) a bar, auto-repeat included, Home goes to 0.
TEST_F(WholeEngine, KeysPauseResumeAndScrubByBeatsAndBars) {
    KeyClock* clock = start(0, std::make_unique<KeyClock>(10.0f), kCameraOnly);
    ASSERT_FALSE(engine.gameController.isOpen());
    test::LogCapture log;
    const float beat = static_cast<float>(secondsPerBeat()), step = 1.0f / 60.0f;
    const struct {
        std::vector<SDL_Scancode> held, tapped;
        int repeats;  // auto-repeated downs of the tapped key
        float position;
        bool playing;
        std::vector<float> seeks;
    } cases[] = {
        {{}, {SDL_SCANCODE_SPACE}, 0, 10.0f, false, {}},
        {{}, {SDL_SCANCODE_RIGHT}, 0, 10.0f + beat, false, {beat}},
        {{SDL_SCANCODE_LSHIFT}, {SDL_SCANCODE_RIGHT}, 0, 10.0f + 5 * beat, false, {4 * beat}},
        {{}, {SDL_SCANCODE_LEFT}, 2, 10.0f + 2 * beat, false, {-3 * beat}},
        {{}, {SDL_SCANCODE_SPACE}, 0, 10.0f + 2 * beat + 3 * step, true, {}},
        {{}, {SDL_SCANCODE_HOME}, 0, 3 * step, true, {-(10.0f + 2 * beat + 3 * step)}},
        {{}, {SDL_SCANCODE_LEFT}, 0, 3 * step, true, {-3 * step}},
    };
    for (const auto& c : cases) {
        clock->seeks.clear();
        freshQueue();
        for (SDL_Scancode key : c.held) pushKey(key, true);
        for (SDL_Scancode key : c.tapped) {
            pushKey(key, true);
            for (int r = 0; r < c.repeats; ++r) pushKey(key, true, true);
            pushKey(key, false);
        }
        for (SDL_Scancode key : c.held) pushKey(key, false);
        clock->framesLeft = 3;
        engine.run();
        const std::string what = "case " + std::to_string(&c - cases);
        EXPECT_EQ(clock->framesLeft, 0) << what << ": the loop ran every frame";
        EXPECT_NEAR(clock->position, c.position, 1e-4f) << what;
        EXPECT_EQ(clock->playing, c.playing) << what;
        ASSERT_EQ(clock->seeks.size(), c.seeks.size()) << what;
        for (size_t i = 0; i < c.seeks.size(); ++i) EXPECT_NEAR(clock->seeks[i], c.seeks[i], 1e-4f) << what;
    }
    char paused[64], playing[64];
    std::snprintf(paused, sizeof paused, "Paused at %.3f s", 10.0f);
    std::snprintf(playing, sizeof playing, "Playing from %.3f s", 10.0f + 2 * beat);
    EXPECT_TRUE(log.count(paused) == 1 && log.count(playing) == 1);
}

// In camera mode 2 without a controller: W A S D Q E fly per second of wall time
// (two frame rates, the same flight), Shift faster, the held right button turns
// with the mouse; P, Backspace and Enter edit the path with the A, B, X messages.
TEST_F(WholeEngine, KeysAndMouseFlyTheFreeCameraAndEditItsPathAsTheButtonsDo) {
    KeyClock* clock = start(0, std::make_unique<KeyClock>(1.0f), kCameraOnly);
    test::writeTrack(dir.file("res/sync"), "Camera.Mode", {{0, 2.0f, Step}});
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(clock));
    double wall = 0.0, wallStep = 0.0;
    engine.keyboardMouse.wallClock = [&] { return wall += wallStep; };
    engine.keyboardMouse.beginFrame();  // the first frame has no time before it
    FirstPersonCamera& camera = engine.scene.freeCamera;
    const float diagonal = std::sqrt(0.5f);
    const struct {
        std::vector<SDL_Scancode> held;
        int frames;
        double wallStep;
        glm::vec3 moved;  // from the origin, facing +Z
    } flights[] = {
        {{SDL_SCANCODE_W, SDL_SCANCODE_D}, 2, 0.05, {-diagonal, 0.0f, diagonal}},  // right is -X
        {{SDL_SCANCODE_W, SDL_SCANCODE_D}, 5, 0.02, {-diagonal, 0.0f, diagonal}},
        {{SDL_SCANCODE_S, SDL_SCANCODE_A, SDL_SCANCODE_LSHIFT}, 4, 0.025, {5 * diagonal, 0.0f, -5 * diagonal}},
        {{SDL_SCANCODE_E}, 3, 0.1, {0.0f, 3.0f, 0.0f}},
        {{SDL_SCANCODE_Q, SDL_SCANCODE_E}, 3, 0.1, {0.0f, 0.0f, 0.0f}},
    };
    for (const auto& flight : flights) {
        camera.position = glm::vec3(0.0f);
        camera.pitch = camera.yaw = 0.0f;
        wallStep = flight.wallStep;
        freshQueue();
        for (SDL_Scancode key : flight.held) pushKey(key, true);
        clock->framesLeft = flight.frames;
        engine.run();
        engine.keyboardMouse.reset();  // every key let go
        test::expectNear(camera.position, flight.moved, 1e-4f);
    }
    // The mouse turns only while the right button is held: 0.2 degrees a pixel.
    // (Holding it captures the pointer, and SDL drops the motion queued before.)
    freshQueue();
    pushMouse(SDL_MOUSEMOTION, 40, 40);
    pushMouse(SDL_MOUSEBUTTONDOWN, 0, 0);
    clock->framesLeft = 1;
    engine.run();
    freshQueue();
    pushMouse(SDL_MOUSEMOTION, 30, -15);
    pushMouse(SDL_MOUSEMOTION, 20, -10);
    pushMouse(SDL_MOUSEBUTTONUP, 0, 0);
    pushMouse(SDL_MOUSEMOTION, 40, 40);
    clock->framesLeft = 1;
    engine.run();
    EXPECT_NEAR(camera.yaw, 10.0f, 1e-4f);
    EXPECT_NEAR(camera.pitch, -5.0f, 1e-4f);

    test::LogCapture log;
    auto tapAt = [&](float x, SDL_Scancode key) {
        camera.position = glm::vec3(x, 0.0f, 0.0f);
        freshQueue();
        pushKey(key, true);
        pushKey(key, false);
        clock->framesLeft = 1;
        engine.run();
    };
    tapAt(3, SDL_SCANCODE_P);
    tapAt(50, SDL_SCANCODE_BACKSPACE);
    test::expectNear(camera.position, glm::vec3(3.0f, 0.0f, 0.0f), 1e-6f);
    for (float x : {0.0f, 2.0f, 4.0f}) tapAt(x, SDL_SCANCODE_P);
    tapAt(0, SDL_SCANCODE_RETURN);
    tapAt(6, SDL_SCANCODE_P);
    tapAt(0, SDL_SCANCODE_KP_ENTER);
    auto* path = static_cast<CameraObject*>(engine.scene.activeCamera);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->pathPoints.size(), 25u);
    const std::vector<std::string> edits = {"Placed Camera Path Point!", "Removed Camera Path Point!",
                                            "Placed Camera Path Point!", "Placed Camera Path Point!",
                                            "Placed Camera Path Point!", "Cannot Build Path With Less Than 4 Points!",
                                            "Placed Camera Path Point!", "Outputted 24 Points Into Array of Size 25!",
                                            "Built Camera Path With 25 Points!"};
    test::expectInOrder(log.messages(), edits);
    size_t count = 0;
    for (const std::string& line : log.messages()) count += std::find(edits.begin(), edits.end(), line) != edits.end();
    EXPECT_EQ(count, edits.size()) << "one action per tap";
}
