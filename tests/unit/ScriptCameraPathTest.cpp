// Camera paths written in the script (scene.setCameraPath) and the heading a
// rider takes along a path when nobody holds a controller. GL-free: the camera
// object is created but not built, so nothing is uploaded.
#include "LuaFixture.h"

#include "objects/CameraObject.h"
#include "scene/CameraPath.h"
#include "scene/ViewMath.h"

namespace {
const char* kFourPoints = "{vector3.new(0, 0, 0), vector3.new(2, 0, 0), vector3.new(4, 0, 0), vector3.new(6, 0, 0)}";

class ScriptCameraPath : public LuaFixture {};
} // namespace

TEST_F(ScriptCameraPath, RefusesWhatCannotBeAPathAndChangesNothing) {
    ASSERT_EQ(run("camera = object.new('camera'); cube = object.new('cube')"), "");
    const std::pair<std::string, std::string> cases[] = {
        {"scene.setCameraPath(5)", "bad argument #1 to 'setCameraPath' (table expected, got number)"},
        {"scene.setCameraPath({vector3.new(0, 0, 0), vector3.new(1, 0, 0), vector3.new(2, 0, 0)})",
         "bad argument #1 to 'setCameraPath' (at least 4 points expected)"},
        {"scene.setCameraPath({vector3.new(0, 0, 0), 1, vector3.new(2, 0, 0), vector3.new(3, 0, 0)})",
         "bad argument #1 to 'setCameraPath' (vector3 points expected)"},
        {std::string("scene.setCameraPath(") + kFourPoints + ")", "no camera object was set with scene.setActiveCamera"},
        {std::string("scene.setActiveCamera(cube); scene.setCameraPath(") + kFourPoints + ")",
         "no camera object was set with scene.setActiveCamera"},
    };
    for (const auto& [code, error] : cases) EXPECT_EQ(run(code), "test:1: " + error) << code;
    EXPECT_TRUE(engine.scene.cameraPathPoints.empty());
    EXPECT_TRUE(global<CameraObject>("camera")->pathPoints.empty());
}

TEST_F(ScriptCameraPath, PointsAreSampledIntoTheActiveCameraObjectAsTheBuildButtonDoes) {
    ASSERT_EQ(run(std::string("camera = object.new('camera'); scene.setActiveCamera(camera); scene.setCameraPath(") +
                  kFourPoints + ")"),
              "");
    const auto& samples = global<CameraObject>("camera")->pathPoints;
    ASSERT_EQ(samples.size(), 25u);
    test::expectNear(samples.back(), glm::vec3(6, 0, 0), 1e-5f);
    EXPECT_EQ(engine.scene.cameraPathPoints.size(), 4u);  // a controller in free flight can go on editing them
}

TEST(CameraPathHeading, LooksAheadAlongThePathAndAlongItsLastStretchAtTheEnd) {
    std::vector<glm::vec3> samples;
    for (int i = 0; i <= 10; ++i) samples.emplace_back(static_cast<float>(i), static_cast<float>(i * i), 0.0f);
    test::expectNear(cameraPathHeading(samples, 2, 4), samples[6] - samples[2], 1e-6f);
    test::expectNear(cameraPathHeading(samples, 9, 4), samples[10] - samples[6], 1e-6f);
    test::expectNear(cameraPathHeading(samples, 10, 20), samples[10] - samples[0], 1e-6f);
    test::expectNear(cameraPathHeading({glm::vec3(1.0f)}, 0, 4), glm::vec3(0.0f), 0.0f);
}

TEST(CameraPathHeading, PitchAndYawFacingADirectionLookAlongIt) {
    const glm::vec3 directions[] = {{0, 0, 1}, {1, 0, 0}, {-1, 0, 0}, {0, 0, -3}, {2, -1, 1}, {-1, 2, -2}};
    for (const glm::vec3& d : directions) {
        glm::vec2 pitchYaw = ViewMath::pitchYawFacing(d);
        EXPECT_TRUE(pitchYaw.y >= 0.0f && pitchYaw.y < 360.0f) << pitchYaw.y;
        test::expectNear(ViewMath::viewingDirection(pitchYaw.x, pitchYaw.y), glm::normalize(d), 1e-5f);
    }
    EXPECT_EQ(ViewMath::pitchYawFacing(glm::vec3(0.0f)), glm::vec2(0.0f));
}
