// The two underwater objects: the undersea box (a unit cube seen from inside,
// caustics from the noise texture and the time) and the sea floor (a flat grid
// that its shader shapes into dunes and fogs from the "SeaFloor." tracks).
// Both draw a position-normal mesh with the shared noise texture on unit 0.
// Builds on SolidMeshes, gfx/Mesh.h and the managers; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/ShaderProgram.h"
#include "gfx/Texture.h"
#include "objects/SolidMeshes.h"
#include "scene/SceneObject.h"

#include <cstdint>

extern const char* const kNoiseTexturePath;

class NoiseMeshObject : public SceneObject {
public:
    void release() override;

    Mesh mesh;
    ShaderProgram shader;
    GLuint sampler = 0;
    Texture noiseTexture;
    Scene* scene = nullptr;

protected:
    void buildMesh(Scene* owner, const MeshData& data, const char* vertexPath, const char* fragmentPath);
    // Binds the vertex array, the program and the noise texture on unit 0 as `samplerName`.
    void beginDraw(const char* samplerName);
};

inline constexpr int kUnderseaBoxType = 13;

class UnderseaBox : public NoiseMeshObject {
public:
    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    int getType() const override { return kUnderseaBoxType; }
};

inline constexpr int kSeaFloorGridType = 18;

class SeaFloorGrid : public NoiseMeshObject {
public:
    // gridSize >= 2 (the factory checks).
    SeaFloorGrid(uint32_t gridSize, float spacing) : gridSize(gridSize), spacing(spacing) {}

    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kSeaFloorGridType; }

    uint32_t gridSize;
    float spacing;
    std::vector<float> vertices;  // kept until release
};
