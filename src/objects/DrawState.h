// What every drawing object shares: its program, texture and model requests and
// their release, one sampler object, binding, and the standard uniforms (projection,
// view, model, camera position, time) with locations looked up once per
// program. Each object still writes its own mesh, its own uniforms and its own
// draw call. Also the one rule for which camera an object draws with under a
// cube scene buffer. Relies on the global engine's managers; main thread only.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/ModelManager.h"
#include "gfx/ShaderProgram.h"
#include "gfx/Texture.h"

#include <glm/glm.hpp>

class Scene;
class SceneObject;

struct CameraView {
    glm::mat4 projection;
    glm::mat4 view;
    glm::vec3 position;
};
CameraView sceneCamera(const Scene& scene);
// The face camera of a parent cube scene buffer while it renders, else the scene's.
CameraView cameraFor(const SceneObject& object, const Scene& scene);
// The cube map of the first direct child of the scene's root that is a cube
// scene buffer (what reflections and backgrounds show), or 0 when there is none.
GLuint environmentCubeMap(const Scene* scene);

class DrawState {
public:
    DrawState() = default;
    // The managers keep writing into the records' addresses: never copied.
    DrawState(const DrawState&) = delete;
    DrawState& operator=(const DrawState&) = delete;

    void requestProgram(const char* vertexPath, const char* fragmentPath, const char* geometryPath = nullptr);
    // `texture` is the object's own record; it must stay where it is until release.
    void requestTexture(Texture& texture, const char* path, bool isCubeMap);
    // `mesh` is built from the model file now and rebuilt whenever the file
    // changes; it must stay where it is until release. False (logged) as ModelManager says.
    bool requestModel(Mesh& mesh, const std::string& path, ModelLayout layout, const char* failMessage);
    void createSampler(const SamplerDesc& desc);
    // The program, the textures in request order, the model's mesh, then the sampler.
    void release();

    // The mesh's vertex array and the program, until unbind.
    void bind(const Mesh& mesh);
    // `id` on `unit` (the active unit until unbind), the sampler (when there is one) on
    // it, and `samplerUniform` pointing at it.
    void bindTexture(GLuint unit, GLenum target, GLuint id, const char* samplerUniform);
    // `cubeMap`, else `own`: as a cube map when it is one, else its 2D stand-in while it loads.
    void bindEnvironment(GLuint unit, GLuint cubeMap, const Texture& own, const char* samplerUniform);
    // Hands back what bind and bindTexture took: the sampler on units 0 to
    // `units` - 1 (later draws, the post processor's, rely on their textures'
    // own filtering), unit 0 active, no vertex array and no program, so that
    // uploads between draws cannot change this object's vertex array or units.
    void unbind(GLuint units = 0);

    void setProjection(const glm::mat4& projection);
    void setView(const glm::mat4& view);
    void setModel(const glm::mat4& model);
    void setCameraPosition(const glm::vec3& position);
    void setTime(float time);
    // Projection, view and camera position.
    void setCamera(const CameraView& camera);
    // The scene's projection and view, and `model`.
    void setSceneMatrices(const Scene& scene, const glm::mat4& model);

    // Any other uniform, looked up by name at each call.
    void setInt(const char* name, int value);
    void setFloat(const char* name, float value);
    void setVec2(const char* name, const glm::vec2& value);
    void setVec3(const char* name, const glm::vec3& value);
    void setVec4(const char* name, const glm::vec4& value);
    void setMat4(const char* name, const glm::mat4& value);

    ShaderProgram program;
    GLuint sampler = 0;

private:
    enum Standard { kProjection, kView, kModel, kCameraPosition, kTime, kStandardCount };
    GLint location(Standard uniform);

    static constexpr int kMaxTextures = 2;
    Texture* textures[kMaxTextures] = {};
    int textureCount = 0;
    Mesh* model = nullptr;
    // Hot reload writes a new program into `program` in place: the locations
    // belong to the program that `cachedProgram` and `cachedSerial` name.
    GLuint cachedProgram = kNoShaderObject;
    uint32_t cachedSerial = 0;
    GLint locations[kStandardCount] = {};
    bool known[kStandardCount] = {};
};
