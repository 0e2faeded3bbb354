// The time limit of one call into the script: a deadline checked by LuaJIT's
// instruction-count hook, which stands still while the engine works for the
// script. Main thread only; calls may nest.
#pragma once
#include <chrono>

struct lua_State;

// The limits count the script's own time: engine work it asks for (drawing,
// updating, making objects, the post chain) is left out, however heavy the
// scene. A call that is almost all engine work, such as an endless loop of
// draws, is still ended once its wall time passes this many times its limit
// (15 s for render): far beyond any frame a show can play, yet it ends.
inline constexpr double kWallTimePerLimit = 30.0;
// On top of that a call may take this many times its longest single engine
// call: a capture of a heavy scene on a software rasteriser draws one frame for
// longer than any fixed bound, while an endless loop of such draws still ends
// after a few of them.
inline constexpr int kLongestEngineCallsAllowed = 4;

// Sets the deadline for one call and restores the enclosing one after it.
// The hook is armed again each time, whatever the script did to it.
class ScriptDeadline {
public:
    ScriptDeadline(lua_State* L, double seconds);
    ~ScriptDeadline();
    ScriptDeadline(const ScriptDeadline&) = delete;
    ScriptDeadline& operator=(const ScriptDeadline&) = delete;

    // True once the running call is out of time (false outside any call).
    static bool passed();

    using Clock = std::chrono::steady_clock;
    // `at` moves later by the time spent in engine work; `wallAt` never moves
    // (the call ends there plus kLongestEngineCallsAllowed longest engine calls).
    struct State {
        bool active = false;
        Clock::time_point at;
        Clock::time_point wallAt;
        double seconds = 0.0;
        int engineDepth = 0;
        Clock::time_point engineSince;
        Clock::duration longestEngineCall{};
        bool hookAtNextInstruction = false;
    };

private:
    State previous;
};

// Marks engine work done for the script: while one is alive (the outermost
// counts) the running call's limit stands still, and the script's next
// instruction looks at the clock.
class EngineWorkScope {
public:
    explicit EngineWorkScope(lua_State* L);
    ~EngineWorkScope();
    EngineWorkScope(const EngineWorkScope&) = delete;
    EngineWorkScope& operator=(const EngineWorkScope&) = delete;

private:
    lua_State* L;
};
