// A mesh from an .exm file (position and normal, 6 floats a vertex) drawn with
// a vertex and fragment shader that the script names. The object keeps its
// own copies of the paths. Builds on gfx/Mesh.h and the model and shader
// managers (whose reloads swap the mesh and the program in); main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "scene/SceneObject.h"

#include <string>

inline constexpr int kModelObjectType = 21;

class ModelObject : public SceneObject {
public:
    ModelObject(std::string modelPath, std::string vertexShaderPath, std::string fragmentShaderPath)
        : modelPath(std::move(modelPath)), vertexShaderPath(std::move(vertexShaderPath)),
          fragmentShaderPath(std::move(fragmentShaderPath)) {}

    // False with "Failed to load model exm!" when the model is missing or malformed.
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kModelObjectType; }

    Mesh mesh;
    DrawState draw;
    std::string modelPath;
    std::string vertexShaderPath;
    std::string fragmentShaderPath;
    Scene* scene = nullptr;
};
