// The scripting module as a script sees it: handles, transforms and
// visibility, vectors, argument checks with their exact texts, the factory,
// tree links with their guards, and handles that outlive their objects.
#include "LuaFixture.h"
#include "objects/RingObject.h"

using ScriptBinding = LuaFixture;

TEST_F(ScriptBinding, HandlesAreNewValuesAndVectorsAreValuesWithMethodsOnly) {
    EXPECT_EQ(eval("scene.getRoot() == scene.getRoot()"), "false");
    EXPECT_EQ(eval("vector3.new(1, 2, 3).x"), "nil");
    SceneObject* root = engine.scene.root;
    ASSERT_EQ(run("local r = scene.getRoot()\n"
                  "r:setRotation(vector3.new(90, 0, 45))\n"
                  "r:setScale(r:getRotation() / 45)\n"
                  "r:setPosition(r:getScale() * 2 - vector3.new(1, 1, 1) + vector3.new(0, 0, 0.5))\n"
                  "r:setVisible(false)"),
              "");
    EXPECT_EQ(root->rotation, glm::vec3(90, 0, 45));  // operands stay as they were
    EXPECT_EQ(root->scale, glm::vec3(2, 0, 1));
    EXPECT_EQ(root->position, glm::vec3(3, -1, 1.5f));
    EXPECT_EQ(eval("scene.getRoot():getVisible()"), "false");

    ASSERT_EQ(run("scene.getRoot():setPosition(vector3.new(3, 0, 4):normalize())"), "");
    EXPECT_FLOAT_EQ(root->position.x, 0.6f);
    EXPECT_FLOAT_EQ(root->position.z, 0.8f);
    // The zero vector normalises to non-finite components, not an error.
    ASSERT_EQ(run("scene.getRoot():setPosition(vector3.new(0, 0, 0):normalize())"), "");
    EXPECT_FALSE(std::isfinite(root->position.x));

    EXPECT_EQ(run("scene.postProcessBufferNode(scene.getRoot())"), "");
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Cannot Post Process Invalid Buffer Node!"});
}

// Lua counts method arguments without the receiver: argument 2 of a method
// call is reported as "#1", and a bad receiver as "bad self".
TEST_F(ScriptBinding, ArgumentErrorsNameTheArgumentAndCreateNothing) {
    ASSERT_EQ(run("before = object.new('cube')"), "");
    const std::string vector3 = "('vector3' expected)", boolean = "('boolean' expected)";
    const std::string step = "bad argument #3 to 'new' (ring step must be above 0 and at most 360 degrees)";
    const std::pair<const char*, std::string> cases[] = {
        {"local v = 2 * vector3.new(1, 2, 3)", "bad argument #1 to '__mul' " + vector3},
        {"local v = vector3.new(1, 2, 3) + 1", "bad argument #2 to '__add' " + vector3},
        {"local v = vector3.new(1, 2, 3) * vector3.new(1, 2, 3)",
         "bad argument #2 to '__mul' (number expected, got userdata)"},
        {"local v = vector3.new(1, 2)", "bad argument #3 to 'new' (number expected, got no value)"},
        {"scene.getRoot():setPosition({1, 2, 3})", "bad argument #1 to 'setPosition' " + vector3},
        {"scene.getRoot():setPosition(scene.getRoot())", "bad argument #1 to 'setPosition' " + vector3},
        {"scene.getRoot():setVisible(1)", "bad argument #1 to 'setVisible' " + boolean},
        {"scene.getRoot():setVisible(nil)", "bad argument #1 to 'setVisible' " + boolean},
        {"scene.getRoot():addChild(vector3.new(1, 2, 3))", "bad argument #1 to 'addChild' ('object' expected)"},
        {"scene.getRoot().render(5, 1)", "bad argument #1 to 'render' ('object' expected)"},
        {"scene.getRoot():update()", "bad argument #1 to 'update' (number expected, got no value)"},
        {"scene.setActiveCamera()", "bad argument #1 to 'setActiveCamera' ('object' expected)"},
        {"sync.getFloat({})", "bad argument #1 to 'getFloat' (string expected, got table)"},
        {"object.new()", "bad argument #1 to 'new' (string expected, got no value)"},
        {"object.new('Cube')", "Error creating new scene object. Class 'Cube' not found!"},
        {"object.new('ring', 1)", "bad argument #3 to 'new' (number expected, got no value)"},
        {"object.new('ring', 'wide', 10)", "bad argument #2 to 'new' (number expected, got string)"},
        {"object.new('ring', 1, 0)", step},
        {"object.new('ring', 1, -10)", step},
        {"object.new('ring', 1, 361)", step},
        {"object.new('ring', 1, 0/0)", step},
    };
    for (const auto& [code, error] : cases) EXPECT_EQ(run(code), "test:1: " + error) << code;
    EXPECT_TRUE(engine.scene.root->visible);
    ASSERT_EQ(run("after = object.new('cube')"), "");
    EXPECT_EQ(global("after")->getSerial(), global("before")->getSerial() + 1);  // nothing allocated in between
}

