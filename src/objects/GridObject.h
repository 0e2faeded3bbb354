// The large flat wireframe grid ("grid"): a static mesh in the XZ plane that
// its vertex shader displaces with a noise texture under the "Grid." tracks.
// Relies on the shader and texture managers, the sync device and the scene.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/Texture.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <cstdint>

inline constexpr int kGridType = 3;

class GridObject : public SceneObject {
public:
    // The factory makes 64 cells of 8 units: 512 units each way.
    GridObject(uint32_t cellCount, float cellSize) : cellCount(cellCount), cellSize(cellSize) {}
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kGridType; }

    Mesh mesh;
    DrawState draw;
    uint32_t cellCount;
    float cellSize;
    Scene* scene = nullptr;
    Texture noiseTexture;
};
