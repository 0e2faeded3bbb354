// object.new: makes a scene object from its class name and the script's
// construction arguments. Every argument is read before anything is
// allocated, so a bad argument creates nothing. The scene keeps each new
// object so that one never linked into the tree is still freed.
#include "script/ScriptModule.h"

#include "app/Engine.h"
#include "objects/BoidsObject.h"
#include "objects/CameraObject.h"
#include "objects/CubemapDebug.h"
#include "objects/DiamondObject.h"
#include "objects/FlakeObject.h"
#include "objects/GridObject.h"
#include "objects/ModelObject.h"
#include "objects/NeedleObject.h"
#include "objects/OceanGrid.h"
#include "objects/ParticleCloud.h"
#include "objects/RadialGrid.h"
#include "objects/RingObject.h"
#include "objects/SkyBox.h"
#include "objects/SkyDome.h"
#include "objects/SphereObject.h"
#include "objects/TexturedModel.h"
#include "objects/UnderseaObjects.h"
#include "objects/WireframeCubeObject.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"

#include <lua.hpp>

#include <cmath>
#include <cstring>
#include <string>

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

SceneObject* makeGrid(lua_State*) { return new GridObject(64, 8.0f); }

SceneObject* makeRadialGrid(lua_State*) { return new RadialGrid; }

SceneObject* makeSkyBox(lua_State* L) { return new SkyBox(luaL_checklstring(L, 2, nullptr)); }

// A count truncated toward zero, refused with `limit` unless it lies in
// [lowest, highest], before it can wrap around as an unsigned value.
uint32_t checkCount(lua_State* L, int index, double lowest, double highest, const char* limit) {
    const double value = std::trunc(luaL_checknumber(L, index));
    if (!(value >= lowest && value <= highest)) luaL_argerror(L, index, limit);
    return static_cast<uint32_t>(value);
}

SceneObject* makeOcean(lua_State* L) {
    // The half-size indexing and the sign pattern need an even N; above 1024
    // the arrays would take gigabytes.
    const char* sizeLimit = "ocean grid size must be even, from 2 to 1024";
    OceanParameters p;
    p.gridSize = checkCount(L, 2, 2.0, 1024.0, sizeLimit);
    if (p.gridSize % 2 != 0) luaL_argerror(L, 2, sizeLimit);
    p.spacing = static_cast<float>(luaL_checknumber(L, 3));
    if (!(std::isfinite(p.spacing) && p.spacing > 0.0f)) luaL_argerror(L, 3, "ocean spacing must be finite and above 0");
    p.amplitude = static_cast<float>(luaL_checknumber(L, 4));
    p.windSpeed = static_cast<float>(luaL_checknumber(L, 5));
    p.windDirection.x = static_cast<float>(luaL_checknumber(L, 6));
    p.windDirection.y = static_cast<float>(luaL_checknumber(L, 7));
    // The direction is normalised: zero (or a length that overflows) has no direction.
    const float length = glm::length(p.windDirection);
    if (!(std::isfinite(length) && length > 0.0f))
        luaL_argerror(L, 6, "ocean wind direction must be finite and not (0, 0)");
    return new OceanGrid(p);
}

SceneObject* makeSkyDome(lua_State* L) {
    // One ring divides zero by zero in the ring angles; the caps need a segment.
    const uint32_t rings = checkCount(L, 2, 2.0, 2048.0, "sky dome rings must be from 2 to 2048");
    const uint32_t segments = checkCount(L, 3, 1.0, 2048.0, "sky dome segments must be from 1 to 2048");
    const float radius = static_cast<float>(luaL_checknumber(L, 4));
    return new SkyDome(rings, segments, radius);
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

SceneObject* makeSphere(lua_State* L) {
    // The ring spacing divides by rings - 1; zero sectors leave nothing to draw.
    uint32_t rings = checkCount(L, 2, 2, 4096, "sphere rings must be from 2 to 4096");
    uint32_t sectors = checkCount(L, 3, 1, 4096, "sphere sectors must be from 1 to 4096");
    float radius = static_cast<float>(luaL_checknumber(L, 4));
    if (!std::isfinite(radius)) luaL_argerror(L, 4, "sphere radius must be finite");
    return new SphereObject(rings, sectors, radius);
}

SceneObject* makeUnderseaBox(lua_State*) { return new UnderseaBox; }

SceneObject* makeSeaFloorGrid(lua_State* L) {
    // 6 x (N - 1)^2 indices: below 2 the count wraps around to billions.
    uint32_t gridSize = checkCount(L, 2, 2, 4096, "sea floor grid size must be from 2 to 4096");
    float spacing = static_cast<float>(luaL_checknumber(L, 3));
    return new SeaFloorGrid(gridSize, spacing);
}

SceneObject* makeBoids(lua_State*) { return new BoidsObject; }

SceneObject* makeParticleCloud(lua_State* L) {
    lua_Integer count = luaL_checkinteger(L, 2);
    if (count < 0 || count > kMaxParticles) luaL_argerror(L, 2, "particle count must be from 0 to 10000000");
    glm::vec3 color = ScriptModule::checkVector(L, 3);
    return new ParticleCloud(static_cast<uint32_t>(count), color);
}

SceneObject* makeModel(lua_State* L) {
    std::string model = luaL_checklstring(L, 2, nullptr);
    std::string vertexShader = luaL_checklstring(L, 3, nullptr);
    std::string fragmentShader = luaL_checklstring(L, 4, nullptr);
    return new ModelObject(model, vertexShader, fragmentShader);
}

SceneObject* makeTexturedModel(lua_State* L) {
    std::string model = luaL_checklstring(L, 2, nullptr);
    std::string texture = luaL_checklstring(L, 3, nullptr);
    return new TexturedModel(model, texture);
}

SceneObject* makeDiamond(lua_State*) { return new DiamondObject; }

// Class names in the order they are matched.
const FactoryEntry kFactory[] = {
    {"cube", makeCube},
    {"grid", makeGrid},
    {"flake", makeFlake},
    {"boids", makeBoids},
    {"needle", makeNeedle},
    {"ring", makeRing},
    {"radial_grid", makeRadialGrid},
    {"skybox", makeSkyBox},
    {"ocean", makeOcean},
    {"skydome", makeSkyDome},
    {"sphere", makeSphere},
    {"underseaBox", makeUnderseaBox},
    {"texturedModel", makeTexturedModel},
    {"particleCloud", makeParticleCloud},
    {"sceneBuffer", makeSceneBuffer},
    {"sceneCubeBuffer", makeSceneCubeBuffer},
    {"seaFloorGrid", makeSeaFloorGrid},
    {"cubemapDebug", makeCubemapDebug},
    {"camera", makeCamera},
    {"model", makeModel},
    {"diamond", makeDiamond},
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
