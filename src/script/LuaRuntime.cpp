// Lua runtime. Every call leaves the stack as it found it: chunk results and
// logged error messages are popped, so failing scripts cannot grow it.
#include "script/LuaRuntime.h"

#include "core/Profile.h"
#include "script/ScriptModule.h"

#include <SDL.h>
#include <lua.hpp>

namespace {
const char* errorText(lua_State* L) {
    const char* text = lua_tostring(L, -1);
    return text ? text : "(error object is not a string)";
}

void openLibrary(lua_State* L, lua_CFunction opener, const char* name) {
    lua_pushcfunction(L, opener);
    lua_pushstring(L, name);
    lua_call(L, 1, 0);
}

// Calls the global function `name` with an optional number argument; an error
// is logged as "Error running '<name>': <message>" and popped. On success the
// `results` values are left on the stack.
bool callGlobal(lua_State* L, const char* name, const double* argument, int results) {
    lua_getglobal(L, name);
    if (argument) lua_pushnumber(L, *argument);
    if (lua_pcall(L, argument ? 1 : 0, results, 0) != 0) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Error running '%s': %s", name, errorText(L));
        lua_pop(L, 1);
        return false;
    }
    return true;
}
} // namespace

bool LuaRuntime::create() {
    L = luaL_newstate();
    if (!L) return false;
    openLibrary(L, luaopen_base, "");
    openLibrary(L, luaopen_table, LUA_TABLIBNAME);
    openLibrary(L, luaopen_string, LUA_STRLIBNAME);
    openLibrary(L, luaopen_math, LUA_MATHLIBNAME);
    openLibrary(L, luaopen_debug, LUA_DBLIBNAME);
    openLibrary(L, luaopen_bit, LUA_BITLIBNAME);
    openLibrary(L, luaopen_jit, LUA_JITLIBNAME);
    openLibrary(L, luaopen_taviq, kScriptModuleName);
    return true;
}

bool LuaRuntime::runChunk(const char* source) {
    int top = lua_gettop(L);
    if (luaL_loadstring(L, source) != 0 || lua_pcall(L, 0, LUA_MULTRET, 0) != 0) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Error executing lua chunk! '%s'", errorText(L));
        lua_settop(L, top);
        return false;
    }
    lua_settop(L, top);
    return true;
}

bool LuaRuntime::callBuild() {
    if (!callGlobal(L, "build", nullptr, 1)) return false;
    if (!lua_isboolean(L, -1)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Function 'build' must return a boolean!");
        lua_pop(L, 1);
        return false;
    }
    bool result = lua_toboolean(L, -1) != 0;
    lua_pop(L, 1);
    return result;
}

void LuaRuntime::callUpdate(float step) {
    profile::Scope timed(profile::kLuaUpdate);
    double argument = step;
    callGlobal(L, "update", &argument, 0);
}

void LuaRuntime::callRender(float time) {
    profile::Scope timed(profile::kLuaRender);
    double argument = time;
    callGlobal(L, "render", &argument, 0);
}

void LuaRuntime::close() {
    if (L) lua_close(L);
    L = nullptr;
}
