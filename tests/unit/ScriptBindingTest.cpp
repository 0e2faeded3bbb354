// The scripting module as a script sees it: handles, transforms and
// visibility, tree links with their guards, vectors, the factory's errors,
// handles that outlive their objects, and the window table.
#include "LuaFixture.h"
#include "objects/RingObject.h"

using ScriptBinding = LuaFixture;

TEST_F(ScriptBinding, HandlesAreNewValuesForTheSameObject) {
    EXPECT_EQ(eval("scene.getRoot() == scene.getRoot()"), "false");
    EXPECT_EQ(eval("type(scene.getRoot())"), "userdata");
    EXPECT_EQ(run("local r = scene.getRoot(); r:setPosition(vector3.new(1, 2, 3))"), "");
    EXPECT_EQ(engine.scene.root->position, glm::vec3(1, 2, 3));
    // The metatable offers methods only: components cannot be read.
    EXPECT_EQ(eval("vector3.new(1, 2, 3).x"), "nil");
}

TEST_F(ScriptBinding, TransformsRoundTripThroughVectors) {
    SceneObject* root = engine.scene.root;
    ASSERT_EQ(run("local r = scene.getRoot()\n"
                  "r:setRotation(vector3.new(90, 0, 45))\n"
                  "r:setScale(r:getRotation() / 45)\n"
                  "r:setPosition(r:getScale() * 2 - vector3.new(1, 1, 1) + vector3.new(0, 0, 0.5))"),
              "");
    EXPECT_EQ(root->rotation, glm::vec3(90, 0, 45));
    EXPECT_EQ(root->scale, glm::vec3(2, 0, 1));
    EXPECT_EQ(root->position, glm::vec3(3, -1, 1.5f));

    ASSERT_EQ(run("scene.getRoot():setPosition(vector3.new(3, 0, 4):normalize())"), "");
    EXPECT_FLOAT_EQ(root->position.x, 0.6f);
    EXPECT_FLOAT_EQ(root->position.z, 0.8f);
    // The zero vector normalises to non-finite components, not an error.
    ASSERT_EQ(run("scene.getRoot():setPosition(vector3.new(0, 0, 0):normalize())"), "");
    EXPECT_FALSE(std::isfinite(root->position.x));
}

// Lua counts method arguments without the receiver: argument 2 of a method
// call is reported as "#1", and a bad receiver as "bad self".
TEST_F(ScriptBinding, VectorArgumentErrorsNameTheArgument) {
    EXPECT_EQ(run("local v = 2 * vector3.new(1, 2, 3)"), "test:1: bad argument #1 to '__mul' ('vector3' expected)");
    EXPECT_EQ(run("local v = vector3.new(1, 2, 3) + 1"), "test:1: bad argument #2 to '__add' ('vector3' expected)");
    EXPECT_EQ(run("local v = vector3.new(1, 2, 3) * vector3.new(1, 2, 3)"),
              "test:1: bad argument #2 to '__mul' (number expected, got userdata)");
    EXPECT_EQ(run("local v = vector3.new(1, 2)"), "test:1: bad argument #3 to 'new' (number expected, got no value)");
    EXPECT_EQ(run("local v = vector3.new(1, 2, 3):normalize(); v = vector3.normalize"), "");
    EXPECT_EQ(run("scene.getRoot():setPosition({1, 2, 3})"),
              "test:1: bad argument #1 to 'setPosition' ('vector3' expected)");
    EXPECT_EQ(run("scene.getRoot():setPosition(scene.getRoot())"),
              "test:1: bad argument #1 to 'setPosition' ('vector3' expected)");
}

