// What the solid and model objects share: uniform setters by name, the two
// sampler kinds they use, meshes uploaded from CPU arrays, and .exm models
// loaded with a check that they fit the layout the object reads them with.
// Builds on gfx/Mesh.h, gfx/Exm.h and the shader program; main thread only.
#pragma once
#include "gfx/Exm.h"
#include "gfx/Mesh.h"
#include "gfx/ShaderProgram.h"
#include "objects/SolidMeshes.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <string>

class Scene;
class SceneObject;
class SceneCubeBufferObject;

namespace SolidDraw {

void setMat4(const ShaderProgram& shader, const char* name, const glm::mat4& value);
void setVec3(const ShaderProgram& shader, const char* name, const glm::vec3& value);
void setVec4(const ShaderProgram& shader, const char* name, const glm::vec4& value);
void setFloat(const ShaderProgram& shader, const char* name, float value);
void setInt(const ShaderProgram& shader, const char* name, int value);

// Clamped, linear, the driver's largest anisotropy: for cube maps.
GLuint createEnvironmentSampler();
// Repeating, trilinear, the driver's largest anisotropy: for tiling textures.
GLuint createRepeatSampler();

// Position and normal, 6 floats a vertex, as attributes 0 and 1.
Mesh uploadPositionNormal(const float* vertices, size_t floatCount, const uint32_t* indices, size_t indexCount);
inline Mesh uploadPositionNormal(const MeshData& mesh) {
    return uploadPositionNormal(mesh.vertices.data(), mesh.vertices.size(), mesh.indices.data(), mesh.indices.size());
}

// True when the floats make whole vertices of `floatsPerVertex` and every index names one of them.
bool modelFitsLayout(const ExmModel& model, uint32_t floatsPerVertex);
// Loads `path` and checks it against the layout. On failure logs the reason
// (naming the file), then `failMessage`, and returns false.
bool loadModel(const std::string& path, uint32_t floatsPerVertex, const char* failMessage, ExmModel& model);

// The camera an object draws with: a parent cube scene buffer's face while it
// renders, else the scene's.
struct CameraView {
    glm::mat4 projection;
    glm::mat4 view;
    glm::vec3 position;
};
CameraView cameraFor(const SceneObject& object, const Scene& scene);

// The first direct child of the scene's root that is a cube scene buffer, or null.
SceneCubeBufferObject* topLevelCubeBuffer(const Scene& scene);

} // namespace SolidDraw
