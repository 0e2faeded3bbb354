// Inputs a careless or hostile user can give the engine: odd Config.txt lines, very
// deep trees, scripts that never return (error handlers included) or forge userdata,
// bytecode, files that are not files, and every input a fuzzer ever broke.
#include "FuzzTargets.h"
#include "LuaFixture.h"
#include "audio/Mp3Decoder.h"
#include "core/Config.h"
#include "core/FileIO.h"
#include "objects/CubemapDebug.h"
#include "script/ScriptDeadline.h"

#include <sys/stat.h>

#include <map>
#include <regex>
#include <thread>

namespace {
namespace fs = std::filesystem;

// The pattern Config.txt entries were once matched with: the reader must accept
// exactly what it accepts.
std::map<std::string, std::string> regexEntries(const std::string& text) {
    static const std::regex entry("(\\S+?)\\s+=\\s(\\S+?);", std::regex::ECMAScript);
    std::map<std::string, std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it)
        found.emplace((*it)[1].str(), (*it)[2].str());
    return found;
}

class Node : public SceneObject {
public:
    bool build(Scene*) override { return true; }
    void release() override {}
    int getType() const override { return kCubemapDebugType; }
};

// Engine work that takes a while: stands in for a heavy draw on a slow machine.
class SlowNode : public Node {
public:
    explicit SlowNode(int milliseconds) : milliseconds(milliseconds) {}
    void render(float time, const glm::mat4* parentMatrix) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        renderChildren(time, parentMatrix);
    }
    void update(float step) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        SceneObject::update(step);
    }
    int milliseconds;
};
} // namespace

TEST(ConfigScanner, AcceptsExactlyWhatTheEntryPatternAccepts) {
    const char* texts[] = {
        "A = 1;", "A  =  1;", "A =\t1;", "A\t\n= 1;", "A =\n1;", "A = 1", "A = 1 ;", "A = ;", "A = ;;", "A = ;x;",
        "A = a;b;", "A=1;", "A =1;", "A =12;", "= = 1;", "A = = 1;", "A == 1;", "A = 1;B = 2;", "A = 1;;B = 2;",
        "x A = 1;", "-- A = 1;", "A B = 1;", "A = 1 B = 2;", "A\v=\f1;", "A = 1;\nA = 2;", "key= = v;",
        "A =  1; B = 2;", ";A = 1;", "A = 1;2;", "a=b = c;", "A = \xC3\xA9;", "\xC2\xA0 = 1;", "A = 1;=",
        "ViewportWidth = 1280;\r\nMSAA = 4;\r\n", "A = b c = d;", "A = \n", "A =", "A", "", "   ", "A = x\ty;"};
    for (const char* text : texts) {
        Config config;
        config.parse(text);
        EXPECT_EQ(config.entries(), regexEntries(text)) << '"' << text << '"';
    }
}

TEST(TreeDepth, LinksBeyondTheLevelLimitAreRefusedFromAboveAndBelow) {
    // Top-down: each new node goes under the deepest one.
    std::vector<SceneObject*> chain{new Node};
    while (chain.size() < static_cast<size_t>(kMaxTreeLevels)) {
        chain.push_back(new Node);
        ASSERT_EQ(addChild(chain[chain.size() - 2], chain.back()), LinkResult::Linked);
    }
    Node* extra = new Node;
    EXPECT_EQ(addChild(chain.back(), extra), LinkResult::TreeTooDeep);
    // Bottom-up: the whole chain under a new top would add one level.
    Node* top = new Node;
    EXPECT_EQ(addChild(top, chain.front()), LinkResult::TreeTooDeep);
    // Two trees that fit alone but not together: a two-level tree under the middle.
    ASSERT_EQ(addChild(top, extra), LinkResult::Linked);
    SceneObject* middle = chain[kMaxTreeLevels / 2];
    EXPECT_EQ(addChild(middle, top), LinkResult::Linked);
    removeChild(middle, top);
    EXPECT_EQ(addChild(chain[kMaxTreeLevels - 2], top), LinkResult::TreeTooDeep);
    EXPECT_TRUE(chain[kMaxTreeLevels - 2]->children.size() == 1 && !top->parent);
    SceneObject* slot = chain.front();
    releaseTree(slot);  // 4096 levels deep: the recursion must hold
    slot = top;
    releaseTree(slot);
}

