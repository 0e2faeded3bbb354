// The script time limit against xpcall message handlers that never return:
// whether the error came from the limit itself or from the script, the call is
// ended, and xpcall keeps its ordinary behaviour within the limit.
#include "LuaFixture.h"
#include "script/LuaRuntime.h"

using ErrorHandlerLimit = LuaFixture;

TEST_F(ErrorHandlerLimit, HandlersThatNeverReturnAreEndedWithTheCall) {
    // Each body makes update fail inside xpcall with a handler that loops for ever.
    const struct {
        const char* name;
        const char* body;
    } cases[] = {
        {"error from the limit", "xpcall(function() while true do end end, function() while true do end end)"},
        {"script error", "xpcall(function() error('boom') end, function() while true do end end)"},
        {"handler catches its own errors",
         "xpcall(function() error('boom') end, function() while true do pcall(function() while true do end end) end end)"},
        {"nested xpcall in the handler",
         "xpcall(function() while true do end end, function() "
         "xpcall(function() while true do end end, function() while true do end end) while true do end end)"},
        {"inside a coroutine", "coroutine.wrap(function() xpcall(function() while true do end end, "
                               "function() while true do end end) end)()"},
    };
    for (const auto& c : cases) {
        log.clear();
        ASSERT_TRUE(engine.lua.runChunk((std::string("function update() ") + c.body + " end").c_str())) << c.name;
        engine.lua.callUpdate(0.0167f);
        const auto messages = log.messages();
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_EQ(messages[0].rfind("Error running 'update'", 0), 0u) << c.name << ": " << messages[0];
    }
    EXPECT_TRUE(engine.lua.runChunk("function build() return true end"));
    EXPECT_TRUE(engine.lua.callBuild());
}

TEST_F(ErrorHandlerLimit, XpcallWithinTheLimitBehavesAsBefore) {
    const struct {
        const char* expression;
        const char* value;
    } cases[] = {
        {"select('#', xpcall(function(a, b) return a, b, 3 end, print, 1, 2))", "4"},
        {"select(4, xpcall(function(a, b) return a, b, 3 end, print, 1, 2))", "3"},
        {"select(2, xpcall(function() error('boom', 0) end, function(m) return 'handled ' .. m end))", "handled boom"},
        {"xpcall(function() error('boom') end, function(m) return m end)", "false"},
        {"select(2, xpcall(function() error('boom') end, function(m) error('again') end))", "error in error handling"},
        {"select(2, pcall(xpcall, function() end))", "bad argument #2 to 'xpcall' (function expected, got no value)"},
    };
    for (const auto& c : cases) EXPECT_EQ(eval(c.expression), c.value) << c.expression;
}
