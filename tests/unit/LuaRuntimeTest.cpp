// The script protocol: the chunk, build, update and render, with one log line
// per failing call, the libraries a script gets (and the ones it must not),
// and a Lua stack that does not grow.
#include "LuaFixture.h"

namespace {
bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }
} // namespace

using LuaRuntime_ = LuaFixture;

TEST_F(LuaRuntime_, OpensTheListedLibrariesAndNoFileOrSystemAccess) {
    for (const char* present : {"table", "string", "math", "debug", "bit", "jit", "object", "scene", "sync", "window",
                                "vector3", "print", "pcall"})
        EXPECT_NE(eval(std::string("type(") + present + ")"), "nil") << present;
    for (const char* absent : {"package", "io", "os", "require"})
        EXPECT_EQ(eval(std::string("type(") + absent + ")"), "nil") << absent;
    const std::pair<const char*, const char*> calls[] = {
        {"require('x')", "attempt to call global 'require' (a nil value)"},
        {"local f = io.open('Config.txt')", "attempt to index global 'io' (a nil value)"},
        {"os.exit(3)", "attempt to index global 'os' (a nil value)"}};
    for (const auto& [chunk, error] : calls) {
        log.clear();
        EXPECT_FALSE(engine.lua.runChunk(chunk));
        ASSERT_EQ(log.messages().size(), 1u) << chunk;
        EXPECT_NE(log.messages()[0].find(error), std::string::npos) << log.messages()[0];
    }
}

TEST_F(LuaRuntime_, ChunkErrorsAreLoggedOnceAndNameTheChunkByItsSource) {
    EXPECT_FALSE(engine.lua.runChunk("function build( return true end"));
    ASSERT_EQ(log.entries().size(), 1u);
    EXPECT_TRUE(startsWith(log.messages()[0], "Error executing lua chunk! '[string \"function build( return true end\"]:1:"));
    EXPECT_EQ(log.entries()[0].priority, SDL_LOG_PRIORITY_ERROR);

    log.clear();
    EXPECT_FALSE(engine.lua.runChunk("x = 1\nerror('broken at load')"));
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_NE(log.messages()[0].find(":2: broken at load'"), std::string::npos);
    EXPECT_EQ(eval("x"), "1");  // what ran before the error stays

    log.clear();
    EXPECT_FALSE(engine.lua.runChunk("error({})"));
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Error executing lua chunk! '(error object is not a string)'"});
}

TEST_F(LuaRuntime_, BuildMustReturnABoolean) {
    ASSERT_TRUE(engine.lua.runChunk("function build() return true end"));
    EXPECT_TRUE(engine.lua.callBuild());
    ASSERT_TRUE(engine.lua.runChunk("function build() return false end"));
    EXPECT_FALSE(engine.lua.callBuild());
    EXPECT_TRUE(log.messages().empty());
    for (const char* body : {"function build() end", "function build() return 1 end", "function build() return nil, true end"}) {
        log.clear();
        ASSERT_TRUE(engine.lua.runChunk(body));
        EXPECT_FALSE(engine.lua.callBuild()) << body;
        EXPECT_EQ(log.messages(), std::vector<std::string>{"Function 'build' must return a boolean!"}) << body;
    }
    log.clear();
    ASSERT_TRUE(engine.lua.runChunk("function build() local t = nil; return t.x end"));
    EXPECT_FALSE(engine.lua.callBuild());
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_TRUE(startsWith(log.messages()[0], "Error running 'build': [string"));
    EXPECT_NE(log.messages()[0].find("attempt to index local 't' (a nil value)"), std::string::npos);
}

// A script without update, whose every step logs an error, runs in the e2e tests.
TEST_F(LuaRuntime_, RenderErrorsAreLoggedOncePerCallAndTheCallsGoOn) {
    ASSERT_TRUE(engine.lua.runChunk("function update(s) step = s end\n"
                                    "function render(t) if t > 1 then error('late frame') end last = t end"));
    for (float t : {0.5f, 2.0f, 2.5f, 0.75f}) engine.lua.callRender(t);
    ASSERT_EQ(log.messages().size(), 2u);
    for (const std::string& m : log.messages()) EXPECT_TRUE(startsWith(m, "Error running 'render': ")) << m;
    EXPECT_EQ(eval("last"), "0.75");
    engine.lua.callUpdate(-0.0167f);
    EXPECT_EQ(eval("step"), "-0.016699999570847");  // single precision widened to a Lua number
}

TEST_F(LuaRuntime_, TheStackDoesNotGrowWithResultsOrFailures) {
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
