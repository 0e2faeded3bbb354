// One scene frame with real GL and real tracks: the camera modes pick the
// view, the sun follows its tracks, the camera position comes from the view,
// and the script's render sees the frame's state. Without a root nothing runs.
#include "audio/ManualAudioDevice.h"
#include "core/Engine.h"
#include "scene/SceneRootObject.h"
#include "scene/ViewMath.h"
#include "sync/TrackText.h"

#include "GlContext.h"
#include "TestSupport.h"
#include "VecExpect.h"

#include <gtest/gtest.h>
#include <lua.hpp>

namespace {
void expectNear(const glm::vec3& got, const glm::vec3& want) { test::expectNear(got, want, 1e-4f); }

class SceneFrame : public ::testing::Test {
protected:
    void SetUp() override {
        gEngine = &engine;
        ASSERT_TRUE(engine.syncDevice.init(&audio, tracks.path() + "/"));
        ASSERT_TRUE(engine.lua.create());
        audio.bpm = 60.0f / 16.0f;  // one row per second
        // Mode 1 from row 0, 0 from row 10, 5 (unknown) from row 20, 2 from row 30.
        write("Camera.Mode", {{0, 1, Step}, {10, 0, Step}, {20, 5, Step}, {30, 2, Step}});
        write("Camera.Distance", {{0, 10, Step}});
        write("Camera.X", {{0, 3, Step}});
        write("Camera.Y", {{0, 4, Step}});
        write("Camera.Z", {{0, 5, Step}});
        write("Focus.Y", {{0, 1, Step}});
        write("Sun.Radius", {{0, 2, Step}});
        write("Sun.Zenith(Deg)", {{0, 90, Step}});
        write("Sun.Azimuth(Deg)", {{0, 90, Step}});
        ASSERT_TRUE(engine.lua.runChunk("frames = 0\n"
                                        "function render(t) frames = frames + 1; lastTime = t\n"
                                        "  scene.getRoot():setPosition(scene.getSunPosition()) end"));
    }
    void TearDown() override {
        engine.scene.releaseObjects();
        engine.lua.close();
        engine.syncDevice.shutdown();
        gEngine = nullptr;
    }
    void write(const std::string& name, const std::vector<SyncKey>& keys) {
        auto bytes = encodeTrack(keys);
        test::writeFile(tracks.file(trackFileName(name)), std::string(bytes.begin(), bytes.end()));
    }
    void frameAtRow(float row) {
        audio.position = row;
        engine.syncDevice.update();
        engine.scene.frame(row);
    }
    double global(const char* name) {
        lua_getglobal(engine.lua.state(), name);
        double v = lua_tonumber(engine.lua.state(), -1);
        lua_pop(engine.lua.state(), 1);
        return v;
    }

    test::LogCapture log;
    test::TempDir tracks;
    ManualAudioDevice audio;
    Engine engine;
};
} // namespace

TEST_F(SceneFrame, CameraModesPickTheViewAndTheSunFollowsItsTracks) {
    frameAtRow(0.0f);  // no root yet: nothing runs
    EXPECT_EQ(global("frames"), 0.0);

    engine.scene.root = new SceneRootObject;
    frameAtRow(1.0f);
    expectNear(engine.scene.cameraPosition, {0, 0, 10});
    EXPECT_EQ(engine.scene.view, ViewMath::orbitView(10, 0, 0, 0));
    expectNear(engine.scene.getSunPosition(), {0, 0, 2});
    // The script's render runs last, with the frame's time and sun.
    EXPECT_EQ(global("frames"), 1.0);
    EXPECT_EQ(global("lastTime"), 1.0);
    expectNear(engine.scene.root->position, {0, 0, 2});

    frameAtRow(11.0f);
    glm::mat4 lookAt = ViewMath::lookAtView({3, 4, 5}, {0, 1, 0});
    EXPECT_EQ(engine.scene.view, lookAt);
    expectNear(engine.scene.cameraPosition, -glm::vec3(lookAt[3]));

    frameAtRow(21.0f);  // an unknown mode keeps the last view
    EXPECT_EQ(engine.scene.view, lookAt);

    engine.scene.freeCamera.position = glm::vec3(1, 2, 3);
    engine.scene.freeCamera.yaw = 90.0f;
    frameAtRow(31.0f);
    EXPECT_EQ(engine.scene.view, engine.scene.freeCamera.getViewMatrix());
    EXPECT_EQ(global("frames"), 4.0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(log.messages().empty());
}
