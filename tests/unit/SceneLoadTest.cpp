// The scene's script loading without GL: a failed build leaves an empty root
// with its cause logged, globals outlive a reload, steps of zero are skipped,
// and objects the script never linked are freed at the next load.
#include "LuaFixture.h"

namespace {
class SceneLoad : public LuaFixture {
protected:
    void SetUp() override {
        LuaFixture::SetUp();
        ASSERT_TRUE(workingDir.enter(dir.path()));
    }
    void writeScript(const std::string& text) { test::writeFile(dir.file("res/scripts/scene.lua"), text); }

    test::TempDir dir;
    test::WorkingDir workingDir;
};

const std::string kReleased = "test:1: calling 'getPosition' on bad self "
                              "(scene object was released (handles do not outlive a scene reload))";
} // namespace

// A missing script and one that does not compile stop start-up in the e2e tests.
TEST_F(SceneLoad, AFailedBuildLeavesAnEmptyRootWithItsCauseLoggedAndGlobalsOutliveReloads) {
    const std::pair<const char*, std::vector<std::string>> builds[] = {
        {"function build() end", {"Function 'build' must return a boolean!", "Failed to build Lua scene!"}},
        {"scene.getRoot():addChild(object.new('cube'))\nfunction build() return false end", {"Failed to build Lua scene!"}}};
    for (const auto& [script, messages] : builds) {
        log.clear();
        writeScript(script);
        EXPECT_FALSE(engine.scene.load());
        EXPECT_EQ(log.messages(), messages);
        ASSERT_NE(engine.scene.root, nullptr);
        EXPECT_TRUE(engine.scene.root->children.empty());
    }
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
    for (float step : {0.0f, 0.0167f, -0.0167f}) engine.scene.fixedStep(step);
    EXPECT_EQ(eval("calls"), "2");
}

TEST_F(SceneLoad, ObjectsTheScriptNeverLinkedAreFreedAtTheNextLoad) {
    writeScript("oldRoot, newRoot = newRoot, scene.getRoot()\n"
                "oldLoose, loose = loose, object.new('cube')\n"
                "function build() return true end");
    ASSERT_TRUE(engine.scene.load());
    ASSERT_TRUE(engine.scene.load());
    // Each load hands the script a new root; the old one went with its tree.
    EXPECT_EQ(run("oldRoot:getPosition()"), kReleased);
    EXPECT_EQ(run("newRoot:getPosition()"), "");
    EXPECT_EQ(run("oldLoose:getPosition()"), kReleased);
    EXPECT_EQ(run("loose:getPosition()"), "");

    // A chunk that fails keeps what it attached, unbuilt, until the next load.
    writeScript("kept = object.new('cube')\nscene.getRoot():addChild(kept)\nerror('half way')");
    EXPECT_FALSE(engine.scene.load());
    EXPECT_EQ(engine.scene.root->children.size(), 1u);
    EXPECT_EQ(run("kept:getPosition()"), "");
    writeScript("function build() return false end");
    EXPECT_FALSE(engine.scene.load());
    EXPECT_EQ(run("kept:getPosition()"), kReleased);
}
