// The two underwater objects: the undersea box (a unit cube seen from inside,
// caustics from the noise texture and the time) and the sea floor (a flat grid
// that its shader shapes into dunes and fogs from the "SeaFloor." tracks).
// Both draw a position-normal mesh with the shared noise texture on unit 0 and
// take the face camera under a cube scene buffer. Builds on SolidMeshes and the
// drawing piece; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <cstdint>
#include <vector>

inline constexpr int kUnderseaBoxType = 13;

class UnderseaBox : public SceneObject {
public:
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kUnderseaBoxType; }

    Mesh mesh;
    DrawState draw;
    Texture noiseTexture;
    Scene* scene = nullptr;
};

inline constexpr int kSeaFloorGridType = 18;

class SeaFloorGrid : public SceneObject {
public:
    // gridSize >= 2 (the factory checks).
    SeaFloorGrid(uint32_t gridSize, float spacing) : gridSize(gridSize), spacing(spacing) {}

    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kSeaFloorGridType; }

    Mesh mesh;
    DrawState draw;
    Texture noiseTexture;
    Scene* scene = nullptr;
    uint32_t gridSize;
    float spacing;
    std::vector<float> vertices;  // kept until release
};
