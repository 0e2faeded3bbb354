// The engine's one Lua state (LuaJIT, Lua 5.1 API) with its libraries, and the
// protocol by which the engine runs the scene script: the chunk, then the
// script's global build, update and render. Every failure is one log line.
#pragma once

struct lua_State;

class LuaRuntime {
public:
    // Opens base, table, string, math, debug, bit, jit and the scripting
    // module; no package, io or os. False when no state can be made.
    bool create();
    bool runChunk(const char* source);
    // The script's build() result; false on an error or a non-boolean result.
    bool callBuild();
    void callUpdate(float step);
    void callRender(float time);
    void close();

    lua_State* state() const { return L; }

private:
    lua_State* L = nullptr;
};
