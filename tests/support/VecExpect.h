// Component-wise comparison of GLM vectors, for tests of every layer.
// Header only: GoogleTest and GLM.
#pragma once
#include <glm/vec3.hpp>
#include <gtest/gtest.h>

namespace test {

inline void expectNear(const glm::vec3& got, const glm::vec3& want, float tolerance = 1e-5f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

} // namespace test
