// Object handles, the object methods and the object, scene, sync and window
// tables. The calls that do real engine work mark it with an EngineWorkScope,
// so it does not count against the script's time limits; cheap accessors are
// the script's own time. A handle carries the object's serial number beside
// its pointer, so a handle kept across a reload raises an error instead of
// reaching freed memory.
#include "script/ScriptModule.h"

#include "app/Engine.h"
#include "core/Profile.h"
#include "script/ScriptDeadline.h"
#include "scene/SceneRootObject.h"

#include <lua.hpp>

#include <cstdint>
#include <vector>

const char* const kScriptModuleName = "taviq";

namespace {
const char* const kObjectMetatable = "taviq.object";

struct ObjectHandle {
    int type;
    SceneObject* object;
    uint64_t serial;
};

const glm::mat4 kIdentity(1.0f);

int objectAddChild(lua_State* L) {
    SceneObject* parent = ScriptModule::checkObject(L, 1);
    SceneObject* child = ScriptModule::checkObject(L, 2);
    switch (addChild(parent, child)) {
    case LinkResult::Linked:
        return 0;
    case LinkResult::ChildHasParent:
        return luaL_error(L, "addChild: the child already has a parent");
    case LinkResult::ChildIsRoot:
        return luaL_error(L, "addChild: the scene root cannot be a child");
    case LinkResult::ChildIsParent:
        return luaL_error(L, "addChild: an object cannot be its own child");
    case LinkResult::ChildIsAncestor:
        return luaL_error(L, "addChild: the child is an ancestor of the parent");
    case LinkResult::TreeTooDeep:
        return luaL_error(L, "addChild: the tree would be deeper than %d levels", kMaxTreeLevels);
    }
    return 0;
}

int objectRemoveChild(lua_State* L) {
    SceneObject* parent = ScriptModule::checkObject(L, 1);
    SceneObject* child = ScriptModule::checkObject(L, 2);
    lua_pushboolean(L, removeChild(parent, child));
    return 1;
}

// Position, rotation and scale are read and written the same way.
template <glm::vec3 SceneObject::*Field>
int objectGetVector(lua_State* L) {
    ScriptModule::pushVector(L, ScriptModule::checkObject(L, 1)->*Field);
    return 1;
}

template <glm::vec3 SceneObject::*Field>
int objectSetVector(lua_State* L) {
    SceneObject* object = ScriptModule::checkObject(L, 1);
    object->*Field = ScriptModule::checkVector(L, 2);
    return 0;
}

int objectGetVisible(lua_State* L) {
    lua_pushboolean(L, ScriptModule::checkObject(L, 1)->visible);
    return 1;
}

int objectSetVisible(lua_State* L) {
    SceneObject* object = ScriptModule::checkObject(L, 1);
    object->visible = ScriptModule::checkBoolean(L, 2);
    return 0;
}

int objectRender(lua_State* L) {
    SceneObject* object = ScriptModule::checkObject(L, 1);
    float time = static_cast<float>(luaL_checknumber(L, 2));
    EngineWorkScope engineWork(L);
    profile::Scope timed(profile::kTreeWalk);
    object->render(time, &kIdentity);
    return 0;
}

int objectUpdate(lua_State* L) {
    SceneObject* object = ScriptModule::checkObject(L, 1);
    float step = static_cast<float>(luaL_checknumber(L, 2));
    EngineWorkScope engineWork(L);
    profile::Scope timed(profile::kTreeWalk);
    object->update(step);
    return 0;
}

const luaL_Reg kObjectMethods[] = {
    {"addChild", objectAddChild},       {"removeChild", objectRemoveChild},
    {"getPosition", objectGetVector<&SceneObject::position>},
    {"setPosition", objectSetVector<&SceneObject::position>},
    {"getRotation", objectGetVector<&SceneObject::rotation>},
    {"setRotation", objectSetVector<&SceneObject::rotation>},
    {"getScale", objectGetVector<&SceneObject::scale>},
    {"setScale", objectSetVector<&SceneObject::scale>},
    {"getVisible", objectGetVisible},   {"setVisible", objectSetVisible},
    {"render", objectRender},           {"update", objectUpdate},
    {nullptr, nullptr},
};

const luaL_Reg kObjectFunctions[] = {
    {"new", ScriptModule::newObject},
    {nullptr, nullptr},
};

int sceneGetRoot(lua_State* L) {
    SceneObject* root = gEngine->scene.root;
    if (root)
        ScriptModule::pushObject(L, root);
    else
        lua_pushnil(L);
    return 1;
}

int sceneGetSunPosition(lua_State* L) {
    ScriptModule::pushVector(L, gEngine->scene.sunPosition);
    return 1;
}

int scenePostProcessBufferNode(lua_State* L) {
    SceneObject* node = ScriptModule::checkObject(L, 1);
    EngineWorkScope engineWork(L);
    gEngine->scene.postProcessBufferNode(node);
    return 0;
}

int sceneSetActiveCamera(lua_State* L) {
    gEngine->scene.activeCamera = ScriptModule::checkObject(L, 1);
    return 0;
}

// A camera path written in the script, for shows that play one without a
// controller: a table of at least 4 vectors, sampled into the active camera
// object (which must be set first).
int sceneSetCameraPath(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    std::vector<glm::vec3> points;
    for (int i = 1;; ++i) {
        lua_rawgeti(L, 1, i);
        if (lua_isnil(L, -1)) break;
        auto* v = static_cast<const float*>(ScriptModule::testUserdata(L, -1, "taviq.vector3", 3 * sizeof(float)));
        if (!v) return luaL_argerror(L, 1, "vector3 points expected");
        points.emplace_back(v[0], v[1], v[2]);
        lua_pop(L, 1);
    }
    CameraPathEdit result;
    {
        EngineWorkScope engineWork(L);
        result = gEngine->scene.setCameraPath(points);
    }
    switch (result) {
    case CameraPathEdit::TooFewPoints:
        return luaL_argerror(L, 1, "at least 4 points expected");
    case CameraPathEdit::NoCameraObject:
        return luaL_error(L, "no camera object was set with scene.setActiveCamera");
    default:
        break;
    }
    return 0;
}

const luaL_Reg kSceneFunctions[] = {
    {"getRoot", sceneGetRoot},
    {"getSunPosition", sceneGetSunPosition},
    {"postProcessBufferNode", scenePostProcessBufferNode},
    {"setActiveCamera", sceneSetActiveCamera},
    {"setCameraPath", sceneSetCameraPath},
    {nullptr, nullptr},
};

int syncGetFloat(lua_State* L) {
    const char* name = luaL_checklstring(L, 1, nullptr);
    lua_pushnumber(L, gEngine->syncDevice.getFloat(name));
    return 1;
}

int syncGetBool(lua_State* L) {
    const char* name = luaL_checklstring(L, 1, nullptr);
    lua_pushboolean(L, gEngine->syncDevice.getBool(name));
    return 1;
}

int syncGetInt(lua_State* L) {
    const char* name = luaL_checklstring(L, 1, nullptr);
    lua_pushinteger(L, gEngine->syncDevice.getInt(name));
    return 1;
}

const luaL_Reg kSyncFunctions[] = {
    {"getFloat", syncGetFloat},
    {"getBool", syncGetBool},
    {"getInt", syncGetInt},
    {nullptr, nullptr},
};

int windowGetWidth(lua_State* L) {
    lua_pushinteger(L, gEngine->window.getWidth());
    return 1;
}

int windowGetHeight(lua_State* L) {
    lua_pushinteger(L, gEngine->window.getHeight());
    return 1;
}

int windowGetFSAALevel(lua_State* L) {
    lua_pushinteger(L, gEngine->window.getMultisampleCount());
    return 1;
}

const luaL_Reg kWindowFunctions[] = {
    {"getWidth", windowGetWidth},
    {"getHeight", windowGetHeight},
    {"getFSAALevel", windowGetFSAALevel},
    {nullptr, nullptr},
};

void registerTable(lua_State* L, const char* name, const luaL_Reg* functions) {
    luaL_register(L, name, functions);
    lua_pop(L, 1);
}
} // namespace