using ScriptLimits = LuaFixture;

TEST_F(ScriptLimits, EndlessChunksCallsAndErrorHandlersAreEndedTheRuntimeGoesOnAndXpcallBehavesAsBefore) {
    // A loop the JIT compiles when it can: hot first, then endless.
    ASSERT_TRUE(engine.lua.runChunk(
        "jit.on()\n"
        "local function spin(n) local x = 0 for i = 1, n do x = x + i % 7 end return x end\n"
        "for i = 1, 500 do spin(1000) end\n"
        "local t = setmetatable({}, {__tostring = function(self) return tostring(self) end})\n"
        "function build() while true do end end\n"
        "function update() spin(math.huge) end\n"
        "function render() while true do pcall(function() while true do end end) end end\n"
        "function recurse() pcall(tostring, t) end"));
    EXPECT_FALSE(engine.lua.callBuild());
    engine.lua.callUpdate(0.0167f);
    engine.lua.callRender(1.0f);
    ASSERT_TRUE(engine.lua.runChunk("function update() recurse() end"));
    engine.lua.callUpdate(0.0167f);
    EXPECT_FALSE(engine.lua.runChunk("while true do end"));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Error running 'build'", "2 s limit"},     {"Error running 'update'", "0.5 s limit"},
        {"Error running 'render'", "0.5 s limit"},  {"Error running 'update'", "0.5 s limit"},
        {"Error executing lua chunk!", "2 s limit"}};
    const auto messages = log.messages();
    ASSERT_EQ(messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(messages[i].rfind(expected[i].first, 0), 0u) << messages[i];
        EXPECT_NE(messages[i].find("script ran longer than its " + expected[i].second), std::string::npos) << messages[i];
    }
    // xpcall message handlers that never return, whether the error came from the limit itself or from the
    // script: each body makes update fail inside xpcall with a handler that loops for ever.
    const std::string spin = "function() while true do end end";
    const std::pair<const char*, std::string> cases[] = {
        {"error from the limit", "xpcall(" + spin + ", " + spin + ")"},
        {"script error", "xpcall(function() error('boom') end, " + spin + ")"},
        {"handler catches its own errors",
         "xpcall(function() error('boom') end, function() while true do pcall(" + spin + ") end end)"},
        {"nested xpcall in the handler", "xpcall(" + spin + ", function() xpcall(" + spin + ", " + spin + ") while true do end end)"},
        {"inside a coroutine", "coroutine.wrap(function() xpcall(" + spin + ", " + spin + ") end)()"},
    };
    for (const auto& [name, body] : cases) {
        log.clear();
        ASSERT_TRUE(engine.lua.runChunk(("function update() " + body + " end").c_str())) << name;
        engine.lua.callUpdate(0.0167f);
        const auto lines = log.messages();
        ASSERT_EQ(lines.size(), 1u) << name;
        EXPECT_EQ(lines[0].rfind("Error running 'update'", 0), 0u) << name << ": " << lines[0];
    }
    // The state still works, and the hook cannot be taken away.
    EXPECT_TRUE(engine.lua.runChunk("function build() return true end"));
    EXPECT_TRUE(engine.lua.callBuild());
    EXPECT_EQ(eval("debug.sethook"), "nil");

    // Within the limit xpcall behaves as before: arguments and results pass, the handler's word is returned.
    EXPECT_EQ(eval("select(4, xpcall(function(a, b) return a, b, 3 end, print, 1, 2)) .. ' ' .. "
                   "(function(ok, m) return tostring(ok) .. ' ' .. m end)("
                   "xpcall(function() error('boom', 0) end, function(m) return 'handled ' .. m end))"),
              "3 false handled boom");
    EXPECT_EQ(eval("select(2, xpcall(function() error('boom') end, function(m) error('again') end)) .. ', ' .. "
                   "select(2, pcall(xpcall, function() end))"),
              "error in error handling, bad argument #2 to 'xpcall' (function expected, got no value)");
}

