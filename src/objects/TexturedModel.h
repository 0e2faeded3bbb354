// A mesh from an .exm file with texture coordinates (position, uv, normal:
// 8 floats a vertex), lit by the sun and drawn with "res/shaders/TexturedLit.*",
// a colour texture the script names and the shared noise texture. Keeps its own
// copies of the paths. Builds on gfx/Mesh.h and the model, shader and texture
// managers; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/Texture.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <string>

inline constexpr int kTexturedModelType = 14;

class TexturedModel : public SceneObject {
public:
    TexturedModel(std::string modelPath, std::string texturePath)
        : modelPath(std::move(modelPath)), texturePath(std::move(texturePath)) {}

    // False with "Failed to load textured model exm!" when the model is missing or malformed.
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kTexturedModelType; }

    Mesh mesh;
    DrawState draw;
    std::string modelPath;
    std::string texturePath;
    Texture diffuseTexture;
    Texture noiseTexture;
    Scene* scene = nullptr;
};
