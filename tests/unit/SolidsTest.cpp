// The solid objects' CPU side: meshes, the flocking step and its matrices, particles, the
// model layout check, and the factory's construction checks.
#include "core/Random.h"
#include "objects/BoidsObject.h"
#include "objects/ModelObject.h"
#include "objects/ParticleCloud.h"
#include "gfx/Exm.h"
#include "objects/SolidMeshes.h"
#include "objects/SphereObject.h"
#include "objects/TexturedModel.h"
#include "objects/UnderseaObjects.h"

#include "LuaFixture.h"

#include <array>
#include <map>
#include <tuple>

using test::kFirstDraws;

namespace {
glm::vec3 vertexPosition(const MeshData& mesh, uint32_t index) {
    return glm::vec3(mesh.vertices[6 * index], mesh.vertices[6 * index + 1], mesh.vertices[6 * index + 2]);
}
glm::vec3 vertexNormal(const MeshData& mesh, uint32_t index) {
    return glm::vec3(mesh.vertices[6 * index + 3], mesh.vertices[6 * index + 4], mesh.vertices[6 * index + 5]);
}
std::array<uint32_t, 3> triangle(const MeshData& mesh, size_t t) {
    return {mesh.indices[3 * t], mesh.indices[3 * t + 1], mesh.indices[3 * t + 2]};
}
} // namespace

TEST(SolidMeshes, SphereIsClosedSeaFloorFacesUpAndTheBoxFacesInwardCounterClockwise) {
    const MeshData mesh = sphereMesh(3, 4, 1.0f);
    ASSERT_EQ(mesh.vertices.size(), 14u * 6);
    ASSERT_EQ(mesh.indices.size(), 72u);
    // The order of the top cap and the first band; the rest is the closure check's below.
    const std::array<uint32_t, 3> first[] = {{1, 0, 2}, {2, 0, 3}, {3, 0, 4}, {4, 0, 1}, {5, 2, 6}, {5, 1, 2}};
    for (size_t t = 0; t < 6; ++t) EXPECT_EQ(triangle(mesh, t), first[t]) << t;

    // Larger spheres: every vertex on the radius with its outward unit normal, every index in range.
    for (auto [rings, sectors] : {std::pair<uint32_t, uint32_t>{2, 3}, {7, 5}, {16, 32}}) {
        const MeshData m = sphereMesh(rings, sectors, 2.5f);
        const uint32_t count = rings * sectors + 2;
        ASSERT_EQ(m.vertices.size(), count * 6u);
        ASSERT_EQ(m.indices.size(), 6u * rings * sectors);
        for (uint32_t i = 0; i < count; ++i) {
            EXPECT_NEAR(glm::length(vertexPosition(m, i)), 2.5f, 1e-5f);
            test::expectNear(vertexNormal(m, i), vertexPosition(m, i) / 2.5f, 1e-5f);
        }
        for (uint32_t index : m.indices) ASSERT_LT(index, count);
        // Closed and consistently wound: every edge is walked once each way.
        std::map<std::pair<uint32_t, uint32_t>, int> edges;
        for (size_t t = 0; t < m.indices.size() / 3; ++t) {
            const auto v = triangle(m, t);
            for (int e = 0; e < 3; ++e) ++edges[{v[e], v[(e + 1) % 3]}];
        }
        for (const auto& [edge, uses] : edges)
            ASSERT_TRUE(uses == 1 && edges.count({edge.second, edge.first}) == 1)
                << rings << "x" << sectors << ": edge " << edge.first << "-" << edge.second;
    }

    const MeshData quad = seaFloorMesh(2, 4.0f);
    ASSERT_EQ(quad.vertices.size(), 4u * 6);
    test::expectNear(vertexPosition(quad, 0), {-2, 0, -2});
    test::expectNear(vertexPosition(quad, 1), {2, 0, -2});  // columns run along x
    test::expectNear(vertexNormal(quad, 3), {0, 1, 0});
    EXPECT_EQ(quad.indices, (std::vector<uint32_t>{3, 0, 2, 3, 1, 0}));
    const MeshData grid = seaFloorMesh(5, 1.0f);
    EXPECT_EQ(grid.indices.size(), 96u);
    test::expectNear(vertexPosition(grid, 24), {2, 0, 2});

    const MeshData& box = underseaBoxMesh();
    ASSERT_EQ(box.vertices.size(), 24u * 6);
    ASSERT_EQ(box.indices.size(), 36u);
    test::expectNear(vertexNormal(box, 0), {0, 0, -1});  // the +Z face
    for (size_t t = 0; t < 12; ++t) {
        const auto [a, b, c] = triangle(box, t);
        const glm::vec3 n = vertexNormal(box, a);
        EXPECT_LT(glm::dot(n, vertexPosition(box, a)), 0.0f) << t;  // points towards the centre
        const glm::vec3 winding =
            glm::cross(vertexPosition(box, b) - vertexPosition(box, a), vertexPosition(box, c) - vertexPosition(box, a));
        EXPECT_GT(glm::dot(winding, n), 0.0f) << "triangle " << t << " is clockwise from inside";
    }
}