TEST_F(ScriptBinding, ObjectAndBooleanArgumentsAreChecked) {
    EXPECT_EQ(run("scene.getRoot():setVisible(1)"), "test:1: bad argument #1 to 'setVisible' ('boolean' expected)");
    EXPECT_EQ(run("scene.getRoot():setVisible(nil)"), "test:1: bad argument #1 to 'setVisible' ('boolean' expected)");
    EXPECT_TRUE(engine.scene.root->visible);
    EXPECT_EQ(run("scene.getRoot():setVisible(false)"), "");
    EXPECT_EQ(eval("scene.getRoot():getVisible()"), "false");

    EXPECT_EQ(run("scene.getRoot():addChild(vector3.new(1, 2, 3))"),
              "test:1: bad argument #1 to 'addChild' ('object' expected)");
    EXPECT_EQ(run("scene.getRoot().render(5, 1)"), "test:1: bad argument #1 to 'render' ('object' expected)");
    EXPECT_EQ(run("scene.getRoot():update()"), "test:1: bad argument #1 to 'update' (number expected, got no value)");
    EXPECT_EQ(run("scene.setActiveCamera()"), "test:1: bad argument #1 to 'setActiveCamera' ('object' expected)");
    EXPECT_EQ(run("object.new()"), "test:1: bad argument #1 to 'new' (string expected, got no value)");
    EXPECT_EQ(run("object.new('Cube')"), "test:1: Error creating new scene object. Class 'Cube' not found!");
}

TEST_F(ScriptBinding, PostProcessingAnythingButASceneBufferIsLogged) {
    EXPECT_EQ(run("scene.postProcessBufferNode(scene.getRoot())"), "");
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Cannot Post Process Invalid Buffer Node!"});
}

TEST_F(ScriptBinding, AHandleKeptAcrossAReleaseRaisesInsteadOfReachingFreedMemory) {
    ASSERT_EQ(run("oldRoot = scene.getRoot()"), "");
    engine.scene.activeCamera = engine.scene.root;
    engine.scene.releaseObjects();
    EXPECT_EQ(engine.scene.activeCamera, nullptr);
    engine.scene.root = new SceneRootObject;
    const std::string released = "(scene object was released (handles do not outlive a scene reload))";
    EXPECT_EQ(run("oldRoot:getPosition()"), "test:1: calling 'getPosition' on bad self " + released);
    EXPECT_EQ(run("scene.getRoot():removeChild(oldRoot)"), "test:1: bad argument #1 to 'removeChild' " + released);
    EXPECT_EQ(run("scene.setActiveCamera(oldRoot)"), "test:1: bad argument #1 to 'setActiveCamera' " + released);
    EXPECT_EQ(run("scene.getRoot():getPosition()"), "");
}

TEST_F(ScriptBinding, WindowAndSunReportTheEngineState) {
    EXPECT_EQ(eval("window.getWidth()"), "0");  // no window in unit tests
    EXPECT_EQ(eval("window.getFSAALevel()"), "0");
    engine.scene.sunPosition = glm::vec3(0, 1, 0);
    EXPECT_EQ(run("sun = scene.getSunPosition()"), "");
    engine.scene.sunPosition = glm::vec3(5, 5, 5);  // the vector is a copy
    EXPECT_EQ(run("scene.getRoot():setPosition(sun)"), "");
    EXPECT_EQ(engine.scene.root->position, glm::vec3(0, 1, 0));
}

TEST_F(ScriptBinding, SyncGettersReadTracksAtTheCurrentRow) {
    writeTrack("Test.Ramp", {{0, -1.5f, Linear}, {16, 2.5f, Step}});
    atRow(8.0f);
    EXPECT_EQ(eval("sync.getFloat('Test.Ramp')"), "0.5");
    EXPECT_EQ(eval("sync.getBool('Test.Ramp')"), "true");
    EXPECT_EQ(eval("sync.getInt('Test.Ramp')"), "0");
    atRow(2.0f);
    EXPECT_EQ(eval("sync.getFloat('Test.Ramp')"), "-1");
    EXPECT_EQ(eval("sync.getInt('Test.Ramp')"), "-1");  // rounded down
    EXPECT_EQ(eval("sync.getBool('Test.Ramp')"), "false");
    // Missing tracks read zero; a name must be a string (numbers convert).
    EXPECT_EQ(eval("sync.getFloat('No.Such.Track')"), "0");
    EXPECT_EQ(run("sync.getFloat({})"), "test:1: bad argument #1 to 'getFloat' (string expected, got table)");
    EXPECT_EQ(run("sync.getInt()"), "test:1: bad argument #1 to 'getInt' (string expected, got no value)");
}