TEST_F(ScriptBinding, SyncGettersReadTracksAtTheCurrentRow) {
    writeTrack("T", {{0, -1.5f, Linear}, {16, 2.5f, Step}});
    const std::string all = "sync.getFloat('T') .. ' ' .. sync.getInt('T') .. ' ' .. tostring(sync.getBool('T'))";
    atRow(2.0f);
    EXPECT_EQ(eval(all), "-1 -1 false");
    atRow(8.0f);
    EXPECT_EQ(eval(all), "0.5 0 true");
}

TEST_F(ScriptBinding, TheFactoryMakesEachWireframeClassUnlinkedAndUnbuilt) {
    const std::pair<const char*, int> classes[] = {{"'cube'", kWireframeCubeType}, {"'flake'", kFlakeType},
                                                   {"'needle'", kNeedleType},      {"'camera'", kCameraObjectType},
                                                   {"'ring', 2.5, 7", kRingType}};
    for (const auto& [arguments, type] : classes) {
        ASSERT_EQ(run(std::string("made = object.new(") + arguments + ")"), "") << arguments;
        EXPECT_EQ(global("made")->getType(), type) << arguments;
        EXPECT_EQ(global("made")->parent, nullptr) << arguments;
    }
    EXPECT_TRUE(engine.scene.root->children.empty());
    auto* ring = static_cast<RingObject*>(global("made"));  // the last one made
    EXPECT_EQ(ring->radius, 2.5f);
    EXPECT_EQ(ring->stepDegrees, 7.0f);
    EXPECT_EQ(ring->segmentCount, 0u);  // counted at build
}

TEST_F(ScriptBinding, LinksThatWouldReleaseANodeTwiceAreRefused) {
    ASSERT_EQ(run("a = object.new('cube'); b = object.new('cube'); c = object.new('cube')\n"
                  "root = scene.getRoot(); root:addChild(a); a:addChild(b); b:addChild(c)"),
              "");
    EXPECT_EQ(run("root:addChild(b)"), "test:1: addChild: the child already has a parent");
    EXPECT_EQ(run("c:addChild(root)"), "test:1: addChild: the scene root cannot be a child");
    EXPECT_EQ(run("c:addChild(c)"), "test:1: addChild: an object cannot be its own child");
    EXPECT_EQ(eval("root:removeChild(c)"), "false");  // a grandchild is not a child
    EXPECT_EQ(eval("root:removeChild(a)"), "true");
    EXPECT_EQ(run("c:addChild(a)"), "test:1: addChild: the child is an ancestor of the parent");
    EXPECT_EQ(run("root:addChild(a)"), "");
    EXPECT_EQ(engine.scene.root->children, std::vector<SceneObject*>{global("a")});
    EXPECT_EQ(global("c")->children.size(), 0u);
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