TEST(Flocking, BoidsDrawInTheRandomOrderNeighboursAreCloseAndAheadAndANegativeStepRunsBackwards) {
    engineSrand(0);
    Flock flock;
    flock.init(3);
    const Boid& b = flock.boids[0];
    auto centred = [](int r, float range) { return static_cast<float>(2 * r - 32768) / 32762.0f * range; };
    test::expectNear(b.position, {centred(kFirstDraws[2], 10), centred(kFirstDraws[1], 10), centred(kFirstDraws[0], 10)});
    test::expectNear(b.velocity, {centred(kFirstDraws[5], 3), centred(kFirstDraws[4], 3), centred(kFirstDraws[3], 3)});
    EXPECT_FLOAT_EQ(b.maxSpeed, kFirstDraws[6] / 32767.0f * 5.0f);
    EXPECT_FLOAT_EQ(b.size, kFirstDraws[7] / 32767.0f);
    EXPECT_FLOAT_EQ(flock.boids[1].position.z, centred(kFirstDraws[8], 10));  // the next boid follows on

    // Neighbours are close and ahead, and one straight ahead is followed.
    flock = Flock();
    flock.boids.resize(2);
    Boid& self = flock.boids[0];
    const std::pair<glm::vec3, bool> cases[] = {
        {{0, 0, 0}, false},       // same position
        {{0, 0, -5.0f}, false},   // exactly the view radius
        {{0, 0, -4.99f}, true},   // just inside, straight ahead
        {{4.0f, 0, 0}, true},     // to the side
        {{0, 0, 4.0f}, false},    // straight behind
        {{3.0f, 0, 1.7f}, true},  // within 120 degrees of the heading
        {{1.0f, 0, 1.8f}, false}, // outside the cone
    };
    for (const auto& [where, seen] : cases) {
        flock.boids[1].position = where;
        std::vector<const Boid*> out;
        flock.findNeighbours(self, out);
        EXPECT_EQ(out.size(), seen ? 1u : 0u) << where.x << ", " << where.z;
    }
    for (Boid& b : flock.boids) b.flock = &flock;
    self.maxSpeed = 1.0f;
    flock.boids[1].position = {0, 0, -2};
    flock.boids[1].heading = glm::normalize(glm::vec3(1, 0, -1));
    flock.boids[1].viewRadius = 0.0f;  // the neighbour sees nobody and keeps its state
    flock.update(1.0f);
    // Separation and cohesion cancel: the step is the neighbour's heading at full strength.
    test::expectNear(self.velocity, glm::normalize(glm::vec3(1, 0, -1)));
    test::expectNear(self.heading, self.velocity);
    test::expectNear(self.position, self.velocity);
    EXPECT_EQ(self.orientation, headingOrientation(self.heading));

    Boid loner;  // no flock, no neighbours: a negative step (a seek back) runs it backwards
    loner.velocity = {1, 2, 3};
    loner.update(-0.5f);
    test::expectNear(loner.position, {-0.5f, -1, -1.5f});
}

TEST(FishMatrices, OrientationTurnsTheForwardAxisOntoTheHeadingMatricesPlaceTheFishAndParticlesDrawInOrderInTheirBox) {
    EXPECT_EQ(headingOrientation({0, 0, 1}), glm::quat(0, 0, 0, 0));
    Boid boid;
    boid.orientation = headingOrientation({0, 0, 1});
    boid.position = {1, 2, 3};
    boid.size = 0.5f;
    glm::mat4 expected(0.5f);
    expected[3] = glm::vec4(1, 2, 3, 1);
    EXPECT_EQ(boidMatrix(boid), expected);  // degenerate: drawn unrotated
    for (const glm::vec3 heading : {glm::vec3(1, 0, 0), glm::vec3(0, 1, 0), glm::normalize(glm::vec3(0.6f, -0.3f, -0.8f)),
                                    glm::vec3(0, 0, -1)}) {
        boid.orientation = headingOrientation(heading);
        const glm::mat4 m = boidMatrix(boid);
        test::expectNear(glm::vec3(m * glm::vec4(0, 0, -1, 0)), heading * 0.5f, 1e-5f);
        // A rotation keeps the fish's shape: every axis keeps the boid's size.
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(glm::length(glm::vec3(m[c])), 0.5f, 1e-5f);
    }
    Flock flock;
    flock.boids.resize(1);
    glm::mat4 matrices[3];
    fillBoidMatrices(flock, matrices, 3);
    EXPECT_EQ(matrices[2], glm::mat4(1.0f));

    // Particles: nine draws each, in their box with unit directions.
    engineSrand(0);
    const std::vector<Particle> first = generateParticles(2, {10, 2, 10});
    auto unit = [](int r) { return r / 32767.0f; };
    test::expectNear(first[0].offset, {(unit(kFirstDraws[2]) - 0.5f) * 10, (unit(kFirstDraws[1]) - 0.5f) * 2,
                                       (unit(kFirstDraws[0]) - 0.5f) * 10});
    const glm::vec3 raw(unit(kFirstDraws[5]) * 2 - 1, unit(kFirstDraws[4]) * 2 - 1, unit(kFirstDraws[3]) * 2 - 1);
    test::expectNear(first[0].direction, glm::normalize(raw), 1e-6f);
    EXPECT_FLOAT_EQ(first[0].unitRandom, unit(kFirstDraws[6]));
    EXPECT_FLOAT_EQ(first[0].scaledRandom, unit(kFirstDraws[7]) * 5);
    // The ninth draw is skipped over: the second particle starts at the tenth.
    EXPECT_FLOAT_EQ(first[1].offset.z, (unit(kFirstDraws[9]) - 0.5f) * 10);

    for (const Particle& p : generateParticles(5000, {10, 2, 10})) {
        ASSERT_TRUE(std::abs(p.offset.x) <= 5 && std::abs(p.offset.y) <= 1 && std::abs(p.offset.z) <= 5);
        ASSERT_NEAR(glm::length(p.direction), 1.0f, 1e-5f);
        ASSERT_TRUE(p.unitRandom >= 0 && p.unitRandom <= 1 && p.scaledRandom >= 0 && p.scaledRandom <= 5);
    }
}

