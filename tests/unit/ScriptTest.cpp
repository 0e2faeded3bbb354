// Scripts without GL: the protocol, the scene's loading of its script, and the scripting module
// as a script sees it (objects, vectors, tracks, buffers, camera paths), word for word.
#include "LuaFixture.h"
#include "objects/CameraObject.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"

#include <memory>
#include <set>
#include <stdexcept>

using LuaRuntime_ = LuaFixture;

TEST_F(LuaRuntime_, NoFileOrSystemAccessChunkErrorsLoggedOnceNamingTheirSourceAndTheStackDoesNotGrow) {
    for (const char* present : {"table", "string", "math", "bit", "jit", "object", "scene", "sync", "vector3"})
        EXPECT_NE(eval(std::string("type(") + present + ")"), "nil") << present;
    for (const char* absent : {"package", "io", "os", "require", "dofile", "loadfile"})
        EXPECT_EQ(eval(std::string("type(") + absent + ")"), "nil") << absent;
    // Chunk errors are logged once and name the chunk by its source.
    EXPECT_FALSE(engine.lua.runChunk("x = 1\nerror('broken at load')"));
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "Error executing lua chunk! '[string \"x = 1...\"]:2: broken at load'");
    EXPECT_EQ(eval("x"), "1");  // what ran before the error stays
    log.clear();
    EXPECT_FALSE(engine.lua.runChunk("error({})"));
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Error executing lua chunk! '(error object is not a string)'"});

    // The stack does not grow with results or failures.
    const int top = lua_gettop(L);
    for (int i = 0; i < 50; ++i) {
        for (const char* chunk : {"return 1, 2, 3", "syntax error here", "error('x')", "function build() return 7 end",
                                  "function build() error('y') end", "function build() return true end"}) {
            engine.lua.runChunk(chunk);
            engine.lua.callBuild();
        }
        engine.lua.callUpdate(0.0167f);
        engine.lua.callRender(1.0f);
    }
    EXPECT_EQ(lua_gettop(L), top);
}

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

const std::string kReleased = "(scene object was released (handles do not outlive a scene reload))";
} // namespace

// A missing script and one that does not compile stop start-up in the e2e tests.
TEST_F(SceneLoad, AFailedBuildLeavesAnEmptyRootGlobalsOutliveReloadsAndUnlinkedObjectsAreFreedAtTheNext) {
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
    writeScript("loads, calls = (loads or 0) + 1, 0\n"
                "function build() return true end\nfunction update() calls = calls + 1 end");
    EXPECT_TRUE(engine.scene.load() && engine.scene.load());
    for (float step : {0.0f, 0.0167f, -0.0167f}) engine.scene.fixedStep(step);  // a step of zero is not passed on
    EXPECT_EQ(eval("loads .. ' ' .. calls"), "2 2");

    // Objects the script never linked are freed at the next load.
    writeScript("oldRoot, newRoot = newRoot, scene.getRoot()\n"
                "oldLoose, loose = loose, object.new('cube')\n"
                "function build() return true end");
    ASSERT_TRUE(engine.scene.load());
    ASSERT_TRUE(engine.scene.load());
    // Each load hands the script a new root; the old one went with its tree. A
    // handle never reaches a freed object: it raises, whatever the call.
    const std::string getPosition = "test:1: calling 'getPosition' on bad self " + kReleased;
    EXPECT_EQ(run("oldRoot:getPosition()"), getPosition);
    EXPECT_EQ(run("oldLoose:getPosition()"), getPosition);
    EXPECT_EQ(run("loose:getPosition()"), "");
    EXPECT_EQ(run("newRoot:removeChild(oldLoose)"), "test:1: bad argument #1 to 'removeChild' " + kReleased);

    // A chunk that fails keeps what it attached, unbuilt, until the next load.
    writeScript("kept = object.new('cube')\nscene.getRoot():addChild(kept)\nerror('half way')");
    EXPECT_FALSE(engine.scene.load());
    EXPECT_EQ(engine.scene.root->children.size(), 1u);
    EXPECT_EQ(run("kept:getPosition()"), "");
    writeScript("function build() return false end");
    EXPECT_FALSE(engine.scene.load());
    EXPECT_EQ(run("kept:getPosition()"), getPosition);
}

