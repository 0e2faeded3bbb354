// A drifting, spinning vertical line ("needle") faded by "Needles.Fade".
#pragma once
#include "objects/DriftingObject.h"

inline constexpr int kNeedleType = 7;

class NeedleObject : public DriftingObject {
public:
    void render(float time, const glm::mat4* parentMatrix) override;
    int getType() const override { return kNeedleType; }
};
