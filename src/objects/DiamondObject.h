// A round brilliant-cut gem from "res/models/Round_Diamond_03.exm", refracting
// and sparkling in the static sky cube map. Builds on EnvironmentObject and
// the .exm loader; main thread only.
#pragma once
#include "gfx/Exm.h"
#include "objects/EnvironmentObject.h"

inline constexpr int kDiamondType = 22;

class DiamondObject : public EnvironmentObject {
public:
    // False with "Failed to load model exm!" when the model is missing or malformed.
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    int getType() const override { return kDiamondType; }

    ExmModel model;  // only the counts remain after build
};
