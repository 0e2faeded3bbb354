// Camera paths without GL: the Hermite sampler's counts and end points, and
// the progress lookup. Editing with the controller's buttons, with its
// messages, is checked in the gl tests.
#include "scene/CameraPath.h"

#include "TestSupport.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using glm::vec3;
using test::expectNear;

std::vector<vec3> alongX(std::initializer_list<float> xs) {
    std::vector<vec3> points;
    for (float x : xs) points.emplace_back(x, 0.0f, 0.0f);
    return points;
}

std::vector<vec3> sampled(const std::vector<vec3>& points, float step = kCameraPathStep) {
    std::vector<vec3> samples(3, vec3(9.0f));  // stale content is replaced
    EXPECT_TRUE(sampleCameraPath(points, samples, step));
    for (const vec3& s : samples) EXPECT_TRUE(std::isfinite(s.x + s.y + s.z));
    return samples;
}
} // namespace

TEST(CameraPathSampler, FourPointsTwoUnitsApartGiveTwentyFiveSamplesThroughEveryPoint) {
    test::LogCapture log;
    const auto samples = sampled(alongX({0, 2, 4, 6}));
    ASSERT_EQ(samples.size(), 25u);
    for (int point = 0; point < 4; ++point) expectNear(samples[8 * point], vec3(2.0f * point, 0, 0));
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Outputted 24 Points Into Array of Size 25!"}));
}

TEST(CameraPathSampler, NeighboursArePointsNotTangents) {
    // Off-axis neighbours pull the curve: the middle of segment 1 is not on the chord.
    const std::vector<vec3> p = {vec3(0, 0, 0), vec3(0, 0, 4), vec3(4, 0, 4), vec3(4, 0, 0)};
    const auto samples = sampled(p);
    ASSERT_EQ(samples.size(), 12u * 4u + 1u);
    // Segment 1 (from P1 to P2), t = 0.5: 0.5 P1 + 0.5 P2 + 0.125 P0 - 0.125 P3.
    expectNear(samples[16 + 8], 0.5f * p[1] + 0.5f * p[2] + 0.125f * p[0] - 0.125f * p[3]);
    // First segment: the point before the path is P0 mirrored through P1.
    expectNear(samples[8], 0.5f * p[0] + 0.5f * p[1] + 0.125f * (2.0f * p[0] - p[1]) - 0.125f * p[2]);
}

TEST(CameraPathSampler, SegmentLengthsAreRoundedDownAndThePathEndsOnItsLastPoint) {
    const struct {
        std::vector<vec3> points;
        float step;
        size_t count;
    } cases[] = {
        {alongX({0, 2.9f, 5.8f, 8.7f}), kCameraPathStep, 25},  // lengths 2, 2, 2
        {alongX({0, 0, 2, 4}), kCameraPathStep, 17},           // a repeated point adds nothing
        {alongX({0, 2, 4, 4.5f}), kCameraPathStep, 17},        // a last segment under one unit: its end, not 0/0
        {alongX({0, 1, 2, 3}), 0.5f, 7},                       // 0 and .5 in each segment, then the end
        {std::vector<vec3>(5, vec3(1, 2, 3)), kCameraPathStep, 1},
    };
    for (const auto& c : cases) {
        const auto samples = sampled(c.points, c.step);
        ASSERT_EQ(samples.size(), c.count) << c.points.back().x;
        expectNear(samples.back(), c.points.back());
    }
}

TEST(CameraPathSampler, RefusesTooFewPointsAndSenselessSteps) {
    std::vector<vec3> samples(2);
    EXPECT_FALSE(sampleCameraPath(alongX({0, 2, 4}), samples, kCameraPathStep));
    EXPECT_TRUE(samples.empty());
    EXPECT_FALSE(sampleCameraPath(alongX({0, 2, 4, 6}), samples, 0.0f));
    EXPECT_FALSE(sampleCameraPath(alongX({0, 2, 4, 6}), samples, NAN));
}

TEST(CameraPathProgress, ProgressPicksASampleAndIsClamped) {
    const std::pair<float, size_t> cases[] = {{0.5f, 12}, {0.999f, 23}, {1.0f, 24}, {7.0f, 24},
                                              {0.0f, 0},  {-3.0f, 0},   {NAN, 0}};
    for (const auto& [progress, index] : cases) EXPECT_EQ(cameraPathIndex(25, progress), index) << progress;
    EXPECT_EQ(cameraPathIndex(1, 0.7f), 0u);
}
