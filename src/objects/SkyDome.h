// The scattering sky dome ("skydome"): a tessellated sphere whose shader
// computes single scattering from the Rayleigh and Mie coefficients the CPU
// derives from the "Sky." tracks each frame. Under a scene cube buffer it
// takes that buffer's face camera. Relies on the managers, sync and scene.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/Texture.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <cstdint>

inline constexpr int kSkyDomeType = 11;

class SkyDome : public SceneObject {
public:
    // rings >= 2 and segments >= 1: the script factory refuses less.
    SkyDome(uint32_t rings, uint32_t segments, float radius) : rings(rings), segments(segments), radius(radius) {}
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kSkyDomeType; }

    uint32_t rings;
    uint32_t segments;
    float radius;
    Mesh mesh;
    DrawState draw;
    Texture noiseTexture;
    Scene* scene = nullptr;
    uint32_t vertexCount = 0;
    uint32_t indexCount = 0;
};
