// Wireframe geometry and the drift of needles and flakes: ring meshes for
// steps that divide 360 and steps that do not, outline shapes made of unit
// lines, drift parameters in draw order, and drift matrices over time.
#include "objects/DriftMotion.h"
#include "objects/WireframeShapes.h"
#include "scene/ViewMath.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

#include <glm/gtc/type_ptr.hpp>

#include <cmath>
#include <cstdlib>
#include <set>

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

// Every line of the three outlines is one unit long, no line is drawn twice
// and every index is in range.
TEST(WireframeShapes, OutlinesAreMadeOfUnitLines) {
    const struct {
        const float* vertices;
        uint32_t vertexCount;
        const uint32_t* indices;
        uint32_t indexCount;
    } shapes[] = {{kCubeVertices, 8, kCubeIndices, 24}, {kFlakeVertices, 4, kFlakeIndices, 8},
                  {kNeedleVertices, 2, kNeedleIndices, 2}};
    for (const auto& s : shapes) {
        std::set<std::pair<uint32_t, uint32_t>> lines;
        for (uint32_t i = 0; i < s.indexCount; i += 2) {
            const uint32_t a = s.indices[i], b = s.indices[i + 1];
            ASSERT_LT(std::max(a, b), s.vertexCount);
            EXPECT_FLOAT_EQ(glm::length(glm::make_vec3(&s.vertices[3 * a]) - glm::make_vec3(&s.vertices[3 * b])), 1.0f);
            lines.insert({std::min(a, b), std::max(a, b)});
        }
        EXPECT_EQ(lines.size(), s.indexCount / 2);
    }
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