using ScriptBinding = LuaFixture;

TEST_F(ScriptBinding, VectorsAreValuesWithMethodsOnlyAndLinksThatWouldReleaseANodeTwiceAreRefused) {
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
    test::expectNear(root->position, {0.6f, 0, 0.8f});

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

// Lua counts method arguments without the receiver: argument 2 of a method
// call is reported as "#1", and a bad receiver as "bad self".
TEST_F(ScriptBinding, ArgumentErrorsNameTheArgumentAndCreateNothing) {
    const std::string step = "bad argument #3 to 'new' (ring step must be above 0 and at most 360 degrees)";
    const std::string format = "to 'new' ('RGBA or RGBA16F' expected)";
    expectRefused({
        {"local v = 2 * vector3.new(1, 2, 3)", "bad argument #1 to '__mul' ('vector3' expected)"},
        {"local v = vector3.new(1, 2, 3) * vector3.new(1, 2, 3)",
         "bad argument #2 to '__mul' (number expected, got userdata)"},
        {"scene.getRoot():setVisible(1)", "bad argument #1 to 'setVisible' ('boolean' expected)"},
        {"scene.getRoot():addChild(vector3.new(1, 2, 3))", "bad argument #1 to 'addChild' ('object' expected)"},
        {"object.new('Cube')", "Error creating new scene object. Class 'Cube' not found!"},
        {"object.new('ring', 'wide', 10)", "bad argument #2 to 'new' (number expected, got string)"},
        {"object.new('ring', 1, 361)", step}, {"object.new('ring', 1, 0/0)", step},
        // Inside the accepted range, but too large to build: refused before anything is allocated.
        {"object.new('ring', 5, 0.000001)",
         "bad argument #3 to 'new' (this ring would take 13.4 GiB; one object may take at most 1 GiB)"},
        {"object.new('sceneCubeBuffer', 16384, 16384, 'RGBA16F')",
         "bad argument #2 to 'new' (this sceneCubeBuffer would take 13.0 GiB; one object may take at most 1 GiB)"},
        {"object.new('sceneBuffer', 64, 64, 1, true, 'rgba', 0)", "bad argument #6 " + format},
        {"object.new('sceneBuffer', 64, 64, 1, true, 'RGBA32F', 0)", "bad argument #6 " + format},
        {"object.new('sceneCubeBuffer', 64, 64, 'rgba16f')", "bad argument #4 " + format},
    });
    EXPECT_TRUE(engine.scene.root->visible);
}

// Scripts' handles record the type code, so it must be the one the class's
// objects report, and no two classes may share a name or a code.
TEST(ObjectClasses, EachRowMakesItsOwnTypeAndNoTwoRowsShareANameOrCode) {
    // Arguments the makers accept: numbers of `value`, "RGBA" for strings.
    struct Args final : ObjectArgs {
        double value = 0.0;
        double number(int) override { return value; }
        int64_t integer(int) override { return static_cast<int64_t>(value); }
        std::string string(int) override { return "RGBA"; }
        bool boolean(int) override { return true; }
        glm::vec3 vector(int) override { return glm::vec3(1.0f); }
        [[noreturn]] void refuse(int, const char* message) override { throw std::runtime_error(message); }
    } args;
    std::set<std::string> names;
    std::set<int> types{kSceneRootType};
    for (const ObjectClass* row : ScriptModule::objectClasses()) {
        EXPECT_TRUE(names.insert(row->name).second) << row->name;
        EXPECT_TRUE(types.insert(row->type).second) << row->name;
        std::unique_ptr<SceneObject> made;
        for (double value : {4.0, 1.0, 0.5}) {  // a class that refuses them all has its own factory test
            args.value = value;
            try {
                made.reset(row->make(args));
                break;
            } catch (const std::runtime_error&) {
            }
        }
        if (made) {
            EXPECT_EQ(made->getType(), row->type) << row->name;
        }
    }
    for (int type = 1; type <= 22; ++type) EXPECT_EQ(types.count(type), 1u) << type;  // a new class takes 23 on
}

TEST_F(ScriptBinding, SyncGettersCameraPathsAndSceneBuffersReachTheEngine) {
    test::writeTrack(syncDir.path(), "T", {{0, -1.5f, Linear}, {16, 2.5f, Step}});
    const std::string all = "sync.getFloat('T') .. ' ' .. sync.getInt('T') .. ' ' .. tostring(sync.getBool('T'))";
    for (const auto& [row, read] : {std::make_pair(2.0f, "-1 -1 false"), std::make_pair(8.0f, "0.5 0 true")}) {
        audio.position = row;
        engine.syncDevice.update();
        EXPECT_EQ(eval(all), read);
    }

    // A camera path is refused unless it can be one, and is sampled into the active camera.
    const std::string four = "{o, x, x * 2, x * 3}", noCamera = "no camera object was set with scene.setActiveCamera";
    ASSERT_EQ(run("camera = object.new('camera'); cube = object.new('cube')\n"
                  "o = vector3.new(0, 0, 0); x = vector3.new(2, 0, 0)"), "");
    const std::pair<std::string, std::string> cases[] = {
        {"scene.setCameraPath(5)", "bad argument #1 to 'setCameraPath' (table expected, got number)"},
        {"scene.setCameraPath({o, x, x * 2})", "bad argument #1 to 'setCameraPath' (at least 4 points expected)"},
        {"scene.setCameraPath({o, 1, x, x * 2})", "bad argument #1 to 'setCameraPath' (vector3 points expected)"},
        {"scene.setCameraPath(" + four + ")", noCamera},
        {"scene.setActiveCamera(cube); scene.setCameraPath(" + four + ")", noCamera},
    };
    for (const auto& [code, error] : cases) EXPECT_EQ(run(code), "test:1: " + error) << code;
    EXPECT_TRUE(engine.scene.cameraPathPoints.empty());
    const auto& samples = global<CameraObject>("camera")->pathPoints;
    EXPECT_TRUE(samples.empty());
    ASSERT_EQ(run("scene.setActiveCamera(camera); scene.setCameraPath(" + four + ")"), "");
    EXPECT_EQ(samples.size(), 25u);  // what they are is the sampler's test
    EXPECT_EQ(engine.scene.cameraPathPoints.size(), 4u);  // a controller in free flight can go on editing them

    // The scene buffer factories pass their arguments on, and only a 2D buffer is post-processed.
    ASSERT_EQ(run("plain = object.new('sceneBuffer', 640, 360, 2, false, 'RGBA', 0)\n"
                  "hdr = object.new('sceneBuffer', 320, 180, 1, true, 'RGBA16F', 4)\n"
                  "cubeBuffer = object.new('sceneCubeBuffer', 128, 64, 'RGBA16F')"),
              "");
    const auto *plain = global<SceneBufferObject>("plain"), *hdr = global<SceneBufferObject>("hdr");
    EXPECT_TRUE(plain->width == 640 && plain->height == 360 && plain->colorCount == 2 && !plain->withDepth &&
                plain->internalFormat == GL_RGBA && plain->samples == 0);
    EXPECT_TRUE(hdr->withDepth && hdr->internalFormat == GL_RGBA16F && hdr->samples == 4);
    const auto* cubeBuffer = global<SceneCubeBufferObject>("cubeBuffer");
    EXPECT_TRUE(cubeBuffer->faceWidth == 128 && cubeBuffer->faceHeight == 64 && cubeBuffer->internalFormat == GL_RGBA16F);
    ASSERT_EQ(run("scene.postProcessBufferNode(cubeBuffer)\nscene.postProcessBufferNode(object.new('cubemapDebug'))"), "");
    engine.scene.postProcessBufferNode(nullptr);
    EXPECT_EQ(log.count("Cannot Post Process Invalid Buffer Node!"), 3u);
}
