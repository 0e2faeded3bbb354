// A school of 128 fish: the Flock steps on the CPU, and one instanced draw of
// "res/models/Fish.exm" places every fish by its matrix, read by the shader
// from a buffer texture (one RGBA32F texel per column). Builds on Flock,
// gfx/Mesh.h and the model and shader managers; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "objects/DrawState.h"
#include "objects/Flock.h"
#include "scene/SceneObject.h"

constexpr size_t kFlockSize = 128;  // also the instance count and the matrix buffer's size in matrices

inline constexpr int kBoidsType = 5;

class BoidsObject : public SceneObject {
public:
    // False with "Failed to load model exm!" when the fish model is missing or malformed.
    bool build(Scene* scene) override;
    // Steps the flock and, for a non-zero step, refreshes the matrices. Children are not updated.
    void update(float step) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kBoidsType; }

    Mesh mesh;
    DrawState draw;
    Flock flock;
    GLuint matrixBuffer = 0;
    GLuint matrixTexture = 0;
    Scene* scene = nullptr;
};
