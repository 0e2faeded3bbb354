// Flake: the shared square in cyan, alpha from its sync track.
#include "objects/FlakeObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "sync/EngineTracks.h"

// object.new("flake"): no arguments.
extern const ObjectClass kFlakeObjectRow{"flake", kFlakeType,
    [](ObjectArgs&) -> SceneObject* { return new FlakeObject; }};

void FlakeObject::render(float time, const glm::mat4*) {
    if (!gEngine->syncDevice.getBool(tracks::kFlakesVisible)) return;
    float fade = gEngine->syncDevice.getFloat(tracks::kFlakesFade);
    renderDrifting(flakeData(), 8, glm::vec4(glm::vec3(kCyan), fade), time);
}
