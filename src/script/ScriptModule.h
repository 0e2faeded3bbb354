// The scripting module "taviq": the global tables object, scene, sync, audio, window
// and vector3, and the two userdata types (object handles, vectors). Reaches
// the engine through gEngine. Main thread only, inside Lua calls.
#pragma once
#include <glm/glm.hpp>

#include <cstddef>
#include <vector>

struct lua_State;
struct luaL_Reg;
class SceneObject;
struct ObjectClass;

extern const char* const kScriptModuleName;

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
// object.new: the class named by argument 1, made by its row's maker from the
// arguments after it; an unknown name is a Lua error.
int newObject(lua_State* L);
// The rows of objects/ObjectClasses.def, in its order (the order names are matched).
const std::vector<const ObjectClass*>& objectClasses();

} // namespace ScriptModule
