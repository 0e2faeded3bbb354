// A GL-free engine for script tests: the Lua state with every library, a scene with an empty
// root, and sync tracks from a temporary folder on a hand-set clock.
#pragma once
#include "app/Engine.h"
#include "scene/SceneRootObject.h"
#include "script/ScriptModule.h"

#include "TestSupport.h"

#include <lua.hpp>

class LuaFixture : public ::testing::Test {
protected:
    void SetUp() override {
        gEngine = &engine;
        ASSERT_TRUE(engine.lua.create());
        L = engine.lua.state();
        engine.scene.root = new SceneRootObject;
        ASSERT_TRUE(engine.syncDevice.init(&audio, syncDir.path() + "/"));
    }
    void TearDown() override {
        engine.scene.releaseObjects();
        engine.lua.close();
        engine.syncDevice.shutdown();
        gEngine = nullptr;
    }

    // Runs `code`; "" when it ran, else the error message. The stack is left as found.
    std::string run(const std::string& code) {
        const int top = lua_gettop(L);
        std::string error;
        if (luaL_loadbuffer(L, code.data(), code.size(), "=test") != 0 || lua_pcall(L, 0, 0, 0) != 0)
            error = lua_tostring(L, -1) ? lua_tostring(L, -1) : "?";
        lua_settop(L, top);
        return error;
    }
    // The value of a Lua expression, as tostring gives it.
    std::string eval(const std::string& expression) {
        const std::string error = run("__result = tostring(" + expression + ")");
        if (!error.empty()) return "error: " + error;
        lua_getglobal(L, "__result");
        const std::string value = lua_tostring(L, -1);
        lua_pop(L, 1);
        return value;
    }
    // The scene object behind the handle in a Lua global.
    template <typename T = SceneObject>
    T* global(const char* name) {
        lua_getglobal(L, name);
        SceneObject* object = ScriptModule::checkObject(L, -1);
        lua_pop(L, 1);
        return static_cast<T*>(object);
    }
    // Each call fails with "test:1: " and its error, and none of them leaves an object behind.
    void expectRefused(std::initializer_list<std::pair<const char*, std::string>> cases) {
        ASSERT_EQ(run("before = object.new('cube')"), "");
        for (const auto& [code, error] : cases) EXPECT_EQ(run(code), "test:1: " + error) << code;
        ASSERT_EQ(run("after = object.new('cube')"), "");
        EXPECT_EQ(global("after")->getSerial(), global("before")->getSerial() + 1) << "a refused call made an object";
    }

    test::LogCapture log;
    test::TempDir syncDir;
    test::RowClock audio;
    Engine engine;
    lua_State* L = nullptr;
};
