// The common part of needles and flakes: random drift and spin parameters
// drawn at build time, no GL objects of their own (they draw a shared shape).
#pragma once
#include "objects/DriftMotion.h"
#include "objects/SharedShapeData.h"
#include "scene/SceneObject.h"

class DriftingObject : public SceneObject {
public:
    // Draws this object's parameters: the order of builds decides who gets which.
    bool build(Scene* scene) override;
    void release() override {}

    Scene* scene = nullptr;
    DriftParameters drift;

protected:
    // Draws the shared shape along the drift at `time` in `colour`, then the children.
    void renderDrifting(SharedShape& shape, GLsizei indexCount, const glm::vec4& colour, float time);
};
