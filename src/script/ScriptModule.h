// The scripting module "taviq": the global tables object, scene, sync, window
// and vector3, and the two userdata types (object handles, vectors). Reaches
// the engine through gEngine. Main thread only, inside Lua calls.
#pragma once
#include <cstdint>
#include <glm/glm.hpp>

#include <cstddef>

struct lua_State;
struct luaL_Reg;
class SceneObject;

extern const char* const kScriptModuleName;  // "taviq"

// Module opener, run like a standard library opener with the module name.
int luaopen_taviq(lua_State* L);

namespace ScriptModule {

// A new handle each call, so two handles of one object compare unequal.
void pushObject(lua_State* L, SceneObject* object);
// Raises "'object' expected" for anything but a handle, and a Lua error when
// the handle's object was released (by a reload or at shutdown).
SceneObject* checkObject(lua_State* L, int index);

void pushVector(lua_State* L, const glm::vec3& v);
// Raises "'vector3' expected" for anything but a vector.
glm::vec3 checkVector(lua_State* L, int index);

// A registry metatable that is its own __index, holding `methods`.
void registerMetatable(lua_State* L, const char* name, const luaL_Reg* methods);

// The userdata at `index` when its metatable is the registry's `metatable`
// and its block is `size` bytes, else null.
void* testUserdata(lua_State* L, int index, const char* metatable, size_t size);

// Raises "'boolean' expected" unless the argument's Lua type is boolean.
bool checkBoolean(lua_State* L, int index);

// The vector3 metatable and table; leaves the table on the stack.
void registerVector(lua_State* L);
// object.new
int newObject(lua_State* L);
// The most one object may take at build (vertices, indices, textures and
// buffers, in memory and on the GPU together): above it object.new refuses the
// object, which would otherwise end the show when the machine runs out. Classes
// whose size their arguments set estimate it from those arguments.
constexpr uint64_t kMaxObjectBytes = 1ull << 30;
// A Lua error naming the class and the size when `bytes` is above kMaxObjectBytes.
void checkObjectSize(lua_State* L, const char* className, uint64_t bytes);

} // namespace ScriptModule
