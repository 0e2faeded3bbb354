// The scene tree's root: draws nothing, only passes update and render on.
// Relies on the SceneObject base behaviour.
#pragma once
#include "scene/SceneObject.h"

class SceneRootObject : public SceneObject {
public:
    bool build(Scene*) override { return true; }
    void release() override {}
    int getType() const override { return kSceneRootType; }
};
