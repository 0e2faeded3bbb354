// The shipped show, frame by frame at chosen soundtrack positions, in the whole
// engine: it renders into a multisampled scene buffer, and the post processor
// turns its FX tracks into the picture (fade from black, bloom, the white-out
// into the peak, flashes on the beat).
#include "audio/ManualAudioDevice.h"
#include "core/Engine.h"
#include "postfx/SceneBufferObject.h"
#include "scene/SceneRootObject.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;

// Seconds of soundtrack at a beat of the show (106 beats per minute).
float atBeat(float beat) { return beat * 60.0f / 106.0f; }

struct Frame {
    double brightness = 0.0;  // mean of r, g and b over the picture, 0..255
    int yellow = 0;           // cubes and needles
    int cyan = 0;             // rings and flakes
};

class ShippedShow : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeFile(dir.file("Config.txt"), test::standardConfig(kWidth, kHeight, 4, false));
        test::copyTree(std::string(SOLVANE_SOURCE_DIR) + "/res", dir.file("res"));
        // A short soundtrack starts faster; the clock is replaced after start-up anyway.
        test::writeFile(dir.file("res/audio/melody2.mp3"),
                        test::readFile(std::string(SOLVANE_FIXTURES_DIR) + "/res/audio/melody2.mp3"));
        ASSERT_TRUE(workingDir.enter(dir.path()));
        ASSERT_TRUE(engine.initialize());
        engine.stopAudio();
        auto manual = std::make_unique<ManualAudioDevice>();
        clock = manual.get();
        engine.audioDevice = std::move(manual);
        engine.syncDevice.shutdown();
        ASSERT_TRUE(engine.syncDevice.init(clock));
    }
    void TearDown() override { engine.shutdown(); }

    Frame frameAt(float seconds) {
        clock->position = seconds;
        engine.syncDevice.update();
        engine.scene.frame(seconds);
        auto pixels = test::readPixels(0, 0, kWidth, kHeight);
        Frame frame;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            int r = pixels[i], g = pixels[i + 1], b = pixels[i + 2];
            frame.brightness += (r + g + b) / 3.0;
            frame.yellow += r > 150 && g > 150 && b < 80;
            frame.cyan += r < 80 && g > 120 && b > 150;
        }
        frame.brightness /= kWidth * kHeight;
        return frame;
    }

    test::TempDir dir;
    test::WorkingDir workingDir;
    Engine engine;
    ManualAudioDevice* clock = nullptr;
};
} // namespace

TEST_F(ShippedShow, RendersThroughAMultisampledBufferAndTheFxTracksShapeThePicture) {
    ASSERT_EQ(engine.scene.root->children.size(), 1u);
    SceneObject* buffer = engine.scene.root->children[0];
    ASSERT_EQ(buffer->getType(), kSceneBufferType);
    EXPECT_TRUE(static_cast<SceneBufferObject*>(buffer)->frameBuffer.multisampled);

    EXPECT_LT(frameAt(0.0f).brightness, 0.5) << "the show starts from black";
    const Frame shown = frameAt(30.0f);
    EXPECT_GT(shown.yellow, 200);
    EXPECT_GT(shown.cyan, 200);
    EXPECT_LT(shown.brightness, 40.0);
    EXPECT_GT(frameAt(atBeat(64.0f)).brightness, 200.0) << "the white-out into the peak";

    // On the beat in the peak a flash lifts the whole picture; a quarter beat later it is gone.
    const Frame flash = frameAt(atBeat(72.0f));
    const Frame after = frameAt(atBeat(72.5f));
    EXPECT_GT(flash.brightness, after.brightness + 40.0);
    EXPECT_LT(frameAt(atBeat(112.0f)).brightness, 0.5) << "and ends in black";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
