// A unit cube outline in the scene ("cube"), drawn with the Wireframe program.
// Relies on the shader manager for its program and the scene for its camera.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

inline constexpr int kWireframeCubeType = 2;

class WireframeCubeObject : public SceneObject {
public:
    WireframeCubeObject() = default;
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kWireframeCubeType; }

    Mesh mesh;
    DrawState draw;
    Scene* scene = nullptr;
};
