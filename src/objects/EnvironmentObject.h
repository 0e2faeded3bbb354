// The common part of the sphere and the diamond: a position-normal mesh drawn
// with a program that samples a cube map on unit 0 through a clamped sampler,
// the static sky cube map requested from the texture manager, and one release
// for both. Builds on SceneObject, gfx/Mesh.h and the managers; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/ShaderProgram.h"
#include "gfx/Texture.h"
#include "scene/SceneObject.h"

extern const char* const kSkyboxTexturePath;

class EnvironmentObject : public SceneObject {
public:
    void release() override;

    Mesh mesh;
    ShaderProgram shader;
    GLuint sampler = 0;
    Texture skyboxTexture;
    Scene* scene = nullptr;

protected:
    // Requests the program and the sky cube map, makes the sampler.
    void requestResources(const char* vertexPath, const char* fragmentPath);
    // Binds the vertex array and program, `cubeMap` (or the sky, or its 2D
    // stand-in while it loads) with the sampler on unit 0, and sets the
    // scene's matrices, the model matrix and the camera position.
    void beginDraw(GLuint cubeMap, const glm::mat4& model);
};
