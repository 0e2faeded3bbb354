// object.new: makes a scene object from its class name and the script's
// construction arguments. Every argument is read before anything is
// allocated, so a bad argument creates nothing. The scene keeps each new
// object so that one never linked into the tree is still freed.
#include "script/ScriptModule.h"

#include "core/Engine.h"
#include "objects/CameraObject.h"
#include "objects/FlakeObject.h"
#include "objects/NeedleObject.h"
#include "objects/RingObject.h"
#include "objects/WireframeCubeObject.h"

#include <lua.hpp>

#include <cstring>

namespace {
using Maker = SceneObject* (*)(lua_State* L);

struct FactoryEntry {
    const char* className;
    Maker make;  // null until the class exists in this engine
};

SceneObject* makeCube(lua_State*) { return new WireframeCubeObject; }

SceneObject* makeFlake(lua_State*) { return new FlakeObject; }

SceneObject* makeNeedle(lua_State*) { return new NeedleObject; }

SceneObject* makeRing(lua_State* L) {
    float radius = static_cast<float>(luaL_checknumber(L, 2));
    float step = static_cast<float>(luaL_checknumber(L, 3));
    // 360 / step vertices: a step outside (0, 360] would ask for none or for billions.
    if (!(step > 0.0f && step <= 360.0f)) luaL_argerror(L, 3, "ring step must be above 0 and at most 360 degrees");
    return new RingObject(radius, step);
}

SceneObject* makeCamera(lua_State*) { return new CameraObject(1); }

// Class names in the order they are matched.
const FactoryEntry kFactory[] = {
    {"cube", makeCube},
    {"grid", nullptr},
    {"flake", makeFlake},
    {"boids", nullptr},
    {"needle", makeNeedle},
    {"ring", makeRing},
    {"radial_grid", nullptr},
    {"skybox", nullptr},
    {"ocean", nullptr},
    {"skydome", nullptr},
    {"sphere", nullptr},
    {"underseaBox", nullptr},
    {"texturedModel", nullptr},
    {"particleCloud", nullptr},
    {"sceneBuffer", nullptr},
    {"sceneCubeBuffer", nullptr},
    {"seaFloorGrid", nullptr},
    {"cubemapDebug", nullptr},
    {"camera", makeCamera},
    {"model", nullptr},
    {"diamond", nullptr},
};
} // namespace

namespace ScriptModule {

int newObject(lua_State* L) {
    const char* className = luaL_checklstring(L, 1, nullptr);
    for (const FactoryEntry& entry : kFactory) {
        if (std::strcmp(entry.className, className) != 0 || !entry.make) continue;
        SceneObject* object = entry.make(L);
        gEngine->scene.trackScriptObject(object);
        pushObject(L, object);
        return 1;
    }
    return luaL_error(L, "Error creating new scene object. Class '%s' not found!", className);
}

} // namespace ScriptModule
