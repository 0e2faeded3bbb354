// A chrome latitude-longitude sphere: reflects the cube map of the first cube
// scene buffer at the top of the scene tree, or the static sky when there is
// none, lit by the scene's sun. Mesh from SolidMeshes; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <cstdint>

inline constexpr int kSphereType = 12;

class SphereObject : public SceneObject {
public:
    // rings >= 2, sectors >= 1 (the factory checks).
    SphereObject(uint32_t rings, uint32_t sectors, float radius) : rings(rings), sectors(sectors), radius(radius) {}

    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kSphereType; }

    Mesh mesh;
    DrawState draw;
    Texture skyboxTexture;
    Scene* scene = nullptr;
    uint32_t vertexCount = 0;
    uint32_t indexCount = 0;
    uint32_t rings;
    uint32_t sectors;
    float radius;
};
