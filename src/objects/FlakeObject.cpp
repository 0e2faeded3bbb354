// Flake: the shared square in cyan, alpha from its sync track.
#include "objects/FlakeObject.h"

#include "core/Engine.h"
#include "objects/ShowAssets.h"

void FlakeObject::render(float time, const glm::mat4*) {
    if (!gEngine->syncDevice.getBool("Flakes.Visible")) return;
    float fade = gEngine->syncDevice.getFloat("Flakes.Fade");
    renderDrifting(flakeData(), 8, glm::vec4(glm::vec3(kCyan), fade), time);
}
