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
// The limits count the script's own time: engine work it asks for (drawing,
// updating, making objects, the post chain) is left out, however heavy the
// scene. A call that is almost all engine work, such as an endless loop of
// draws, is still ended once its wall time passes this many times its limit
// (15 s for render): far beyond any frame a show can play, yet it ends.
inline constexpr double kWallTimePerLimit = 30.0;

// Marks engine work done for the script: while one is alive (outermost one
// counts) the running call's limit stands still, and the script's next
// instruction looks at the clock. Main thread only.
class EngineWorkScope {
public:
    explicit EngineWorkScope(lua_State* L);
    ~EngineWorkScope();
    EngineWorkScope(const EngineWorkScope&) = delete;
    EngineWorkScope& operator=(const EngineWorkScope&) = delete;

private:
    lua_State* L;
};

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
