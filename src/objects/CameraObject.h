// A camera in the scene ("camera"): owns a free camera and draws the sampled
// camera path as a line strip. The scene and the path editor read and write
// `camera` and `pathPoints`.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/Camera.h"
#include "scene/SceneObject.h"

#include <cstdint>
#include <memory>
#include <vector>

inline constexpr int kCameraObjectType = 20;

class CameraObject : public SceneObject {
public:
    explicit CameraObject(int32_t cameraKind) : cameraKind(cameraKind) {}
    bool build(Scene* scene) override;
    // Draws the path when there is one; children get this object's parent matrix.
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kCameraObjectType; }

    // Replaces the path's vertex data; does nothing for an empty path.
    void uploadPath();

    Mesh mesh;
    DrawState draw;
    int32_t cameraKind;
    std::unique_ptr<Camera> camera;  // kind 1: a FirstPersonCamera
    std::vector<glm::vec3> pathPoints;
    Scene* scene = nullptr;
};
