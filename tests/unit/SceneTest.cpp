// The scene without GL: the object tree, model and view matrices, ring and drift geometry,
// cube faces' views and debug colours, and camera paths (the pad's edits are the gl tests').
#include "app/Scene.h"
#include "objects/CubemapDebug.h"
#include "objects/DriftMotion.h"
#include "objects/WireframeCubeObject.h"
#include "objects/WireframeShapes.h"
#include "postfx/SceneCubeBufferObject.h"
#include "scene/CameraPath.h"
#include "scene/FirstPersonCamera.h"
#include "scene/SceneRootObject.h"
#include "scene/ViewMath.h"

#include "TestSupport.h"

#include <glm/gtc/matrix_transform.hpp>

#include <map>

using glm::vec3;
using test::expectNear;

namespace {
// Notes every call in a shared journal, and its deletion.
struct Journal {
    std::vector<std::string> calls;
    std::map<std::string, int> deleted;
};

class Probe : public SceneObject {
public:
    Probe(Journal& j, std::string n, bool buildResult = true) : journal(j), name(std::move(n)), ok(buildResult) {}
    ~Probe() override { journal.deleted[name]++; }
    bool build(Scene*) override { note("build"); return ok; }
    void update(float step) override { note("update"); SceneObject::update(step); }
    void render(float time, const glm::mat4* parent) override { note("render"); SceneObject::render(time, parent); }
    void release() override { note("release"); }
    int getType() const override { return kWireframeCubeType; }
    void note(const char* what) { journal.calls.push_back(std::string(what) + " " + name); }

    Journal& journal;
    std::string name;
    bool ok;
};

// root -> a -> a1, root -> b (fails to build) -> b1, root -> c
struct Tree {
    explicit Tree(Journal& j)
        : a(new Probe(j, "a")), a1(new Probe(j, "a1")), b(new Probe(j, "b", false)), b1(new Probe(j, "b1")),
          c(new Probe(j, "c")) {
        for (auto [parent, child] : {std::pair<SceneObject*, SceneObject*>{root, a}, {a, a1}, {root, b}, {b, b1}, {root, c}})
            addChild(parent, child);
    }
    SceneObject* root = new SceneRootObject;
    Probe *a, *a1, *b, *b1, *c;
};

std::vector<vec3> alongX(std::initializer_list<float> xs) {
    std::vector<vec3> points;
    for (float x : xs) points.emplace_back(x, 0.0f, 0.0f);
    return points;
}
} // namespace

TEST(SceneTree, BuildStopsAtAFailureHiddenSubtreesAreSkippedAndEveryNodeInOrOutOfTheTreeIsFreedOnce) {
    Journal j;
    Tree t(j);
    EXPECT_FALSE(buildTree(nullptr, t.root));
    EXPECT_EQ(j.calls, (std::vector<std::string>{"build a", "build a1", "build b"}));
    j.calls.clear();
    const glm::mat4 identity(1.0f);
    t.a->visible = false;
    t.root->update(0.5f);
    t.root->render(1.0f, &identity);
    // A visible parent still calls its hidden child's update (the class decides
    // what that means); the base behaviour stops there. Render skips it.
    EXPECT_EQ(j.calls, (std::vector<std::string>{"update a", "update b", "update b1", "update c", "render b",
                                                  "render b1", "render c"}));
    j.calls.clear();
    releaseTree(t.root);
    EXPECT_EQ(t.root, nullptr);
    EXPECT_EQ(j.calls, (std::vector<std::string>{"release a1", "release a", "release b1", "release b", "release c"}));
    for (const char* name : {"a", "a1", "b", "b1", "c"}) EXPECT_EQ(j.deleted[name], 1) << name;

    // Subtrees outside the tree (never linked, or unlinked) are released once,
    // through their top, wherever in creation order their nodes were made.
    j = Journal();
    Tree u(j);
    Scene scene;
    scene.root = static_cast<SceneRootObject*>(u.root);
    Probe *x = new Probe(j, "x"), *y = new Probe(j, "y"), *z = new Probe(j, "z"), *top = new Probe(j, "top");
    for (SceneObject* o : std::initializer_list<SceneObject*>{x, y, z, top, u.a, u.a1, u.b, u.b1, u.c})
        scene.trackScriptObject(o);
    addChild(x, y);    // a loose subtree; z is loose alone
    addChild(top, x);  // under a top that was made last
    removeChild(u.root, u.c);
    scene.activeCamera = u.c;
    scene.releaseObjects();
    scene.releaseObjects();  // nothing is left for a second release
    EXPECT_TRUE(scene.root == nullptr && scene.activeCamera == nullptr);
    ASSERT_EQ(j.deleted.size(), 9u);
    for (const auto& [name, count] : j.deleted) EXPECT_EQ(count, 1) << name;
    EXPECT_EQ(std::count(j.calls.begin(), j.calls.end(), "release top"), 1);
}

