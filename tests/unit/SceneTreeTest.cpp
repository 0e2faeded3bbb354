// The scene tree: building stops at the first failure and the whole tree is
// then released once per node; hidden subtrees sit out update and render;
// links that would release a node twice are refused; model matrices rotate
// about X, then Y, then Z.
#include "scene/SceneObject.h"
#include "scene/SceneRootObject.h"
#include "VecExpect.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {
// Writes every call it receives to a shared journal.
struct Journal {
    std::vector<std::string> calls;
    std::map<std::string, int> deleted;
};

class Probe : public SceneObject {
public:
    Probe(Journal& j, std::string n, bool buildResult = true) : journal(j), name(std::move(n)), ok(buildResult) {}
    ~Probe() override { journal.deleted[name]++; }
    bool build(Scene*) override {
        note("build");
        return ok;
    }
    void update(float step) override {
        note("update");
        SceneObject::update(step);
    }
    void render(float time, const glm::mat4* parentMatrix) override {
        note("render");
        SceneObject::render(time, parentMatrix);
    }
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
        addChild(root, a);
        addChild(a, a1);
        addChild(root, b);
        addChild(b, b1);
        addChild(root, c);
    }
    SceneObject* root = new SceneRootObject;
    Probe *a, *a1, *b, *b1, *c;
};

using test::expectNear;
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
    glm::mat4 identity(1.0f);
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

TEST(SceneTree, LinksThatWouldReleaseANodeTwiceAreRefused) {
    Journal j;
    Tree t(j);
    SceneObject* otherRoot = new SceneRootObject;
    EXPECT_EQ(addChild(t.c, t.a1), LinkResult::ChildHasParent);
    EXPECT_EQ(addChild(t.a, otherRoot), LinkResult::ChildIsRoot);
    EXPECT_EQ(addChild(t.b, t.b), LinkResult::ChildIsParent);

    // Unlinking keeps order and neither releases nor deletes.
    EXPECT_FALSE(removeChild(t.root, t.a1));  // a grandchild is not a child
    EXPECT_TRUE(removeChild(t.root, t.b));
    EXPECT_EQ(t.root->children, (std::vector<SceneObject*>{t.a, t.c}));
    EXPECT_EQ(t.b->parent, nullptr);
    EXPECT_EQ(addChild(t.b1, t.b), LinkResult::ChildIsAncestor);
    EXPECT_TRUE(t.b1->children.empty());
    EXPECT_EQ(j.deleted["b"], 0);

    SceneObject* loose = t.b;
    releaseTree(loose);
    releaseTree(t.root);
    releaseTree(otherRoot);
    for (const char* name : {"a", "a1", "b", "b1", "c"}) EXPECT_EQ(j.deleted[name], 1) << name;
}

TEST(ModelMatrix, RotatesAboutXThenYThenZAndScalesTheColumns) {
    Journal j;
    Probe p(j, "p");
    auto turn = [&](glm::vec3 degrees, glm::vec3 v) {
        p.rotation = degrees;
        return glm::vec3(p.localModelMatrix() * glm::vec4(v, 0.0f));
    };
    expectNear(turn({90, 0, 0}, {0, 1, 0}), {0, 0, 1});
    expectNear(turn({0, 0, 90}, {1, 0, 0}), {0, 1, 0});
    // X first: +Y goes to +Z, then Y turns it onto +X (Y first would leave it on +Z).
    expectNear(turn({90, 90, 0}, {0, 1, 0}), {1, 0, 0});
    // Y before Z: +X goes to -Z, which Z leaves alone.
    expectNear(turn({0, 90, 90}, {1, 0, 0}), {0, 0, -1});

    p.rotation = glm::vec3(0, 0, 90);
    p.scale = glm::vec3(2, 3, 4);
    p.position = glm::vec3(5, 6, 7);
    glm::mat4 m = p.localModelMatrix();
    expectNear(glm::vec3(m * glm::vec4(1, 0, 0, 1)), {5, 8, 7});
    expectNear(glm::vec3(m * glm::vec4(0, 1, 0, 1)), {2, 6, 7});
    expectNear(glm::vec3(m * glm::vec4(0, 0, 1, 1)), {5, 6, 11});
}
