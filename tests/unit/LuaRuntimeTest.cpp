// The script protocol: the chunk, build, update and render, with one log line
// per failing call, the libraries a script gets (and the ones it must not),
// globals that outlive a reload, and a Lua stack that does not grow.
#include "LuaFixture.h"

#include <algorithm>
#include <cstdio>

namespace {
bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

size_t countStartingWith(const test::LogCapture& log, const std::string& prefix) {
    auto m = log.messages();
    return static_cast<size_t>(std::count_if(m.begin(), m.end(), [&](const std::string& s) { return startsWith(s, prefix); }));
}

std::string lastMessage(const test::LogCapture& log) {
    auto m = log.messages();
    return m.empty() ? "" : m.back();
}
} // namespace

using LuaRuntime_ = LuaFixture;

TEST_F(LuaRuntime_, OpensTheListedLibrariesAndNoFileOrSystemAccess) {
    for (const char* present : {"table", "string", "math", "debug", "bit", "jit", "object", "scene", "window",
                                "vector3", "print", "pcall"})
        EXPECT_NE(eval("type(" + std::string(present) + ")"), "nil") << present;
    for (const char* absent : {"package", "io", "os", "require"})
        EXPECT_EQ(eval("type(" + std::string(absent) + ")"), "nil") << absent;

    EXPECT_FALSE(engine.lua.runChunk("require('x')"));
    EXPECT_NE(lastMessage(log).find("attempt to call global 'require' (a nil value)"), std::string::npos);
    EXPECT_FALSE(engine.lua.runChunk("local f = io.open('Config.txt')"));
    EXPECT_NE(lastMessage(log).find("attempt to index global 'io' (a nil value)"), std::string::npos);
    EXPECT_FALSE(engine.lua.runChunk("os.exit(3)"));
    EXPECT_NE(lastMessage(log).find("attempt to index global 'os' (a nil value)"), std::string::npos);
}

TEST_F(LuaRuntime_, ChunkErrorsAreLoggedOnceAndNameTheChunkByItsSource) {
    EXPECT_FALSE(engine.lua.runChunk("function build( return true end"));
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_TRUE(startsWith(lastMessage(log), "Error executing lua chunk! '[string \"function build( return true end\"]:1:"));
    EXPECT_EQ(log.entries().back().priority, SDL_LOG_PRIORITY_ERROR);
    EXPECT_EQ(log.entries().back().category, SDL_LOG_CATEGORY_SYSTEM);

    log.clear();
    EXPECT_FALSE(engine.lua.runChunk("x = 1\nerror('broken at load')"));
    EXPECT_EQ(log.messages().size(), 1u);
    EXPECT_NE(lastMessage(log).find(":2: broken at load'"), std::string::npos);
    EXPECT_EQ(eval("x"), "1");  // what ran before the error stays

    log.clear();
    EXPECT_FALSE(engine.lua.runChunk("error({})"));
    EXPECT_EQ(lastMessage(log), "Error executing lua chunk! '(error object is not a string)'");
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
    EXPECT_TRUE(startsWith(lastMessage(log), "Error running 'build': [string"));
    EXPECT_NE(lastMessage(log).find("attempt to index local 't' (a nil value)"), std::string::npos);
}

TEST_F(LuaRuntime_, UpdateAndRenderErrorsAreLoggedOncePerCallAndTheCallsGoOn) {
    ASSERT_TRUE(engine.lua.runChunk(
        "steps = {}\n"
        "function render(t) if t > 1 then error('late frame') end last = t end"));
    for (int i = 0; i < 3; ++i) engine.lua.callUpdate(0.0167f);
    EXPECT_EQ(countStartingWith(log, "Error running 'update': "), 3u);
    EXPECT_NE(lastMessage(log).find("attempt to call a nil value"), std::string::npos);

    log.clear();
    engine.lua.callRender(0.5f);
    engine.lua.callRender(2.0f);
    engine.lua.callRender(2.5f);
    engine.lua.callRender(0.75f);
    EXPECT_EQ(countStartingWith(log, "Error running 'render': "), 2u);
    EXPECT_EQ(log.messages().size(), 2u);
    EXPECT_EQ(eval("last"), "0.75");

    // Steps arrive as single-precision values widened to Lua numbers.
    ASSERT_TRUE(engine.lua.runChunk("function update(s) steps[#steps + 1] = s end"));
    engine.lua.callUpdate(-0.0167f);
    char widened[64];
    std::snprintf(widened, sizeof widened, "%.17g", static_cast<double>(-0.0167f));
    EXPECT_EQ(eval(std::string("steps[1] == ") + widened), "true");
}

TEST_F(LuaRuntime_, GlobalsSurviveAReload) {
    const char* script = "counter = (counter or 0) + 1\nfunction build() return true end";
    ASSERT_TRUE(engine.lua.runChunk(script));
    ASSERT_TRUE(engine.lua.runChunk(script));
    ASSERT_TRUE(engine.lua.runChunk(script));
    EXPECT_EQ(eval("counter"), "3");
}

TEST_F(LuaRuntime_, TheStackDoesNotGrowWithResultsOrFailures) {
    int top = lua_gettop(L);
    for (int i = 0; i < 50; ++i) {
        engine.lua.runChunk("return 1, 2, 3");
        engine.lua.runChunk("syntax error here");
        engine.lua.runChunk("error('x')");
        engine.lua.runChunk("function build() return 7 end");
        engine.lua.callBuild();
        engine.lua.runChunk("function build() error('y') end");
        engine.lua.callBuild();
        engine.lua.runChunk("function build() return true end");
        engine.lua.callBuild();
        engine.lua.callUpdate(0.0167f);
        engine.lua.callRender(1.0f);
    }
    EXPECT_EQ(lua_gettop(L), top);
}