TEST(ModelLayout, FloatsMustMakeWholeVerticesAndIndicesNameThem) {
    ExmModel model;
    model.vertices.assign(18, 0.0f);  // three vertices of 6, or two and a bit of 8
    const std::tuple<std::vector<uint32_t>, uint32_t, bool> cases[] = {
        {{0, 1, 2}, 6, true}, {{0, 1, 2}, 8, false}, {{0, 1, 3}, 6, false}, {{0, 1}, 6, false}};
    for (const auto& [indices, floatsPerVertex, fits] : cases) {
        model.indices = indices;
        EXPECT_EQ(modelFitsLayout(model, floatsPerVertex), fits) << floatsPerVertex << " " << indices.size();
    }
    EXPECT_TRUE(modelFitsLayout(ExmModel(), 6));  // empty: draws nothing
}

using SolidFactory = LuaFixture;

TEST_F(SolidFactory, RefusesCountsThatWouldBreakTheMeshOrMemoryAndMakesEachClassWithItsArguments) {
    // Every count goes through one check; its NaN and infinity rows are the water factory test's.
    const std::string grid = "bad argument #2 to 'new' (sea floor grid size must be from 2 to 4096)";
    const std::string count = "bad argument #2 to 'new' (particle count must be from 0 to 10000000)";
    expectRefused({
        {"object.new('sphere', 1.9, 4, 1)", "bad argument #2 to 'new' (sphere rings must be from 2 to 4096)"},
        {"object.new('sphere', 3, 0.5, 1)", "bad argument #3 to 'new' (sphere sectors must be from 1 to 4096)"},
        {"object.new('sphere', 3, 4, 1/0)", "bad argument #4 to 'new' (sphere radius must be finite)"},
        {"object.new('sphere', 3, 4)", "bad argument #4 to 'new' (number expected, got no value)"},
        {"object.new('seaFloorGrid', 1, 2)", grid}, {"object.new('seaFloorGrid', 4097, 2)", grid},
        {"object.new('particleCloud', -1, vector3.new(1, 1, 1))", count},
        {"object.new('particleCloud', 10000001, vector3.new(1, 1, 1))", count},
        {"object.new('particleCloud', 10, 5)", "bad argument #3 to 'new' ('vector3' expected)"},
        {"object.new('model', 'a.exm', 'a.vert')", "bad argument #4 to 'new' (string expected, got no value)"},
    });
    // The smallest counts each class takes are accepted.
    for (const char* arguments : {"'underseaBox'", "'boids'", "'diamond'", "'seaFloorGrid', 2, 1", "'model', 'm', 'v', 'f'",
                                  "'texturedModel', 'm', 't'", "'particleCloud', 0, vector3.new(0, 0, 0)",
                                  "'sphere', 2, 1, 1", "'sphere', 3.9, 4.2, 1.5"})
        ASSERT_EQ(run(std::string("made = object.new(") + arguments + ")"), "") << arguments;
    auto* sphere = global<SphereObject>("made");  // counts are truncated toward zero
    EXPECT_TRUE(sphere->rings == 3 && sphere->sectors == 4 && sphere->radius == 1.5f);
    ASSERT_EQ(run("made = object.new('particleCloud', 7, vector3.new(0.5, 1, 2))"), "");
    EXPECT_EQ(global<ParticleCloud>("made")->particleCount, 7u);
    EXPECT_EQ(global<ParticleCloud>("made")->color, glm::vec3(0.5f, 1, 2));
    // The paths are the object's own copies, not the script's strings.
    ASSERT_EQ(run("local m = 'res/models/' .. 'Fish.exm'; made = object.new('model', m, 'a.vert', 'b.frag'); m = nil; "
                  "collectgarbage()"),
              "");
    EXPECT_EQ(global<ModelObject>("made")->modelPath, "res/models/Fish.exm");
}