TEST_F(ScriptBinding, TheFactoryMakesEachWireframeClassUnlinkedAndUnbuilt) {
    const std::pair<const char*, int> classes[] = {{"'cube'", kWireframeCubeType},   {"'flake'", kFlakeType},
                                                   {"'needle'", kNeedleType},        {"'ring', 2, 10", kRingType},
                                                   {"'camera'", kCameraObjectType}};
    for (const auto& c : classes) {
        ASSERT_EQ(run(std::string("made = object.new(") + c.first + ")"), "") << c.first;
        lua_getglobal(L, "made");
        SceneObject* made = ScriptModule::checkObject(L, -1);
        lua_pop(L, 1);
        EXPECT_EQ(made->getType(), c.second);
        EXPECT_EQ(made->parent, nullptr);
    }
    EXPECT_TRUE(engine.scene.root->children.empty());
    ASSERT_EQ(run("ring = object.new('ring', 2.5, 7)"), "");
    lua_getglobal(L, "ring");
    auto* ring = static_cast<RingObject*>(ScriptModule::checkObject(L, -1));
    lua_pop(L, 1);
    EXPECT_EQ(ring->radius, 2.5f);
    EXPECT_EQ(ring->stepDegrees, 7.0f);
    EXPECT_EQ(ring->segmentCount, 0u);  // counted at build
}

TEST_F(ScriptBinding, BadConstructionArgumentsCreateNothing) {
    ASSERT_EQ(run("before = object.new('cube')"), "");
    EXPECT_EQ(run("object.new('ring', 1)"), "test:1: bad argument #3 to 'new' (number expected, got no value)");
    EXPECT_EQ(run("object.new('ring', 'wide', 10)"), "test:1: bad argument #2 to 'new' (number expected, got string)");
    for (const char* step : {"0", "-10", "361", "0/0"})
        EXPECT_EQ(run(std::string("object.new('ring', 1, ") + step + ")"),
                  "test:1: bad argument #3 to 'new' (ring step must be above 0 and at most 360 degrees)")
            << step;
    ASSERT_EQ(run("after = object.new('cube')"), "");
    lua_getglobal(L, "before");
    uint64_t before = ScriptModule::checkObject(L, -1)->getSerial();
    lua_getglobal(L, "after");
    uint64_t after = ScriptModule::checkObject(L, -1)->getSerial();
    lua_pop(L, 2);
    EXPECT_EQ(after, before + 1);  // nothing was allocated in between
}

TEST_F(ScriptBinding, TreeLinksThroughHandles) {
    ASSERT_EQ(run("a = object.new('cube'); b = object.new('cube'); c = object.new('ring', 1, 90)\n"
                  "root = scene.getRoot(); root:addChild(a); a:addChild(b); b:addChild(c)"),
              "");
    EXPECT_EQ(run("root:addChild(b)"), "test:1: addChild: the child already has a parent");
    EXPECT_EQ(run("c:addChild(root)"), "test:1: addChild: the scene root cannot be a child");
    EXPECT_EQ(run("c:addChild(c)"), "test:1: addChild: an object cannot be its own child");
    EXPECT_EQ(eval("root:removeChild(c)"), "false");  // a grandchild is not a child
    EXPECT_EQ(eval("root:removeChild(a)"), "true");
    EXPECT_EQ(run("c:addChild(a)"), "test:1: addChild: the child is an ancestor of the parent");
    EXPECT_EQ(run("root:addChild(a)"), "");
    EXPECT_EQ(engine.scene.root->children.size(), 1u);
}
