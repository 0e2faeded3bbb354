// The sky box ("skybox"): one full-screen quad whose shader turns each pixel
// into a view ray and samples a cube map: the scene's first cube buffer, else
// the script's cross image. Relies on the managers and the scene.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/Texture.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <string>

inline constexpr int kSkyBoxType = 9;

class SkyBox : public SceneObject {
public:
    explicit SkyBox(std::string texturePath) : texturePath(std::move(texturePath)) {}
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kSkyBoxType; }

    Mesh mesh;
    DrawState draw;
    Texture texture;
    Scene* scene = nullptr;
    // Our own copy: the script's string does not outlive the call that made us.
    std::string texturePath;
};
