// object.new: makes a scene object from its class name and the script's
// construction arguments. The classes and their rows come from
// objects/ObjectClasses.def; each row's maker reads every argument before it
// allocates, so a bad argument creates nothing. The scene keeps each new
// object so that one never linked into the tree is still freed.
#include "script/ScriptModule.h"
#include "script/ScriptDeadline.h"

#include "app/Engine.h"

#include <lua.hpp>

#include <cstdlib>
#include <cstring>
#include <string>

#define OBJECT_CLASS(Class) extern const ObjectClass k##Class##Row;
#include "objects/ObjectClasses.def"
#undef OBJECT_CLASS

namespace {

// The call's arguments as Lua gives them, with Lua's own argument errors.
class LuaObjectArgs final : public ObjectArgs {
public:
    explicit LuaObjectArgs(lua_State* L) : L(L) {}
    double number(int index) override { return luaL_checknumber(L, index); }
    int64_t integer(int index) override { return luaL_checkinteger(L, index); }
    std::string string(int index) override { return luaL_checklstring(L, index, nullptr); }
    bool boolean(int index) override { return ScriptModule::checkBoolean(L, index); }
    glm::vec3 vector(int index) override { return ScriptModule::checkVector(L, index); }
    [[noreturn]] void refuse(int index, const char* message) override {
        luaL_argerror(L, index, message);
        std::abort();  // not reached: the argument error unwinds to the script's caller
    }

private:
    lua_State* L;
};

} // namespace

namespace ScriptModule {

const std::vector<const ObjectClass*>& objectClasses() {
    static const std::vector<const ObjectClass*> rows = {
#define OBJECT_CLASS(Class) &k##Class##Row,
#include "objects/ObjectClasses.def"
#undef OBJECT_CLASS
    };
    return rows;
}

int newObject(lua_State* L) {
    const char* className = luaL_checklstring(L, 1, nullptr);
    for (const ObjectClass* row : objectClasses()) {
        if (std::strcmp(row->name, className) != 0) continue;
        // Construction can be heavy (particle counts, meshes); it is engine work.
        EngineWorkScope engineWork(L);
        LuaObjectArgs args(L);
        SceneObject* object = row->make(args);
        gEngine->scene.trackScriptObject(object);
        pushObject(L, object);
        return 1;
    }
    return luaL_error(L, "Error creating new scene object. Class '%s' not found!", className);
}

} // namespace ScriptModule