TEST(Geometry, ModelAndViewMatricesRingsAndDriftFollowTheirAngles) {
    SceneRootObject o;
    auto turn = [&](glm::vec3 degrees, glm::vec3 v) {
        o.rotation = degrees;
        return glm::vec3(o.localModelMatrix() * glm::vec4(v, 0.0f));
    };
    // X first: +Y goes to +Z, then Y turns it onto +X (Y first would leave it on +Z).
    expectNear(turn({90, 90, 0}, {0, 1, 0}), {1, 0, 0});
    // Y before Z: +X goes to -Z, which Z leaves alone.
    expectNear(turn({0, 90, 90}, {1, 0, 0}), {0, 0, -1});
    o.rotation = glm::vec3(0, 0, 90);
    o.scale = glm::vec3(2, 3, 4);
    o.position = glm::vec3(5, 6, 7);
    expectNear(glm::vec3(o.localModelMatrix() * glm::vec4(0, 1, 1, 1)), {2, 6, 11});

    // The sun's orbit and the cameras look where their angles say.
    expectNear(ViewMath::sunPosition(10, 45, 180), std::sqrt(50.0f) * glm::vec3(-1, 1, 0), 1e-4f);
    expectNear(ViewMath::cameraPositionFromView(ViewMath::orbitView(10, 0, 0, 0)), {0, 0, 10});
    // Roll turns the scene first, then yaw: +X goes to +Y under roll and stays there.
    expectNear(glm::vec3(ViewMath::orbitView(10, 0, 90, 90) * glm::vec4(1, 0, 0, 1)), {0, 1, -10});
    // Pitch comes last: a point on +Y tilts toward the camera at pitch 90.
    expectNear(glm::vec3(ViewMath::orbitView(10, 90, 0, 0) * glm::vec4(0, 1, 0, 1)), {0, 0, -9});
    // Positive yaw turns toward -X, and the camera's own position is honoured.
    FirstPersonCamera camera;
    camera.yaw = 90;
    camera.position = glm::vec3(3, 0, 0);
    const glm::vec4 clip = ViewMath::projection(60, 1.5f, 0.1f, 1e4f) * camera.getViewMatrix() * glm::vec4(-7, 0, 0, 1);
    const glm::vec3 ahead = glm::vec3(clip) / clip.w;
    expectNear(ahead * glm::vec3(1, 1, 0), {0, 0, 0});
    EXPECT_LT(std::fabs(ahead.z), 1.0f);  // in front, between the planes

    // A ring has one vertex per whole step, joined in order and closed to the first.
    using namespace WireframeShapes;
    for (const auto& [step, vertices] : {std::make_pair(10.0f, 36u), std::make_pair(7.0f, 51u), std::make_pair(360.0f, 1u)}) {
        const RingMesh ring = buildRingMesh(2.0f, step);
        ASSERT_TRUE(ring.vertices.size() == vertices && ring.indices.size() == 2 * vertices) << step;
        for (uint32_t i = 0; i < vertices; ++i)
            EXPECT_TRUE(ring.indices[2 * i] == i && ring.indices[2 * i + 1] == (i + 1) % vertices) << i;
    }
    // Step 7 leaves a closing segment of 10 degrees: the last vertex sits at 350.
    const float last = 350.0f * ViewMath::kDegreesToRadians;
    expectNear(buildRingMesh(2.0f, 7.0f).vertices.back(), 2.0f * glm::vec3(std::cos(last), std::sin(last), 0));
    EXPECT_EQ(ringDrawCount(36, 0.5f), 36u);
    EXPECT_EQ(ringDrawCount(36, 3.0f), 72u);

    // A drifting object sits at its position at time zero, then drifts and spins.
    const DriftParameters p{{1, 0, 0}, 5.0f, {0, 0, 2}, 45.0f, -0.5f};  // the axis is normalised when used
    const glm::vec3 position(1, 2, 3);
    const glm::mat4 start = driftMatrix(position, p, 0.0f);
    expectNear(glm::vec3(start[3]), position);
    expectNear(glm::vec3(start * glm::vec4(0, 1, 0, 0)), {0, -0.5f, 0});  // no spin, mirrored scale
    const glm::mat4 later = driftMatrix(position, p, 2.0f);
    expectNear(glm::vec3(later[3]), {11, 2, 3});
    expectNear(glm::vec3(later * glm::vec4(0, 1, 0, 0)), {0.5f, 0, 0});  // 90 degrees about +Z, then the scale
}

