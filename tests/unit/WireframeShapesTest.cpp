// Wireframe geometry and the drift of needles and flakes: ring meshes for
// steps that divide 360 and steps that do not, outline shapes made of unit
// lines, drift parameters in draw order, and drift matrices over time.
#include "objects/DriftMotion.h"
#include "objects/WireframeShapes.h"
#include "scene/ViewMath.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

using namespace WireframeShapes;

namespace {
using test::expectNear;
} // namespace

TEST(RingMesh, StepTenMakesThirtySixVerticesAndSeventyTwoIndices) {
    RingMesh ring = buildRingMesh(2.0f, 10.0f);
    ASSERT_EQ(ring.vertices.size(), 36u);
    ASSERT_EQ(ring.indices.size(), 72u);
    expectNear(ring.vertices[0], {2, 0, 0});
    expectNear(ring.vertices[9], {0, 2, 0});
    expectNear(ring.vertices[27], {0, -2, 0});
    for (uint32_t i = 0; i < 35; ++i) {
        EXPECT_EQ(ring.indices[2 * i], i);
        EXPECT_EQ(ring.indices[2 * i + 1], i + 1);
    }
    EXPECT_EQ(ring.indices[70], 35u);
    EXPECT_EQ(ring.indices[71], 0u);
    EXPECT_EQ(ringDrawCount(36, 1.0f), 72u);
    EXPECT_EQ(ringDrawCount(36, 0.5f), 36u);
    EXPECT_EQ(ringDrawCount(36, 3.0f), 72u);
}

TEST(RingMesh, StepSevenLeavesAWiderClosingSegment) {
    RingMesh ring = buildRingMesh(1.0f, 7.0f);
    ASSERT_EQ(ring.vertices.size(), 51u);
    ASSERT_EQ(ring.indices.size(), 102u);
    float c = std::cos(350.0f * ViewMath::kDegreesToRadians);
    float s = std::sin(350.0f * ViewMath::kDegreesToRadians);
    expectNear(ring.vertices[50], {c, s, 0});
    EXPECT_EQ(ring.indices[100], 50u);
    EXPECT_EQ(ring.indices[101], 0u);
    // The closing segment spans 10 degrees, the others 7.
    float closing = glm::length(ring.vertices[50] - ring.vertices[0]);
    float regular = glm::length(ring.vertices[1] - ring.vertices[0]);
    EXPECT_NEAR(closing, 2.0f * std::sin(5.0f * ViewMath::kDegreesToRadians), 1e-5f);
    EXPECT_NEAR(regular, 2.0f * std::sin(3.5f * ViewMath::kDegreesToRadians), 1e-5f);
}

TEST(RingMesh, StepThreeSixtyIsOneVertexJoinedToItself) {
    RingMesh ring = buildRingMesh(3.0f, 360.0f);
    ASSERT_EQ(ring.vertices.size(), 1u);
    expectNear(ring.vertices[0], {3, 0, 0});
    EXPECT_EQ(ring.indices, (std::vector<uint32_t>{0, 0}));
}

// Every line of the three outlines is one unit long and every index is in range.
TEST(WireframeShapes, OutlinesAreMadeOfUnitLines) {
    struct Shape {
        const float* vertices;
        uint32_t vertexCount;
        const uint32_t* indices;
        uint32_t indexCount;
    };
    for (const Shape& s : {Shape{kCubeVertices, 8, kCubeIndices, 24}, Shape{kFlakeVertices, 4, kFlakeIndices, 8},
                           Shape{kNeedleVertices, 2, kNeedleIndices, 2}}) {
        std::set<std::pair<uint32_t, uint32_t>> lines;
        for (uint32_t i = 0; i < s.indexCount; i += 2) {
            uint32_t a = s.indices[i];
            uint32_t b = s.indices[i + 1];
            ASSERT_LT(std::max(a, b), s.vertexCount);
            glm::vec3 d = glm::make_vec3(&s.vertices[3 * a]) - glm::make_vec3(&s.vertices[3 * b]);
            EXPECT_FLOAT_EQ(glm::length(d), 1.0f);
            lines.insert({std::min(a, b), std::max(a, b)});
        }
        EXPECT_EQ(lines.size(), s.indexCount / 2);  // no line twice
    }
}

TEST(DriftMotion, ParametersAreDrawnInTheirFixedOrderFromTheSeededGenerator) {
    std::srand(0);
    float draws[9];
    for (float& d : draws) d = static_cast<float>(((std::rand() % 2001) - 1000) / 1000.0);
    std::srand(0);
    DriftParameters p = drawDriftParameters();
    expectNear(p.direction, {draws[2], draws[1], draws[0]});
    EXPECT_FLOAT_EQ(p.speed, draws[3] * 5.0f);
    expectNear(p.spinAxis, {draws[6], draws[5], draws[4]});
    EXPECT_FLOAT_EQ(p.spinRate, draws[7] * 90.0f);
    EXPECT_FLOAT_EQ(p.spinScale, draws[8] * 0.75f);

    // Reseeding repeats the sequence; carrying on does not.
    DriftParameters next = drawDriftParameters();
    std::srand(0);
    DriftParameters again = drawDriftParameters();
    EXPECT_EQ(again.direction, p.direction);
    EXPECT_NE(next.direction, p.direction);
}

TEST(DriftMotion, MatrixSitsAtThePositionAtTimeZeroAndDriftsAndSpinsLater) {
    DriftParameters p;
    p.direction = glm::vec3(1, 0, 0);
    p.speed = 5.0f;
    p.spinAxis = glm::vec3(0, 0, 2);  // normalised when used
    p.spinRate = 45.0f;
    p.spinScale = -0.5f;
    glm::vec3 position(1, 2, 3);

    glm::mat4 start = driftMatrix(position, p, 0.0f);
    expectNear(glm::vec3(start[3]), position);
    expectNear(glm::vec3(start * glm::vec4(0, 1, 0, 0)), {0, -0.5f, 0});  // no spin, mirrored scale

    glm::mat4 later = driftMatrix(position, p, 2.0f);
    expectNear(glm::vec3(later[3]), {11, 2, 3});
    // 90 degrees about +Z after two seconds, then the scale.
    expectNear(glm::vec3(later * glm::vec4(0, 1, 0, 0)), {0.5f, 0, 0});
}