TEST_F(ScriptLimits, EngineWorkDoesNotCountAgainstTheScriptButEndlessLoopsOfEngineCallsEnd) {
    // 0.3 s of drawing in a parent and again in its child: 0.6 s of engine work in one call, twice the
    // update limit in updates, yet the script itself is quick.
    SlowNode* parent = new SlowNode(300);
    ASSERT_EQ(addChild(parent, new SlowNode(300)), LinkResult::Linked);
    engine.scene.trackScriptObject(parent);
    ScriptModule::pushObject(L, parent);
    lua_setglobal(L, "heavy");
    // Script work after the draws, so the limit is looked at after them.
    ASSERT_TRUE(engine.lua.runChunk(
        "local function work() for i = 1, 5000 do end end\n"
        "function render(t) heavy:render(t) work() drawn = true end\n"
        "function update(s) heavy:update(s) work() heavy:update(s) work() updated = true end"));
    engine.lua.callRender(1.0f);
    engine.lua.callUpdate(0.0167f);
    EXPECT_EQ(eval("drawn and updated"), "true");
    EXPECT_TRUE(log.messages().empty()) << log.messages()[0];
    // An endless loop of cheap engine calls: accessors are the script's own time.
    log.clear();
    ASSERT_TRUE(engine.lua.runChunk("function render(t) while true do heavy:setPosition(vector3.new(t, 0, 0)) end end"));
    engine.lua.callRender(1.0f);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "Error running 'render': script ran longer than its 0.5 s limit");
    // A loop of heavy draws is nearly all engine work: it ends when the call's wall time runs out.
    log.clear();
    parent->milliseconds = 100;
    ASSERT_TRUE(engine.lua.runChunk("function render(t) while true do heavy:render(t) end end"));
    engine.lua.callRender(1.0f);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].rfind("Error running 'render': script and the engine work it asked for ran longer", 0),
              0u) << log.messages()[0];
    // One draw longer than that whole allowance (a heavy frame of a capture) is not cut short.
    {
        ScriptDeadline deadline(L, 0.012);  // 0.36 s of wall time; the draw takes 0.4 s
        EXPECT_EQ(luaL_dostring(L, "heavy:render(1) drawn = 'long'"), 0) << lua_tostring(L, -1);
    }
    // The show goes on.
    ASSERT_TRUE(engine.lua.runChunk("function render(t) heavy:render(t) drawn = 'again' end"));
    engine.lua.callRender(2.0f);
    EXPECT_EQ(eval("drawn"), "again");
}

