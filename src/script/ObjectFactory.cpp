// object.new: makes a scene object from its class name and the script's
// construction arguments. Every argument is read before anything is
// allocated, so a bad argument creates nothing. The scene keeps each new
// object so that one never linked into the tree is still freed.
#include "script/ScriptModule.h"

#include "core/Engine.h"
#include "objects/CameraObject.h"
#include "objects/CubemapDebug.h"
#include "objects/FlakeObject.h"
#include "objects/NeedleObject.h"
#include "objects/RingObject.h"
#include "objects/WireframeCubeObject.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"

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

int32_t checkInt(lua_State* L, int index) { return static_cast<int32_t>(luaL_checkinteger(L, index)); }

// Colour formats of scene buffers, by their exact names.
GLenum checkColorFormat(lua_State* L, int index) {
    const char* format = luaL_checklstring(L, index, nullptr);
    if (std::strcmp(format, "RGBA") == 0) return GL_RGBA;
    if (std::strcmp(format, "RGBA16F") == 0) return GL_RGBA16F;
    luaL_argerror(L, index, "'RGBA or RGBA16F' expected");
    return GL_NONE;  // not reached: the argument error does not return
}

SceneObject* makeSceneBuffer(lua_State* L) {
    int32_t width = checkInt(L, 2);
    int32_t height = checkInt(L, 3);
    int32_t colorCount = checkInt(L, 4);
    bool withDepth = ScriptModule::checkBoolean(L, 5);
    GLenum format = checkColorFormat(L, 6);
    int32_t samples = checkInt(L, 7);
    return new SceneBufferObject(width, height, colorCount, withDepth, format, samples);
}

SceneObject* makeSceneCubeBuffer(lua_State* L) {
    int32_t faceWidth = checkInt(L, 2);
    int32_t faceHeight = checkInt(L, 3);
    GLenum format = checkColorFormat(L, 4);
    return new SceneCubeBufferObject(faceWidth, faceHeight, format);
}

SceneObject* makeCubemapDebug(lua_State*) { return new CubemapDebug; }

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
    {"sceneBuffer", makeSceneBuffer},
    {"sceneCubeBuffer", makeSceneCubeBuffer},
    {"seaFloorGrid", nullptr},
    {"cubemapDebug", makeCubemapDebug},
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
