// Camera paths without GL: the Hermite sampler's counts and end points, the
// progress lookup, and the button rules of path editing with their messages.
#include "scene/CameraPath.h"

#include "TestSupport.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using glm::vec3;

std::vector<vec3> alongX(std::initializer_list<float> xs) {
    std::vector<vec3> points;
    for (float x : xs) points.emplace_back(x, 0.0f, 0.0f);
    return points;
}

void expectVec(const vec3& actual, const vec3& expected) { test::expectNear(actual, expected); }

bool allFinite(const std::vector<vec3>& samples) {
    for (const vec3& s : samples)
        if (!std::isfinite(s.x) || !std::isfinite(s.y) || !std::isfinite(s.z)) return false;
    return true;
}
} // namespace

TEST(CameraPathSampler, FourPointsTwoUnitsApartGiveTwentyFiveSamplesThroughEveryPoint) {
    test::LogCapture log;
    std::vector<vec3> samples(3, vec3(9.0f));  // stale content is replaced
    ASSERT_TRUE(sampleCameraPath(alongX({0, 2, 4, 6}), samples, kCameraPathStep));
    ASSERT_EQ(samples.size(), 25u);
    expectVec(samples[0], vec3(0, 0, 0));
    expectVec(samples[8], vec3(2, 0, 0));  // middle segments start exactly on their point
    expectVec(samples[16], vec3(4, 0, 0));
    expectVec(samples[24], vec3(6, 0, 0));  // the last sample is the end of the path
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Outputted 24 Points Into Array of Size 25!"}));
    EXPECT_EQ(log.entries()[0].category, SDL_LOG_CATEGORY_APPLICATION);
}

TEST(CameraPathSampler, NeighboursArePointsNotTangents) {
    // Off-axis neighbours pull the curve: the middle of segment 1 is not on the chord.
    std::vector<vec3> points = {vec3(0, 0, 0), vec3(0, 0, 4), vec3(4, 0, 4), vec3(4, 0, 0)};
    std::vector<vec3> samples;
    ASSERT_TRUE(sampleCameraPath(points, samples, kCameraPathStep));
    ASSERT_EQ(samples.size(), 12u * 4u + 1u);
    // Segment 1 (from P1 to P2), t = 0.5: 0.5 P1 + 0.5 P2 + 0.125 P0 - 0.125 P3.
    expectVec(samples[16 + 8], 0.5f * points[1] + 0.5f * points[2] + 0.125f * points[0] - 0.125f * points[3]);
    // First segment: the point before the path is P0 mirrored through P1.
    vec3 mirrored = 2.0f * points[0] - points[1];
    expectVec(samples[8], 0.5f * points[0] + 0.5f * points[1] + 0.125f * mirrored - 0.125f * points[2]);
}

TEST(CameraPathSampler, SegmentLengthsAreRoundedDownToWholeUnits) {
    std::vector<vec3> samples;
    ASSERT_TRUE(sampleCameraPath(alongX({0, 2.9f, 5.8f, 8.7f}), samples, kCameraPathStep));
    ASSERT_EQ(samples.size(), 25u);  // lengths 2, 2, 2
    expectVec(samples[8], vec3(2.9f, 0, 0));
    expectVec(samples[24], vec3(8.7f, 0, 0));  // t = 2 / 2 on the last segment
}

TEST(CameraPathSampler, ShortSegmentsAddNoSamplesButThePathEndsOnItsLastPoint) {
    std::vector<vec3> samples;
    // A repeated point in the middle: that segment contributes nothing.
    ASSERT_TRUE(sampleCameraPath(alongX({0, 0, 2, 4}), samples, kCameraPathStep));
    EXPECT_EQ(samples.size(), 17u);
    EXPECT_TRUE(allFinite(samples));
    // A last segment under one unit: its one sample is the end point, not 0/0.
    ASSERT_TRUE(sampleCameraPath(alongX({0, 2, 4, 4.5f}), samples, kCameraPathStep));
    ASSERT_EQ(samples.size(), 17u);
    EXPECT_TRUE(allFinite(samples));
    expectVec(samples.back(), vec3(4.5f, 0, 0));
    // Every point in one place: one sample.
    ASSERT_TRUE(sampleCameraPath(std::vector<vec3>(5, vec3(1, 2, 3)), samples, kCameraPathStep));
    ASSERT_EQ(samples.size(), 1u);
    expectVec(samples[0], vec3(1, 2, 3));
}