TEST_F(LuaFixture, ForgedHandlesAndVectorsOfTheWrongSizeAndBytecodeThroughAnyLoaderAreRefused) {
    ASSERT_EQ(run("objectMeta = debug.getmetatable(scene.getRoot())\n"
                  "vectorMeta = debug.getmetatable(vector3.new(0, 0, 0))"),
              "");
    const std::pair<const char*, const char*> forged[] = {
        {"local v = vector3.new(1, 2, 3); debug.setmetatable(v, objectMeta); v:setVisible(false)",
         "calling 'setVisible' on bad self ('object' expected)"},
        {"local p = newproxy(); debug.setmetatable(p, objectMeta); scene.getRoot():addChild(p)",
         "bad argument #1 to 'addChild' ('object' expected)"},
        {"local h = object.new('cube'); debug.setmetatable(h, vectorMeta); local s = h + vector3.new(1, 1, 1)",
         "bad argument #1 to '__add' ('vector3' expected)"},
        {"local p = newproxy(); debug.setmetatable(p, vectorMeta); p:normalize()",
         "calling 'normalize' on bad self ('vector3' expected)"}};
    for (const auto& [code, error] : forged) EXPECT_EQ(run(code), std::string("test:1: ") + error) << code;

    EXPECT_EQ(eval("loadstring('return 1 + 1')()"), "2");
    const char* refusals[] = {"select(2, loadstring(string.dump(function() return 1 end)))",
                              "select(2, loadstring(string.dump(function() return 1 end), 'x', 'b'))",
                              "select(2, load(string.dump(function() return 1 end), 'x', 'bt'))",
                              // through a reader function, piece by piece
                              "select(2, load(coroutine.wrap(function() coroutine.yield(string.dump(function() end)) end)))"};
    for (const char* expression : refusals)
        EXPECT_EQ(eval(expression), "attempt to load chunk with wrong mode") << expression;
    EXPECT_FALSE(engine.lua.runChunk("\x1bLJ\x02\x0a\x1b"));
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0], "Error executing lua chunk! 'attempt to load chunk with wrong mode'");
}

// Each reader of a file by path, on each kind of thing that can stand where a file
// is expected: a directory once made the reader allocate the size ext4 reports for
// it, a FIFO blocked the show for ever. Each refuses with one line naming the path.
TEST(FileKinds, OnlyRegularFilesAreReadAndAnythingElseIsOneLineNamingIt) {
    test::TempDir dir;
    const std::string path = dir.file("_T.track");
    const std::pair<std::function<void()>, std::string> kinds[] = {
        {[&] { test::writeFile(path, std::string(4, '\0')); }, ""},  // a track of no keys
        {[] {}, ""},  // missing: the callers say so in their own words
        {[&] { fs::create_directory(path); }, "is a directory"},
        {[&] { ::mkfifo(path.c_str(), 0600); }, "is not a regular file"},
        {[&] { ::mkfifo(dir.file("fifo").c_str(), 0600), fs::create_symlink(dir.file("fifo"), path); }, "is not a regular file"},
    };
    for (const auto& [make, kind] : kinds) {
        SCOPED_TRACE(kind.empty() ? "regular or missing" : kind);
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        make();
        const std::vector<std::string> line = kind.empty() ? std::vector<std::string>{}
                                                          : std::vector<std::string>{"Not reading '" + path + "': it " + kind};
        const std::function<bool()> readers[] = {
            [&] { std::vector<uint8_t> bytes; return FileIO::readAll(path, bytes) && bytes.size() == 4; },
            [&] { Config config; return config.read(path); },
            [&] { std::vector<int16_t> pcm; return Mp3Decoder::decodeFile(path, 44100, pcm) != Mp3Decoder::Result::CannotOpen; },
            [&] {
                SyncTrackStore* store = createStore(dir.path() + "/");
                getTrack(store, "T");
                destroyStore(store);
                return fs::is_regular_file(path);
            },
        };
        for (const auto& read : readers) {
            test::LogCapture log;
            EXPECT_EQ(read(), fs::is_regular_file(path));
            EXPECT_EQ(log.errors(), line);
        }
    }
}

// Every input a fuzzer ever broke, kept in fuzz/regressions/<target>/, runs through its target's body again.
TEST(FuzzRegressions, EveryKeptInputRunsThroughItsTargetAgain) {
    const std::filesystem::path root = std::filesystem::path(SOLVANE_SOURCE_DIR) / "fuzz" / "regressions";
    size_t inputs = 0;
    for (const auto& folder : std::filesystem::directory_iterator(root)) {
        fuzz::Target target = fuzz::findTarget(folder.path().filename().c_str());
        ASSERT_NE(target, nullptr) << "no target for " << folder.path();
        for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
            const std::string bytes = test::readFile(file.path().string());
            SCOPED_TRACE(file.path().string());
            target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0u);
}
