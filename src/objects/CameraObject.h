// A camera in the scene ("camera"): draws the sampled camera path as a line
// strip. The scene's path editing writes `pathPoints` and its path playback
// reads them; `camera` (a free camera for kind 1) is made at build and read by
// nothing: the scene flies its own free camera along the path.
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
