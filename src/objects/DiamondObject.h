// A round brilliant-cut gem from "res/models/Round_Diamond_03.exm", refracting
// and sparkling in the static sky cube map. Builds on the drawing piece (and
// through it the model manager); main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

inline constexpr int kDiamondType = 22;

class DiamondObject : public SceneObject {
public:
    // False with "Failed to load model exm!" when the model is missing or malformed.
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kDiamondType; }

    Mesh mesh;
    DrawState draw;
    Texture skyboxTexture;
    Scene* scene = nullptr;
};
