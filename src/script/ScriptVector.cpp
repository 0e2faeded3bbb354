// vector3 values for scripts: three floats in a userdata, immutable from Lua;
// every operation makes a new vector. The vector must be the left operand of
// * and /, as a number on the left fails the vector check on argument 1.
#include "script/ScriptModule.h"

#include <lua.hpp>

#include <cmath>

namespace {
const char* const kVectorMetatable = "taviq.vector3";

int vectorNew(lua_State* L) {
    float x = static_cast<float>(luaL_checknumber(L, 1));
    float y = static_cast<float>(luaL_checknumber(L, 2));
    float z = static_cast<float>(luaL_checknumber(L, 3));
    ScriptModule::pushVector(L, glm::vec3(x, y, z));
    return 1;
}

int vectorAdd(lua_State* L) {
    glm::vec3 a = ScriptModule::checkVector(L, 1);
    glm::vec3 b = ScriptModule::checkVector(L, 2);
    ScriptModule::pushVector(L, a + b);
    return 1;
}

int vectorSub(lua_State* L) {
    glm::vec3 a = ScriptModule::checkVector(L, 1);
    glm::vec3 b = ScriptModule::checkVector(L, 2);
    ScriptModule::pushVector(L, a - b);
    return 1;
}

int vectorMul(lua_State* L) {
    glm::vec3 a = ScriptModule::checkVector(L, 1);
    float f = static_cast<float>(luaL_checknumber(L, 2));
    ScriptModule::pushVector(L, a * f);
    return 1;
}

int vectorDiv(lua_State* L) {
    glm::vec3 a = ScriptModule::checkVector(L, 1);
    float f = static_cast<float>(luaL_checknumber(L, 2));
    ScriptModule::pushVector(L, a / f);
    return 1;
}

// No guard for the zero vector: its components become non-finite.
int vectorNormalize(lua_State* L) {
    glm::vec3 a = ScriptModule::checkVector(L, 1);
    ScriptModule::pushVector(L, a * (1.0f / std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z)));
    return 1;
}

const luaL_Reg kVectorMethods[] = {
    {"__add", vectorAdd}, {"__sub", vectorSub},           {"__mul", vectorMul},
    {"__div", vectorDiv}, {"normalize", vectorNormalize}, {nullptr, nullptr},
};

const luaL_Reg kVectorFunctions[] = {
    {"new", vectorNew},
    {nullptr, nullptr},
};
} // namespace

namespace ScriptModule {

void pushVector(lua_State* L, const glm::vec3& v) {
    auto* data = static_cast<float*>(lua_newuserdata(L, 3 * sizeof(float)));
    data[0] = v.x;
    data[1] = v.y;
    data[2] = v.z;
    luaL_getmetatable(L, kVectorMetatable);
    lua_setmetatable(L, -2);
}

glm::vec3 checkVector(lua_State* L, int index) {
    auto* data = static_cast<const float*>(testUserdata(L, index, kVectorMetatable, 3 * sizeof(float)));
    if (!data) luaL_argerror(L, index, "'vector3' expected");
    return glm::vec3(data[0], data[1], data[2]);
}

void registerVector(lua_State* L) {
    registerMetatable(L, kVectorMetatable, kVectorMethods);
    luaL_register(L, "vector3", kVectorFunctions);
}

} // namespace ScriptModule
