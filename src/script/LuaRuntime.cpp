// Lua runtime. Every call leaves the stack as it found it: chunk results and
// logged error messages are popped, so failing scripts cannot grow it. Each
// call runs against its time limit (ScriptDeadline).
#include "script/LuaRuntime.h"

#include "core/Profile.h"
#include "script/ScriptDeadline.h"
#include "script/ScriptModule.h"

#include <SDL.h>
#include <lua.hpp>

#include <cstring>

namespace {
// Stands in for jit.on: script code stays interpreted (see create).
int keepJitOff(lua_State*) { return 0; }

// An error raised by the time limit runs the message handler inside the
// limit's own hook, where LuaJIT calls no hooks: a handler that never returned
// could not be ended. So the handler runs only while the call still has time;
// after that the error is passed on as it is.
int handlerWithinTheLimit(lua_State* L) {
    if (ScriptDeadline::passed()) return 1;
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    return 1;
}

// xpcall(f, handler, ...) as the base library has it, with the handler above.
// Built on lua_pcall rather than on the original, which a script could reach.
int xpcallWithinTheLimit(lua_State* L) {
    if (!lua_isfunction(L, 2))
        return luaL_error(L, "bad argument #2 to 'xpcall' (function expected, got %s)",
                          lua_isnone(L, 2) ? "no value" : luaL_typename(L, 2));
    lua_pushvalue(L, 2);
    lua_pushcclosure(L, handlerWithinTheLimit, 1);
    lua_replace(L, 2);
    // f, handler, args... -> handler, f, args...
    lua_pushvalue(L, 1);
    lua_pushvalue(L, 2);
    lua_replace(L, 1);
    lua_replace(L, 2);
    const int status = lua_pcall(L, lua_gettop(L) - 2, LUA_MULTRET, 1);
    lua_pushboolean(L, status == 0);
    lua_replace(L, 1);
    return status == 0 ? lua_gettop(L) : 2;
}

// load and loadstring with the mode forced to text: LuaJIT runs bytecode
// without verifying it, so a crafted binary chunk could reach any memory.
int loadTextOnly(lua_State* L) {
    const int count = lua_gettop(L) < 3 ? 3 : lua_gettop(L);
    lua_settop(L, count);
    lua_pushliteral(L, "t");
    lua_replace(L, 3);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, count, LUA_MULTRET);
    return lua_gettop(L);
}

void wrapLoader(lua_State* L, const char* name) {
    lua_getglobal(L, name);
    lua_pushcclosure(L, loadTextOnly, 1);
    lua_setglobal(L, name);
}

// Clears a field of the table on top of the stack.
void removeField(lua_State* L, const char* name) {
    lua_pushnil(L);
    lua_setfield(L, -2, name);
}
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
bool callGlobal(lua_State* L, const char* name, const double* argument, int results, double seconds) {
    ScriptDeadline deadline(L, seconds);
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
    // Scripts get no file access, no bytecode and no way to unhook the time limit.
    lua_pushvalue(L, LUA_GLOBALSINDEX);
    removeField(L, "dofile");
    removeField(L, "loadfile");
    lua_pop(L, 1);
    lua_getglobal(L, LUA_DBLIBNAME);
    removeField(L, "sethook");
    lua_pop(L, 1);
    lua_pushcfunction(L, xpcallWithinTheLimit);
    lua_setglobal(L, "xpcall");
    wrapLoader(L, "load");
    wrapLoader(L, "loadstring");
    // LuaJIT never calls hooks from compiled code, and a compiled endless
    // loop cannot be left at all, so script code runs in the interpreter;
    // jit.on cannot turn the compiler back on.
    luaJIT_setmode(L, 0, LUAJIT_MODE_ENGINE | LUAJIT_MODE_OFF);
    lua_getglobal(L, LUA_JITLIBNAME);
    lua_pushcfunction(L, keepJitOff);
    lua_setfield(L, -2, "on");
    lua_pop(L, 1);
    return true;
}

bool LuaRuntime::runChunk(const char* source) {
    int top = lua_gettop(L);
    ScriptDeadline deadline(L, kChunkSeconds);
    // Named by its own text, as a string chunk always was.
    if (luaL_loadbufferx(L, source, std::strlen(source), source, "t") != 0 || lua_pcall(L, 0, LUA_MULTRET, 0) != 0) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Error executing lua chunk! '%s'", errorText(L));
        lua_settop(L, top);
        return false;
    }
    lua_settop(L, top);
    return true;
}

bool LuaRuntime::callBuild() {
    if (!callGlobal(L, "build", nullptr, 1, kBuildSeconds)) return false;
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
    callGlobal(L, "update", &argument, 0, kUpdateSeconds);
}

void LuaRuntime::callRender(float time) {
    profile::Scope timed(profile::kLuaRender);
    double argument = time;
    callGlobal(L, "render", &argument, 0, kRenderSeconds);
}

void LuaRuntime::close() {
    if (L) lua_close(L);
    L = nullptr;
}
