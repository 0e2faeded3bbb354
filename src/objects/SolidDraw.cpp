// Shared pieces of the solid and model objects.
#include "objects/SolidDraw.h"

#include "app/Engine.h"
#include "postfx/SceneCubeBufferObject.h"
#include "scene/SceneRootObject.h"

#include <SDL.h>

namespace SolidDraw {

void setMat4(const ShaderProgram& shader, const char* name, const glm::mat4& value) {
    glUniformMatrix4fv(shader.getUniformLocation(name), 1, GL_FALSE, &value[0][0]);
}

void setVec3(const ShaderProgram& shader, const char* name, const glm::vec3& value) {
    glUniform3fv(shader.getUniformLocation(name), 1, &value[0]);
}

void setVec4(const ShaderProgram& shader, const char* name, const glm::vec4& value) {
    glUniform4fv(shader.getUniformLocation(name), 1, &value[0]);
}

void setFloat(const ShaderProgram& shader, const char* name, float value) {
    glUniform1f(shader.getUniformLocation(name), value);
}

void setInt(const ShaderProgram& shader, const char* name, int value) {
    glUniform1i(shader.getUniformLocation(name), value);
}

GLuint createEnvironmentSampler() {
    SamplerDesc desc;
    desc.maxAnisotropy = true;
    return createSampler(desc);
}

GLuint createRepeatSampler() { return createSampler(tilingSampler()); }

Mesh uploadPositionNormal(const float* vertices, size_t floatCount, const uint32_t* indices, size_t indexCount) {
    MeshDesc desc;
    desc.vertices = vertices;
    desc.vertexBytes = floatCount * sizeof(float);
    desc.indices = indices;
    desc.indexBytes = indexCount * sizeof(uint32_t);
    // An empty index list still gets its buffer, so the mesh draws nothing rather than from client memory.
    static const uint32_t none = 0;
    if (!desc.indices) desc.indices = &none;
    return createMesh(desc, {{0, 3, 24, 0}, {1, 3, 24, 12}});
}

bool modelFitsLayout(const ExmModel& model, uint32_t floatsPerVertex) {
    if (floatsPerVertex == 0 || model.vertices.size() % floatsPerVertex != 0 || model.indices.size() % 3 != 0)
        return false;
    const size_t vertexCount = model.vertices.size() / floatsPerVertex;
    for (uint32_t index : model.indices)
        if (index >= vertexCount) return false;
    return true;
}

bool loadModel(const std::string& path, uint32_t floatsPerVertex, const char* failMessage, ExmModel& model) {
    bool loaded = loadExm(path, model);
    if (loaded && !modelFitsLayout(model, floatsPerVertex)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM,
                     "Model '%s' does not fit %u floats per vertex or has indices past its vertices!", path.c_str(),
                     floatsPerVertex);
        freeExm(model);
        loaded = false;
    }
    if (!loaded) SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", failMessage);
    return loaded;
}

CameraView cameraFor(const SceneObject& object, const Scene& scene) {
    if (object.parent && object.parent->getType() == kSceneCubeBufferType) {
        const auto* cube = static_cast<const SceneCubeBufferObject*>(object.parent);
        return {cube->cubeProjection, cube->currentView, cube->currentPosition};
    }
    return {scene.projection, scene.view, scene.cameraPosition};
}

SceneCubeBufferObject* topLevelCubeBuffer(const Scene& scene) {
    if (!scene.root) return nullptr;
    for (SceneObject* child : scene.root->children)
        if (child->getType() == kSceneCubeBufferType) return static_cast<SceneCubeBufferObject*>(child);
    return nullptr;
}

} // namespace SolidDraw
