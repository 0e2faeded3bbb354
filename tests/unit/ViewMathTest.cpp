// The scene's camera maths: projection, the orbit view, the sun, the camera
// position taken from a view and the free camera's direction and view.
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
    const float s = std::sqrt(0.5f);
    expectNear(ViewMath::sunPosition(10, 45, 180), {-10 * s, 10 * s, 0}, 1e-4f);
}

TEST(ViewMath, OrbitAtDistanceTenLooksAtTheOriginFromPlusZ) {
    const glm::mat4 view = ViewMath::orbitView(10, 0, 0, 0);
    expectNear(ViewMath::cameraPositionFromView(view), {0, 0, 10});
    expectNear(glm::vec3(view * glm::vec4(0, 0, 0, 1)), {0, 0, -10});
    // Roll turns the scene first, then yaw: +X goes to +Y under roll and stays there.
    expectNear(glm::vec3(ViewMath::orbitView(10, 0, 90, 90) * glm::vec4(1, 0, 0, 1)), {0, 1, -10});
    // Pitch comes last: a point on +Y tilts toward the camera at pitch 90.
    expectNear(glm::vec3(ViewMath::orbitView(10, 90, 0, 0) * glm::vec4(0, 1, 0, 1)), {0, 0, -9});
}

TEST(ViewMath, ProjectionFitsTheVerticalFieldOfViewTheAspectAndThePlanes) {
    const float aspect = 1280.0f / 720.0f;
    const glm::mat4 p = ViewMath::projection(60, aspect, 0.1f, 10000);
    const float edge = std::tan(30.0f * ViewMath::kDegreesToRadians) * 5.0f;  // half height at depth 5
    const glm::mat4 identity(1.0f);
    EXPECT_NEAR(ndc(p, identity, {0, edge, -5}).y, 1.0f, 1e-5f);
    EXPECT_NEAR(ndc(p, identity, {edge * aspect, 0, -5}).x, 1.0f, 1e-5f);
    EXPECT_NEAR(ndc(p, identity, {0, 0, -0.1f}).z, -1.0f, 1e-4f);
    EXPECT_NEAR(ndc(p, identity, {0, 0, -10000}).z, 1.0f, 1e-4f);
}

TEST(ViewMath, FreeCameraLooksAlongItsPitchAndYawFromItsPosition) {
    for (float pitch : {0.0f, 30.0f, -60.0f, 89.999f})
        for (float yaw : {0.0f, 90.0f, 135.0f, 359.0f}) {
            const float p = pitch * ViewMath::kDegreesToRadians, y = yaw * ViewMath::kDegreesToRadians;
            expectNear(ViewMath::viewingDirection(pitch, yaw),
                       {-std::sin(y) * std::cos(p), -std::sin(p), std::cos(y) * std::cos(p)});
        }
    // At rest at the origin a point down +Z is straight ahead; positive yaw turns
    // toward -X, and the camera's own position is honoured.
    auto straightAhead = [](const glm::vec3& point) {
        expectNear(point * glm::vec3(1, 1, 0), {0, 0, 0});
        EXPECT_LT(std::fabs(point.z), 1.0f);  // in front, between the planes
    };
    FirstPersonCamera camera;
    const glm::mat4 projection = ViewMath::projection(60, 1.5f, 0.1f, 10000);
    straightAhead(ndc(projection, camera.getViewMatrix(), {0, 0, 10}));
    camera.yaw = 90;
    camera.position = glm::vec3(3, 0, 0);
    straightAhead(ndc(projection, camera.getViewMatrix(), {-7, 0, 0}));
}
