// The radial water disc ("radial_grid"): 3000 units of radius, finest at the
// centre, shaded by the Water shaders with a tiling detail texture and the sky
// cube map. Relies on the shader and texture managers and the scene.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/Texture.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <cstdint>

inline constexpr int kRadialGridType = 8;

class RadialGrid : public SceneObject {
public:
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kRadialGridType; }

    Mesh mesh;
    DrawState draw;
    uint32_t vertexCount = 0;
    uint32_t indexCount = 0;
    Texture waterTexture;
    Texture skyboxTexture;
    Scene* scene = nullptr;
};