TEST(CameraPath, SamplesRunThroughEveryPointSenselessPathsAreRefusedAndRidersLookAhead) {
    test::LogCapture log;
    std::vector<vec3> samples(3, vec3(9.0f));  // stale content is replaced
    ASSERT_TRUE(sampleCameraPath(alongX({0, 2, 4, 6}), samples, kCameraPathStep));
    ASSERT_EQ(samples.size(), 25u);
    for (int point = 0; point < 4; ++point) expectNear(samples[8 * point], vec3(2.0f * point, 0, 0));
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Outputted 24 Points Into Array of Size 25!"}));
    // Tangents are half the neighbours' difference: the first segment's mid-point with P0 mirrored through P1 before it.
    const std::vector<vec3> p = {vec3(0, 0, 0), vec3(0, 0, 4), vec3(4, 0, 4), vec3(4, 0, 0)};
    ASSERT_TRUE(sampleCameraPath(p, samples, kCameraPathStep));
    expectNear(samples[8], 0.5f * p[0] + 0.5f * p[1] + 0.0625f * (p[1] - (2.0f * p[0] - p[1])) - 0.0625f * (p[2] - p[0]));
    // Far from the origin a straight path still only goes forwards.
    ASSERT_TRUE(sampleCameraPath(alongX({160, 120, 80, 40, 0, -40}), samples, kCameraPathStep));
    for (size_t i = 1; i < samples.size(); ++i) ASSERT_LT(samples[i].x, samples[i - 1].x) << "sample " << i;
    const std::pair<std::vector<vec3>, size_t> cases[] = {
        {alongX({0, 2.9f, 5.8f, 8.7f}), 25},  // lengths rounded down to 2, 2, 2
        {alongX({0, 0, 2, 4}), 17},           // a repeated point adds nothing
        {alongX({0, 2, 4, 4.5f}), 17},        // a last segment under one unit: its end, not 0/0
        {std::vector<vec3>(5, vec3(1, 2, 3)), 1},
    };
    for (const auto& [points, count] : cases) {
        ASSERT_TRUE(sampleCameraPath(points, samples, kCameraPathStep));
        ASSERT_EQ(samples.size(), count) << points.back().x;
        for (const vec3& s : samples) EXPECT_TRUE(std::isfinite(s.x + s.y + s.z));
        expectNear(samples.back(), points.back());
    }
    EXPECT_FALSE(sampleCameraPath(alongX({0, 2, 4}), samples, kCameraPathStep));
    EXPECT_TRUE(samples.empty());
    for (float step : {0.0f, NAN}) EXPECT_FALSE(sampleCameraPath(alongX({0, 2, 4, 6}), samples, step));
    const std::pair<float, size_t> indices[] = {{0.5f, 12}, {0.999f, 23}, {7.0f, 24}, {-3.0f, 0}, {NAN, 0}};
    for (const auto& [progress, index] : indices) EXPECT_EQ(cameraPathIndex(25, progress), index) << progress;

    // A rider looks ahead along the path, and along its last stretch at the end.
    std::vector<glm::vec3> curve;
    for (int i = 0; i <= 10; ++i) curve.emplace_back(static_cast<float>(i), static_cast<float>(i * i), 0.0f);
    expectNear(cameraPathHeading(curve, 2, 4), curve[6] - curve[2], 1e-6f);
    expectNear(cameraPathHeading(curve, 9, 4), curve[10] - curve[6], 1e-6f);
    expectNear(cameraPathHeading(curve, 10, 20), curve[10] - curve[0], 1e-6f);
    expectNear(cameraPathHeading({glm::vec3(1.0f)}, 0, 4), glm::vec3(0.0f), 0.0f);
}

TEST(CubeFaces, EachViewLooksDownItsAxisFromTheOriginAndTheDebugColoursClampTheFace) {
    const glm::vec3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const auto views = cubeFaceViews();
    for (int face = 0; face < 6; ++face) {
        const glm::mat4& view = views[face];
        EXPECT_EQ(glm::vec3(view[3]), glm::vec3(0.0f)) << face;
        // The face's axis lies straight ahead (-Z in view space); on the side faces world down is up on screen.
        expectNear(glm::vec3(view * glm::vec4(axes[face], 0.0f)), {0, 0, -1}, 1e-3f);
        if (face < 2 || face > 3) {
            EXPECT_NEAR(glm::vec3(view * glm::vec4(0, -1, 0, 0)).y, 1.0f, 1e-6f) << face;
        }
    }
    // The debug colours: faces past the last read as the last, and outside a cube buffer the view direction.
    EXPECT_EQ(cubeFaceColor(9), cubeFaceColor(5));
    EXPECT_EQ(viewDirectionColor(glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -3))), glm::vec3(0, 0, -1));
    const glm::mat4 turned = glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 1, 0));
    expectNear(viewDirectionColor(turned), glm::vec3(-1.0f, 0.0f, 0.0f));
}
