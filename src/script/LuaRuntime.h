// The engine's one Lua state (LuaJIT, Lua 5.1 API) with its libraries, and the
// protocol by which the engine runs the scene script: the chunk, then the
// script's global build, update and render. Every failure is one log line.
#pragma once

struct lua_State;

// Longest a call into the script may run before it is ended with a Lua error.
inline constexpr double kChunkSeconds = 2.0;
inline constexpr double kBuildSeconds = 2.0;
inline constexpr double kUpdateSeconds = 0.5;
inline constexpr double kRenderSeconds = 0.5;

class LuaRuntime {
public:
    // Opens base, table, string, math, debug, bit, jit and the scripting
    // module; no package, io or os, no dofile or loadfile, no debug.sethook.
    // load and loadstring take text only. Script code is interpreted, never
    // compiled (jit.on does nothing), so the call time limits always hold.
    // False when no state can be made.
    bool create();
    // Text only: a binary chunk is refused like a syntax error.
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
