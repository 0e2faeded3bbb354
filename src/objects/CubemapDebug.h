// A diagnostic quad over the whole target in one flat colour: under a cube
// scene buffer each face gets its own colour (face order and orientation at a
// glance); elsewhere the colour follows the camera's view direction. Built on
// SceneObject, the shader manager and the cube buffer; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <glm/glm.hpp>

// The colour of each cube face, +X, -X, +Y, -Y, +Z, -Z: red, yellow, blue,
// green, magenta, cyan. Faces past the last read as the last.
glm::vec3 cubeFaceColor(uint32_t face);
// Outside a cube buffer: the direction towards the world point (0, 0, -1) in view space.
glm::vec3 viewDirectionColor(const glm::mat4& view);

inline constexpr int kCubemapDebugType = 19;

class CubemapDebug : public SceneObject {
public:
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kCubemapDebugType; }

    Mesh quad;
    DrawState draw;
    Scene* scene = nullptr;
};
