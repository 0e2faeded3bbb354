// The scene's script loading without GL: each way a load can fail leaves an
// empty root with its cause logged, fixed steps of zero are skipped, and every
// object the script made is freed once when the scene lets go of its objects,
// linked or not.
#include "LuaFixture.h"

#include <unistd.h>

#include <map>

namespace {
class Counted : public SceneObject {
public:
    explicit Counted(std::map<int, int>& r) : released(r) {}
    ~Counted() override { released[id]--; }
    bool build(Scene*) override { return true; }
    void release() override { released[id] += 2; }  // released then deleted: net 1
    int getType() const override { return kRingType; }
    std::map<int, int>& released;
    int id = 0;
};

class SceneLoad : public LuaFixture {
protected:
    void SetUp() override {
        LuaFixture::SetUp();
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        previousDir = buffer;
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previousDir.c_str()), 0);
        LuaFixture::TearDown();
    }
    void writeScript(const std::string& text) { test::writeFile(dir.file("res/scripts/scene.lua"), text); }

    test::TempDir dir;
    std::string previousDir;
};
} // namespace

TEST_F(SceneLoad, EveryFailureLeavesAnEmptyRootWithItsCauseLogged) {
    EXPECT_FALSE(engine.scene.load());
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Failed to load Lua scene file!"});
    ASSERT_NE(engine.scene.root, nullptr);

    log.clear();
    writeScript("function build() return true");
    EXPECT_FALSE(engine.scene.load());
    auto m = log.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].rfind("Error executing lua chunk! '[string \"function build() return true\"]:1:", 0), 0u);
    EXPECT_EQ(m[1], "Failed to run Lua chunk!");

    log.clear();
    writeScript("function build() end");
    EXPECT_FALSE(engine.scene.load());
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Function 'build' must return a boolean!", "Failed to build Lua scene!"}));

    log.clear();
    writeScript("function build() return false end");
    EXPECT_FALSE(engine.scene.load());
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Failed to build Lua scene!"});
    ASSERT_NE(engine.scene.root, nullptr);
    EXPECT_TRUE(engine.scene.root->children.empty());

    log.clear();
    writeScript("loads = (loads or 0) + 1\nfunction build() return true end");
    EXPECT_TRUE(engine.scene.load());
    EXPECT_TRUE(engine.scene.load());
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(eval("loads"), "2");
}

TEST_F(SceneLoad, FixedStepsOfZeroAreNotPassedToTheScript) {
    writeScript("calls = 0\nfunction build() return true end\nfunction update(s) calls = calls + 1 end");
    ASSERT_TRUE(engine.scene.load());
    engine.scene.fixedStep(0.0f);
    engine.scene.fixedStep(0.0167f);
    engine.scene.fixedStep(-0.0167f);
    EXPECT_EQ(eval("calls"), "2");
}

// Subtrees outside the tree (never linked, or unlinked) are released once,
// through their top, wherever in creation order their nodes were made.
TEST_F(SceneLoad, ObjectsOutsideTheTreeAreFreedOnceWithIt) {
    std::map<int, int> released;
    auto make = [&](int id) {
        auto* o = new Counted(released);
        o->id = id;
        engine.scene.trackScriptObject(o);
        return o;
    };
    std::vector<Counted*> o;
    for (int id = 0; id < 8; ++id) o.push_back(make(id));
    addChild(engine.scene.root, o[0]);  // in the tree
    addChild(o[0], o[1]);
    addChild(o[3], o[4]);  // a loose subtree; o[2] is loose alone
    addChild(o[7], o[5]);  // a loose subtree whose top was made last
    addChild(o[5], o[6]);
    engine.scene.activeCamera = o[3];

    engine.scene.releaseObjects();
    EXPECT_EQ(engine.scene.root, nullptr);
    EXPECT_EQ(engine.scene.activeCamera, nullptr);
    ASSERT_EQ(released.size(), 8u);
    for (auto& r : released) EXPECT_EQ(r.second, 1) << "object " << r.first;

    // Nothing is left for a second release.
    engine.scene.releaseObjects();
    for (auto& r : released) EXPECT_EQ(r.second, 1) << "object " << r.first;
    engine.scene.root = new SceneRootObject;
}

TEST_F(SceneLoad, ObjectsTheScriptNeverLinkedAreFreedAtTheNextLoad) {
    writeScript("oldRoot, newRoot = newRoot, scene.getRoot()\n"
                "oldLoose, loose = loose, object.new('cube')\n"
                "function build() return true end");
    ASSERT_TRUE(engine.scene.load());
    ASSERT_TRUE(engine.scene.load());
    // Each load hands the script a new root; the old one went with its tree.
    const std::string released = "test:1: calling 'getPosition' on bad self "
                                 "(scene object was released (handles do not outlive a scene reload))";
    EXPECT_EQ(run("oldRoot:getPosition()"), released);
    EXPECT_EQ(run("newRoot:getPosition()"), "");
    EXPECT_EQ(run("oldLoose:getPosition()"), released);
    EXPECT_EQ(run("loose:getPosition()"), "");

    // A chunk that fails keeps what it attached, unbuilt, until the next load.
    writeScript("kept = object.new('cube')\nscene.getRoot():addChild(kept)\nerror('half way')");
    EXPECT_FALSE(engine.scene.load());
    EXPECT_EQ(engine.scene.root->children.size(), 1u);
    EXPECT_EQ(run("kept:getPosition()"), "");
    writeScript("function build() return false end");
    EXPECT_FALSE(engine.scene.load());
    EXPECT_NE(run("kept:getPosition()"), "");
}
