// Script deadlines: one state for the running call, saved and restored around
// nested calls; the hook raises the limit's error, once per instruction after
// the deadline so that a pcall cannot swallow it for long.
#include "script/ScriptDeadline.h"

#include <lua.hpp>

#include <algorithm>

namespace {
using Clock = ScriptDeadline::Clock;

// Instructions between two looks at the clock: about ten microseconds of
// interpreted code, so an overrun is caught long before anyone notices.
constexpr int kInstructionsPerCheck = 1000;

thread_local ScriptDeadline::State current;

enum class Overrun { None, Script, WallTime };

Clock::time_point wallDeadline() { return current.wallAt + kLongestEngineCallsAllowed * current.longestEngineCall; }

Overrun overrun() {
    if (!current.active) return Overrun::None;
    const Clock::time_point now = Clock::now();
    if (now > wallDeadline()) return Overrun::WallTime;
    if (current.engineDepth == 0 && now > current.at) return Overrun::Script;
    return Overrun::None;
}

// Once the deadline has passed the hook runs at every instruction and raises
// each time, so a pcall that catches the error is left at its caller's next
// instruction. After engine work it runs at the next instruction once, since a
// loop of long engine calls can take seconds to reach the usual count.
void deadlineHook(lua_State* L, lua_Debug*) {
    const Overrun kind = overrun();
    if (kind == Overrun::None) {
        if (current.hookAtNextInstruction) {
            current.hookAtNextInstruction = false;
            lua_sethook(L, deadlineHook, LUA_MASKCOUNT, kInstructionsPerCheck);
        }
        return;
    }
    lua_sethook(L, deadlineHook, LUA_MASKCOUNT, 1);
    if (kind == Overrun::Script) luaL_error(L, "script ran longer than its %f s limit", current.seconds);
    const double allowed = current.seconds * kWallTimePerLimit +
                           kLongestEngineCallsAllowed * std::chrono::duration<double>(current.longestEngineCall).count();
    luaL_error(L, "script and the engine work it asked for ran longer than %f s", allowed);
}

Clock::duration toDuration(double seconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}
} // namespace

ScriptDeadline::ScriptDeadline(lua_State* L, double seconds) : previous(current) {
    const Clock::time_point now = Clock::now();
    current = State{};
    current.active = true;
    current.at = now + toDuration(seconds);
    current.wallAt = now + toDuration(seconds * kWallTimePerLimit);
    current.seconds = seconds;
    lua_sethook(L, deadlineHook, LUA_MASKCOUNT, kInstructionsPerCheck);
}

ScriptDeadline::~ScriptDeadline() { current = previous; }

bool ScriptDeadline::passed() { return overrun() != Overrun::None; }

EngineWorkScope::EngineWorkScope(lua_State* L) : L(L) {
    if (current.engineDepth++ == 0) current.engineSince = Clock::now();
}

EngineWorkScope::~EngineWorkScope() {
    if (--current.engineDepth > 0 || !current.active) return;
    const Clock::duration spent = Clock::now() - current.engineSince;
    current.at += spent;
    current.longestEngineCall = std::max(current.longestEngineCall, spent);
    current.hookAtNextInstruction = true;
    lua_sethook(L, deadlineHook, LUA_MASKCOUNT, 1);
}