TEST(CameraPathSampler, RefusesTooFewPointsAndSenselessSteps) {
    std::vector<vec3> samples(2);
    EXPECT_FALSE(sampleCameraPath(alongX({0, 2, 4}), samples, kCameraPathStep));
    EXPECT_TRUE(samples.empty());
    EXPECT_FALSE(sampleCameraPath(alongX({0, 2, 4, 6}), samples, 0.0f));
    EXPECT_FALSE(sampleCameraPath(alongX({0, 2, 4, 6}), samples, NAN));
}

TEST(CameraPathSampler, AnyStepEndsOnTheLastPoint) {
    std::vector<vec3> samples;
    ASSERT_TRUE(sampleCameraPath(alongX({0, 1, 2, 3}), samples, 0.3f));
    EXPECT_EQ(samples.size(), 4u + 4u + 4u);  // 0, .3, .6, .9 in each segment
    ASSERT_TRUE(sampleCameraPath(alongX({0, 1, 2, 3}), samples, 0.5f));
    EXPECT_EQ(samples.size(), 7u);
    expectVec(samples.back(), vec3(3, 0, 0));
}

TEST(CameraPathProgress, ProgressPicksASampleAndIsClamped) {
    EXPECT_EQ(cameraPathIndex(25, 0.5f), 12u);
    EXPECT_EQ(cameraPathIndex(25, 0.999f), 23u);  // no rounding up to the next sample
    EXPECT_EQ(cameraPathIndex(25, 1.0f), 24u);
    EXPECT_EQ(cameraPathIndex(25, 7.0f), 24u);
    EXPECT_EQ(cameraPathIndex(25, 0.0f), 0u);
    EXPECT_EQ(cameraPathIndex(25, -3.0f), 0u);
    EXPECT_EQ(cameraPathIndex(25, NAN), 0u);
    EXPECT_EQ(cameraPathIndex(1, 0.7f), 0u);
}

TEST(CameraPathEditing, PlaceAndRemoveMoveTheCameraBack) {
    test::LogCapture log;
    std::vector<vec3> points;
    vec3 camera(1, 2, 3);
    EXPECT_EQ(applyCameraPathButtons({true, false, false}, points, camera, nullptr), CameraPathEdit::Placed);
    camera = vec3(5, 5, 5);
    // Place wins over remove and build pressed in the same frame.
    EXPECT_EQ(applyCameraPathButtons({true, true, true}, points, camera, nullptr), CameraPathEdit::Placed);
    ASSERT_EQ(points.size(), 2u);
    camera = vec3(9, 9, 9);
    EXPECT_EQ(applyCameraPathButtons({false, true, true}, points, camera, nullptr), CameraPathEdit::Removed);
    ASSERT_EQ(points.size(), 1u);
    expectVec(camera, vec3(5, 5, 5));
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Placed Camera Path Point!", "Placed Camera Path Point!",
                                                        "Removed Camera Path Point!"}));
}

TEST(CameraPathEditing, RemovingWithNoPointsDoesNothingSilently) {
    test::LogCapture log;
    std::vector<vec3> points;
    vec3 camera(4, 5, 6);
    EXPECT_EQ(applyCameraPathButtons({false, true, false}, points, camera, nullptr), CameraPathEdit::None);
    EXPECT_EQ(applyCameraPathButtons({}, points, camera, nullptr), CameraPathEdit::None);
    expectVec(camera, vec3(4, 5, 6));
    EXPECT_TRUE(log.messages().empty());
}

TEST(CameraPathEditing, BuildingNeedsFourPointsAndACameraObject) {
    test::LogCapture log;
    std::vector<vec3> points = alongX({0, 2, 4});
    std::vector<vec3> path = alongX({7, 8});
    vec3 camera(0, 0, 0);
    EXPECT_EQ(applyCameraPathButtons({false, false, true}, points, camera, &path), CameraPathEdit::TooFewPoints);
    EXPECT_EQ(path.size(), 2u);  // the old path stays
    EXPECT_EQ(points.size(), 3u);
    points.emplace_back(6, 0, 0);
    EXPECT_EQ(applyCameraPathButtons({false, false, true}, points, camera, nullptr), CameraPathEdit::NoCameraObject);
    EXPECT_EQ(applyCameraPathButtons({false, false, true}, points, camera, &path), CameraPathEdit::Built);
    EXPECT_EQ(path.size(), 25u);
    EXPECT_EQ(points.size(), 4u);
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Cannot Build Path With Less Than 4 Points!",
                                                        "Failed to find camera object in scene!",
                                                        "Outputted 24 Points Into Array of Size 25!",
                                                        "Built Camera Path With 25 Points!"}));
}