namespace ScriptModule {

void pushObject(lua_State* L, SceneObject* object) {
    auto* handle = static_cast<ObjectHandle*>(lua_newuserdata(L, sizeof(ObjectHandle)));
    handle->type = object->getType();
    handle->object = object;
    handle->serial = object->getSerial();
    luaL_getmetatable(L, kObjectMetatable);
    lua_setmetatable(L, -2);
}

// luaL_checkudata of Lua 5.1 words its own error; ours names the kind. The
// size is checked too: with the debug library a script can give any userdata
// (a vector, a newproxy()) the metatable of another kind.
void* testUserdata(lua_State* L, int index, const char* metatable, size_t size) {
    void* data = lua_touserdata(L, index);
    if (!data || lua_type(L, index) != LUA_TUSERDATA || lua_objlen(L, index) != size) return nullptr;
    if (!lua_getmetatable(L, index)) return nullptr;
    lua_getfield(L, LUA_REGISTRYINDEX, metatable);
    bool same = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    return same ? data : nullptr;
}

SceneObject* checkObject(lua_State* L, int index) {
    auto* handle = static_cast<ObjectHandle*>(testUserdata(L, index, kObjectMetatable, sizeof(ObjectHandle)));
    if (!handle) luaL_argerror(L, index, "'object' expected");
    if (SceneObject::findLive(handle->serial) != handle->object)
        luaL_argerror(L, index, "scene object was released (handles do not outlive a scene reload)");
    return handle->object;
}

void registerMetatable(lua_State* L, const char* name, const luaL_Reg* methods) {
    luaL_newmetatable(L, name);
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    luaL_register(L, nullptr, methods);
    lua_pop(L, 1);
}

bool checkBoolean(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TBOOLEAN) luaL_argerror(L, index, "'boolean' expected");
    return lua_toboolean(L, index) != 0;
}

} // namespace ScriptModule

int luaopen_taviq(lua_State* L) {
    ScriptModule::registerMetatable(L, kObjectMetatable, kObjectMethods);

    registerTable(L, "object", kObjectFunctions);
    registerTable(L, "scene", kSceneFunctions);
    registerTable(L, "sync", kSyncFunctions);
    registerTable(L, "window", kWindowFunctions);

    ScriptModule::registerVector(L);
    return 1;
}
