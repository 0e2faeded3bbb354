// The FFT ocean ("ocean"): an N x N patch whose heights, sideways
// displacements and normals come from OceanWaves every frame, streamed to the
// GPU and drawn as 8 x 8 instances. Reflects the scene's cube buffer (or its
// own cube texture) and samples a noise texture. Relies on the managers, the
// sync device and the scene.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/Texture.h"
#include "objects/DrawState.h"
#include "objects/OceanWaves.h"
#include "scene/SceneObject.h"

inline constexpr int kOceanGridType = 10;

class OceanGrid : public SceneObject {
public:
    // The script factory refuses parameters the waves cannot use.
    explicit OceanGrid(const OceanParameters& parameters) : parameters(parameters) {}
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kOceanGridType; }

    // Advances the waves to `time` and streams the vertices to the GPU.
    void updateWaves(float time);

    OceanParameters parameters;
    Mesh mesh;
    DrawState draw;
    Texture environmentTexture;
    Texture noiseTexture;
    Scene* scene = nullptr;
    OceanWaves waves;
};
