// Cost of the script time limits per frame: a frame's worth of script work
// shaped like the shipped show's update and render (vector maths on 17 objects,
// 110 calls into the engine's vector type), timed as the engine runs it
// (interpreted, instruction-count hook armed) and with LuaJIT's compiler back
// on. Prints microseconds per frame for both.
#include "script/LuaRuntime.h"

#include <lua.hpp>

#include <chrono>
#include <cstdio>

namespace {
const char* const kWorkload = R"(
local cubes, rings = {}, {}
for i = 1, 13 do cubes[i] = { rotation = vector3.new(0, 0, 0), size = 1.25 } end
for i = 1, 4 do rings[i] = { spin = 0, tilt = (i - 2.5) * 12 } end
function update(step)
  local spin = 30 * step
  for i, c in ipairs(cubes) do
    local turn = (i == 1) and -0.5 or 1
    c.rotation = c.rotation + vector3.new(spin, spin * 0.7, spin * 0.3) * turn
  end
  for i, r in ipairs(rings) do
    r.spin = r.spin + spin * (i % 2 == 0 and -1 or 1)
    r.rotation = vector3.new(90, r.spin, r.tilt)
  end
end
function render(time)
  local beat = time * 106 / 60
  local pulse = 1 + 0.12 * (1 - beat % 1) ^ 3
  for i, c in ipairs(cubes) do
    local s = c.size * ((i == 1) and 1 or pulse)
    c.scale = vector3.new(s, s, s)
  end
  for i = 1, 96 do local p = vector3.new(math.cos(i), 0, math.sin(i)) * (time % 2.26) end
end
)";

double microsecondsPerFrame(LuaRuntime& lua, int frames) {
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        lua.callUpdate(0.0167f);
        lua.callRender(f / 60.0f);
    }
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / frames;
}
} // namespace

int main() {
    const int frames = 20000;
    LuaRuntime limited;
    if (!limited.create() || !limited.runChunk(kWorkload)) return 1;
    microsecondsPerFrame(limited, 1000);
    const double withLimits = microsecondsPerFrame(limited, frames);

    LuaRuntime compiled;
    if (!compiled.create() || !compiled.runChunk(kWorkload)) return 1;
    lua_State* L = compiled.state();
    luaJIT_setmode(L, 0, LUAJIT_MODE_ENGINE | LUAJIT_MODE_ON);  // what the engine turns off
    microsecondsPerFrame(compiled, 1000);
    const double withJit = microsecondsPerFrame(compiled, frames);
    std::printf("script frame (update + render), %d frames:\n", frames);
    std::printf("  interpreted with time limits: %.2f us per frame\n", withLimits);
    std::printf("  compiler on (hook re-armed per call): %.2f us per frame\n", withJit);
    return 0;
}
