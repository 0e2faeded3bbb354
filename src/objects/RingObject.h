// A circle of line segments in the XY plane ("ring"), one vertex every
// `stepDegrees`. Relies on the shader manager and the scene like the cube.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <cstdint>

inline constexpr int kRingType = 6;

class RingObject : public SceneObject {
public:
    // The step must lie in (0, 360]; the script factory refuses other values.
    RingObject(float radius, float stepDegrees) : radius(radius), stepDegrees(stepDegrees) {}
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kRingType; }
    // Bytes build takes for this step, before anything is made.
    static uint64_t memoryEstimate(float stepDegrees);

    Mesh mesh;
    DrawState draw;
    uint32_t segmentCount = 0;
    float radius;
    float stepDegrees;
    float drawFraction = 1.0f;
    Scene* scene = nullptr;
};
