// Wireframe geometry and the drift of needles and flakes: ring meshes for
// steps that divide 360 and steps that do not, drift parameters in draw
// order, and drift matrices over time.
#include "objects/DriftMotion.h"
#include "objects/WireframeShapes.h"
#include "scene/ViewMath.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace WireframeShapes;
using test::expectNear;

TEST(RingMesh, OneVertexPerWholeStepJoinedInOrderAndClosedToTheFirst) {
    const struct {
        float radius, step;
        uint32_t vertices;
        float lastDegrees;
    } cases[] = {{2.0f, 10.0f, 36, 350.0f}, {1.0f, 7.0f, 51, 350.0f}, {3.0f, 360.0f, 1, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        const RingMesh ring = buildRingMesh(c.radius, c.step);
        ASSERT_EQ(ring.vertices.size(), c.vertices);
        ASSERT_EQ(ring.indices.size(), 2 * c.vertices);
        expectNear(ring.vertices[0], {c.radius, 0, 0});
        const float last = c.lastDegrees * ViewMath::kDegreesToRadians;
        expectNear(ring.vertices.back(), c.radius * glm::vec3(std::cos(last), std::sin(last), 0));
        for (uint32_t i = 0; i < c.vertices; ++i) {
            EXPECT_EQ(ring.indices[2 * i], i);
            EXPECT_EQ(ring.indices[2 * i + 1], (i + 1) % c.vertices);
        }
    }
    // Step 10 puts a vertex on +Y; step 7 leaves a closing segment of 10 degrees.
    expectNear(buildRingMesh(2.0f, 10.0f).vertices[9], {0, 2, 0});
    EXPECT_EQ(ringDrawCount(36, 0.5f), 36u);
    EXPECT_EQ(ringDrawCount(36, 3.0f), 72u);
}

TEST(DriftMotion, ParametersAreDrawnInTheirFixedOrderFromTheSeededGenerator) {
    std::srand(0);
    float draws[9];
    for (float& d : draws) d = static_cast<float>(((std::rand() % 2001) - 1000) / 1000.0);
    std::srand(0);
    const DriftParameters p = drawDriftParameters();
    expectNear(p.direction, {draws[2], draws[1], draws[0]});
    EXPECT_FLOAT_EQ(p.speed, draws[3] * 5.0f);
    expectNear(p.spinAxis, {draws[6], draws[5], draws[4]});
    EXPECT_FLOAT_EQ(p.spinRate, draws[7] * 90.0f);
    EXPECT_FLOAT_EQ(p.spinScale, draws[8] * 0.75f);
}

TEST(DriftMotion, MatrixSitsAtThePositionAtTimeZeroAndDriftsAndSpinsLater) {
    DriftParameters p;
    p.direction = glm::vec3(1, 0, 0);
    p.speed = 5.0f;
    p.spinAxis = glm::vec3(0, 0, 2);  // normalised when used
    p.spinRate = 45.0f;
    p.spinScale = -0.5f;
    const glm::vec3 position(1, 2, 3);
    const glm::mat4 start = driftMatrix(position, p, 0.0f);
    expectNear(glm::vec3(start[3]), position);
    expectNear(glm::vec3(start * glm::vec4(0, 1, 0, 0)), {0, -0.5f, 0});  // no spin, mirrored scale
    const glm::mat4 later = driftMatrix(position, p, 2.0f);
    expectNear(glm::vec3(later[3]), {11, 2, 3});
    expectNear(glm::vec3(later * glm::vec4(0, 1, 0, 0)), {0.5f, 0, 0});  // 90 degrees about +Z, then the scale
}
