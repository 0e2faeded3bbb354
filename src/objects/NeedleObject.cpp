// Needle: the shared two-vertex shape in yellow, alpha from its sync track.
#include "objects/NeedleObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "sync/EngineTracks.h"

// object.new("needle"): no arguments.
extern const ObjectClass kNeedleObjectRow{"needle", kNeedleType,
    [](ObjectArgs&) -> SceneObject* { return new NeedleObject; }};

void NeedleObject::render(float time, const glm::mat4*) {
    float fade = gEngine->syncDevice.getFloat(tracks::kNeedlesFade);
    renderDrifting(needleData(), 2, glm::vec4(glm::vec3(kYellow), fade), time);
}
