// The scene tree: building stops at the first failure and the whole tree is
// then released once per node; hidden subtrees sit out update and render;
// objects outside the tree go with it; model matrices rotate about X, then Y,
// then Z.
#include "scene/Scene.h"
#include "scene/SceneRootObject.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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
} // namespace

TEST(SceneTree, BuildStopsAtTheFirstFailingChildAndReleaseTakesEveryNodeOnce) {
    Journal j;
    Tree t(j);
    EXPECT_FALSE(buildTree(nullptr, t.root));
    EXPECT_EQ(j.calls, (std::vector<std::string>{"build a", "build a1", "build b"}));
    j.calls.clear();
    releaseTree(t.root);
    EXPECT_EQ(t.root, nullptr);
    EXPECT_EQ(j.calls, (std::vector<std::string>{"release a1", "release a", "release b1", "release b", "release c"}));
    for (const char* name : {"a", "a1", "b", "b1", "c"}) EXPECT_EQ(j.deleted[name], 1) << name;
}

TEST(SceneTree, HiddenSubtreesAreNeitherUpdatedNorRenderedAndResumeWithoutCatchUp) {
    Journal j;
    Tree t(j);
    const glm::mat4 identity(1.0f);
    t.a->visible = false;
    t.root->update(0.5f);
    t.root->render(1.0f, &identity);
    // A visible parent still calls its hidden child's update (the class decides
    // what that means); the base behaviour stops there. Render skips it.
    EXPECT_EQ(j.calls, (std::vector<std::string>{"update a", "update b", "update b1", "update c", "render b",
                                                  "render b1", "render c"}));
    j.calls.clear();
    t.a->visible = true;
    t.root->update(0.25f);
    EXPECT_EQ(j.calls, (std::vector<std::string>{"update a", "update a1", "update b", "update b1", "update c"}));
    releaseTree(t.root);
}

// Subtrees outside the tree (never linked, or unlinked) are released once,
// through their top, wherever in creation order their nodes were made.
TEST(SceneTree, ObjectsOutsideTheTreeAreFreedOnceWithItAndTheActiveCameraIsCleared) {
    Journal j;
    Tree t(j);
    Scene scene;
    scene.root = static_cast<SceneRootObject*>(t.root);
    Probe *x = new Probe(j, "x"), *y = new Probe(j, "y"), *z = new Probe(j, "z"), *top = new Probe(j, "top");
    for (SceneObject* o : std::initializer_list<SceneObject*>{x, y, z, top, t.a, t.a1, t.b, t.b1, t.c})
        scene.trackScriptObject(o);
    addChild(x, y);    // a loose subtree; z is loose alone
    addChild(top, x);  // under a top that was made last
    removeChild(t.root, t.c);
    scene.activeCamera = t.c;
    scene.releaseObjects();
    EXPECT_EQ(scene.root, nullptr);
    EXPECT_EQ(scene.activeCamera, nullptr);
    ASSERT_EQ(j.deleted.size(), 9u);
    for (const auto& [name, count] : j.deleted) EXPECT_EQ(count, 1) << name;
    EXPECT_EQ(std::count(j.calls.begin(), j.calls.end(), "release top"), 1);
    scene.releaseObjects();  // nothing is left for a second release
    for (const auto& [name, count] : j.deleted) EXPECT_EQ(count, 1) << name;
}

TEST(ModelMatrix, RotatesAboutXThenYThenZAndScalesTheColumns) {
    SceneRootObject o;
    auto turn = [&](glm::vec3 degrees, glm::vec3 v) {
        o.rotation = degrees;
        return glm::vec3(o.localModelMatrix() * glm::vec4(v, 0.0f));
    };
    test::expectNear(turn({90, 0, 0}, {0, 1, 0}), {0, 0, 1});
    test::expectNear(turn({0, 0, 90}, {1, 0, 0}), {0, 1, 0});
    // X first: +Y goes to +Z, then Y turns it onto +X (Y first would leave it on +Z).
    test::expectNear(turn({90, 90, 0}, {0, 1, 0}), {1, 0, 0});
    // Y before Z: +X goes to -Z, which Z leaves alone.
    test::expectNear(turn({0, 90, 90}, {1, 0, 0}), {0, 0, -1});
    o.rotation = glm::vec3(0, 0, 90);
    o.scale = glm::vec3(2, 3, 4);
    o.position = glm::vec3(5, 6, 7);
    const glm::mat4 m = o.localModelMatrix();
    test::expectNear(glm::vec3(m * glm::vec4(1, 0, 0, 1)), {5, 8, 7});
    test::expectNear(glm::vec3(m * glm::vec4(0, 1, 0, 1)), {2, 6, 7});
    test::expectNear(glm::vec3(m * glm::vec4(0, 0, 1, 1)), {5, 6, 11});
}
