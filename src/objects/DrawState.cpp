// Shared drawing steps of the objects.
#include "objects/DrawState.h"

#include "app/Engine.h"
#include "postfx/SceneCubeBufferObject.h"
#include "scene/SceneRootObject.h"

#include <glm/gtc/type_ptr.hpp>

#include <cassert>

CameraView sceneCamera(const Scene& scene) { return {scene.projection, scene.view, scene.cameraPosition}; }

CameraView cameraFor(const SceneObject& object, const Scene& scene) {
    if (object.parent && object.parent->getType() == kSceneCubeBufferType) {
        const auto* cube = static_cast<const SceneCubeBufferObject*>(object.parent);
        return {cube->cubeProjection, cube->currentView, cube->currentPosition};
    }
    return sceneCamera(scene);
}

GLuint environmentCubeMap(const Scene* scene) {
    if (!scene || !scene->root) return 0;
    for (const SceneObject* child : scene->root->children)
        if (child->getType() == kSceneCubeBufferType)
            return static_cast<const SceneCubeBufferObject*>(child)->cubeFrameBuffer.getTexture();
    return 0;
}

void DrawState::requestProgram(const char* vertexPath, const char* fragmentPath, const char* geometryPath) {
    gEngine->shaderManager.requestShader(&program, vertexPath, fragmentPath, geometryPath);
}

void DrawState::requestTexture(Texture& texture, const char* path, bool isCubeMap) {
    assert(textureCount < kMaxTextures);
    textures[textureCount++] = &texture;
    gEngine->textureManager.requestTexture(&texture, path, isCubeMap);
}

bool DrawState::requestModel(Mesh& mesh, const std::string& path, ModelLayout layout, const char* failMessage) {
    if (!gEngine->modelManager.requestModel(&mesh, path, layout, failMessage)) return false;
    model = &mesh;
    return true;
}

void DrawState::createSampler(const SamplerDesc& desc) { sampler = ::createSampler(desc); }

void DrawState::release() {
    gEngine->shaderManager.releaseShader(&program);
    for (int i = 0; i < textureCount; ++i) gEngine->textureManager.releaseTexture(textures[i]);
    textureCount = 0;
    if (model) gEngine->modelManager.releaseModel(model);
    model = nullptr;
    destroySampler(sampler);
}

void DrawState::bind(const Mesh& mesh) {
    glBindVertexArray(mesh.vertexArray);
    glUseProgram(program.program);
}

void DrawState::bindTexture(GLuint unit, GLenum target, GLuint id, const char* samplerUniform) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(target, id);
    if (sampler != 0) glBindSampler(unit, sampler);
    setInt(samplerUniform, static_cast<int>(unit));
}

void DrawState::bindEnvironment(GLuint unit, GLuint cubeMap, const Texture& own, const char* samplerUniform) {
    if (cubeMap != 0)
        bindTexture(unit, GL_TEXTURE_CUBE_MAP, cubeMap, samplerUniform);
    else
        bindTexture(unit, own.isCubeMap ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D, own.id, samplerUniform);
}

void DrawState::unbind(GLuint units) {
    for (GLuint unit = 0; unit < units; ++unit) glBindSampler(unit, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindVertexArray(0);
    glUseProgram(0);
}

GLint DrawState::location(Standard uniform) {
    static const char* const names[kStandardCount] = {"uProjectionMatrix", "uViewMatrix", "uModelMatrix",
                                                      "uCameraPosition", "uTime"};
    if (program.program != cachedProgram || program.serial != cachedSerial) {
        cachedProgram = program.program;
        cachedSerial = program.serial;
        for (bool& k : known) k = false;
    }
    if (known[uniform]) return locations[uniform];
    const GLint found = program.getUniformLocation(names[uniform]);
    // A record without a program logs at every lookup, as a name lookup would.
    known[uniform] = program.isCompiled();
    locations[uniform] = found;
    return found;
}

void DrawState::setProjection(const glm::mat4& projection) {
    glUniformMatrix4fv(location(kProjection), 1, GL_FALSE, glm::value_ptr(projection));
}

void DrawState::setView(const glm::mat4& view) {
    glUniformMatrix4fv(location(kView), 1, GL_FALSE, glm::value_ptr(view));
}

void DrawState::setModel(const glm::mat4& model) {
    glUniformMatrix4fv(location(kModel), 1, GL_FALSE, glm::value_ptr(model));
}

void DrawState::setCameraPosition(const glm::vec3& position) {
    glUniform3fv(location(kCameraPosition), 1, glm::value_ptr(position));
}

void DrawState::setTime(float time) { glUniform1f(location(kTime), time); }

void DrawState::setCamera(const CameraView& camera) {
    setProjection(camera.projection);
    setView(camera.view);
    setCameraPosition(camera.position);
}

void DrawState::setSceneMatrices(const Scene& scene, const glm::mat4& model) {
    setProjection(scene.projection);
    setView(scene.view);
    setModel(model);
}

void DrawState::setInt(const char* name, int value) { glUniform1i(program.getUniformLocation(name), value); }

void DrawState::setFloat(const char* name, float value) { glUniform1f(program.getUniformLocation(name), value); }

void DrawState::setVec2(const char* name, const glm::vec2& value) {
    glUniform2fv(program.getUniformLocation(name), 1, glm::value_ptr(value));
}

void DrawState::setVec3(const char* name, const glm::vec3& value) {
    glUniform3fv(program.getUniformLocation(name), 1, glm::value_ptr(value));
}

void DrawState::setVec4(const char* name, const glm::vec4& value) {
    glUniform4fv(program.getUniformLocation(name), 1, glm::value_ptr(value));
}

void DrawState::setMat4(const char* name, const glm::mat4& value) {
    glUniformMatrix4fv(program.getUniformLocation(name), 1, GL_FALSE, glm::value_ptr(value));
}
