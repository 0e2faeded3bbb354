// A drifting, spinning square outline ("flake"), shown while "Flakes.Visible"
// is above zero and faded by "Flakes.Fade".
#pragma once
#include "objects/DriftingObject.h"

inline constexpr int kFlakeType = 4;

class FlakeObject : public DriftingObject {
public:
    // Draws nothing, children included, while "Flakes.Visible" is off.
    void render(float time, const glm::mat4* parentMatrix) override;
    int getType() const override { return kFlakeType; }
};
