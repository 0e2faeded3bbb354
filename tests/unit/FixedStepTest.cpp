// The fixed-step accumulator of the main loop: whole steps of play position
// forward, negative steps after a backward seek, the remainder carried over.
#include "core/Engine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::vector<float> stepsFor(float& accumulator, float delta) {
    std::vector<float> steps;
    runFixedSteps(accumulator, delta, [&](float s) { steps.push_back(s); });
    return steps;
}
} // namespace

TEST(FixedSteps, WholeStepsRunAndTheRemainderCarriesOver) {
    float accumulator = 0.0f;
    EXPECT_EQ(stepsFor(accumulator, 0.05f), (std::vector<float>{kFixedStep, kFixedStep}));
    EXPECT_NEAR(accumulator, 0.05f - 2 * kFixedStep, 1e-6f);
    EXPECT_TRUE(stepsFor(accumulator, 0.0f).empty());
    EXPECT_EQ(stepsFor(accumulator, 0.001f).size(), 1u);  // 0.0166 + 0.001 passes one step
}

TEST(FixedSteps, ABackwardSeekRunsNegativeStepsUntilWithinOneStepOfZero) {
    float accumulator = 0.01f;
    const std::vector<float> steps = stepsFor(accumulator, -0.08f);
    EXPECT_EQ(steps, std::vector<float>(4, -kFixedStep));
    EXPECT_GT(accumulator, -kFixedStep);
    EXPECT_LT(accumulator, 0.0f);
}
