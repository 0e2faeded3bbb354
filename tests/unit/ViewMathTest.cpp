// The scene's camera maths: projection, orbit and look-at views, the sun, the
// camera position taken from a view and the free camera's direction.
#include "scene/FirstPersonCamera.h"
#include "scene/ViewMath.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using test::expectNear;

glm::vec3 ndc(const glm::mat4& projection, const glm::mat4& view, const glm::vec3& world) {
    glm::vec4 clip = projection * view * glm::vec4(world, 1.0f);
    return glm::vec3(clip) / clip.w;
}
} // namespace

TEST(ViewMath, SunSitsOnTheZenithAxisAndTurnsWithAzimuth) {
    for (float azimuth : {0.0f, 45.0f, 200.0f}) expectNear(ViewMath::sunPosition(1, 0, azimuth), {0, 1, 0});
    expectNear(ViewMath::sunPosition(1, 90, 0), {1, 0, 0});
    expectNear(ViewMath::sunPosition(2, 90, 90), {0, 0, 2});
    float s = std::sqrt(0.5f);
    expectNear(ViewMath::sunPosition(10, 45, 180), {-10 * s, 10 * s, 0}, 1e-4f);
}

TEST(ViewMath, OrbitAtDistanceTenLooksAtTheOriginFromPlusZ) {
    glm::mat4 view = ViewMath::orbitView(10, 0, 0, 0);
    expectNear(ViewMath::cameraPositionFromView(view), {0, 0, 10});
    expectNear(glm::vec3(view * glm::vec4(0, 0, 0, 1)), {0, 0, -10});
    glm::mat4 projection = ViewMath::projection(60, 16.0f / 9.0f, 0.1f, 10000);
    glm::vec3 origin = ndc(projection, view, {0, 0, 0});
    EXPECT_NEAR(origin.x, 0.0f, 1e-6f);
    EXPECT_NEAR(origin.y, 0.0f, 1e-6f);

    // Roll turns the scene first, then yaw: +X goes to +Y under roll and stays there.
    glm::mat4 turned = ViewMath::orbitView(10, 0, 90, 90);
    expectNear(glm::vec3(turned * glm::vec4(1, 0, 0, 1)), {0, 1, -10});
    // Pitch comes last: a point on +Y tilts toward the camera at pitch 90.
    expectNear(glm::vec3(ViewMath::orbitView(10, 90, 0, 0) * glm::vec4(0, 1, 0, 1)), {0, 0, -9});
}

TEST(ViewMath, ProjectionFitsTheVerticalFieldOfViewAndTheAspect) {
    float aspect = 1280.0f / 720.0f;
    glm::mat4 p = ViewMath::projection(60, aspect, 0.1f, 10000);
    float edge = std::tan(30.0f * ViewMath::kDegreesToRadians) * 5.0f;  // half height at depth 5
    glm::mat4 identity(1.0f);
    EXPECT_NEAR(ndc(p, identity, {0, edge, -5}).y, 1.0f, 1e-5f);
    EXPECT_NEAR(ndc(p, identity, {edge * aspect, 0, -5}).x, 1.0f, 1e-5f);
    EXPECT_NEAR(ndc(p, identity, {0, 0, -0.1f}).z, -1.0f, 1e-4f);
    EXPECT_NEAR(ndc(p, identity, {0, 0, -10000}).z, 1.0f, 1e-4f);
    glm::mat4 round = glm::inverse(p) * p;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) EXPECT_NEAR(round[c][r], c == r ? 1.0f : 0.0f, 1e-4f);
}

TEST(ViewMath, FreeCameraDirectionFollowsPitchAndYaw) {
    for (float pitch : {0.0f, 30.0f, -60.0f, 89.999f})
        for (float yaw : {0.0f, 90.0f, 135.0f, 359.0f}) {
            float p = pitch * ViewMath::kDegreesToRadians;
            float y = yaw * ViewMath::kDegreesToRadians;
            glm::vec3 want(-std::sin(y) * std::cos(p), -std::sin(p), std::cos(y) * std::cos(p));
            expectNear(ViewMath::viewingDirection(pitch, yaw), want);
        }

    // At rest at the origin, a point ten units down +Z is at the screen centre.
    FirstPersonCamera camera;
    glm::mat4 projection = ViewMath::projection(60, 1.5f, 0.1f, 10000);
    glm::vec3 centre = ndc(projection, camera.getViewMatrix(), {0, 0, 10});
    EXPECT_NEAR(centre.x, 0.0f, 1e-5f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-5f);
    EXPECT_LT(std::fabs(centre.z), 1.0f);
    // Positive yaw turns toward -X; the camera's own position is honoured.
    camera.yaw = 90;
    camera.position = glm::vec3(3, 0, 0);
    glm::vec3 ahead = ndc(projection, camera.getViewMatrix(), {-7, 0, 0});
    EXPECT_NEAR(ahead.x, 0.0f, 1e-5f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-5f);
}
