// Shared wireframe steps. Uniform locations are looked up by name at every
// draw, so a recompiled program is picked up without notice.
#include "objects/WireframeDraw.h"

#include "app/Engine.h"

#include <glm/gtc/type_ptr.hpp>

const char* const kWireframeVertexPath = "res/shaders/Wireframe.vert";
const char* const kWireframeFragmentPath = "res/shaders/Wireframe.frag";

namespace WireframeDraw {

void create(Mesh& mesh, ShaderProgram& shader, const void* vertices, size_t vertexBytes, const uint32_t* indices,
            size_t indexBytes) {
    MeshDesc desc;
    desc.vertices = vertices;
    desc.vertexBytes = vertexBytes;
    desc.indices = indices;
    desc.indexBytes = indexBytes;
    mesh = createMesh(desc, {{0, 3, 0, 0}});
    gEngine->shaderManager.requestShader(&shader, kWireframeVertexPath, kWireframeFragmentPath, nullptr);
}

void release(Mesh& mesh, ShaderProgram& shader) {
    gEngine->shaderManager.releaseShader(&shader);
    destroyMesh(mesh);
}

void begin(const Mesh& mesh, const ShaderProgram& shader, const Scene& scene) {
    glBindVertexArray(mesh.vertexArray);
    glUseProgram(shader.program);
    glUniformMatrix4fv(shader.getUniformLocation("uProjectionMatrix"), 1, GL_FALSE, glm::value_ptr(scene.projection));
    glUniformMatrix4fv(shader.getUniformLocation("uViewMatrix"), 1, GL_FALSE, glm::value_ptr(scene.view));
}

void setModelAndColour(const ShaderProgram& shader, const glm::mat4& model, const glm::vec4& diffuse) {
    glUniformMatrix4fv(shader.getUniformLocation("uModelMatrix"), 1, GL_FALSE, glm::value_ptr(model));
    glUniform4fv(shader.getUniformLocation("uDiffuse"), 1, glm::value_ptr(diffuse));
}

} // namespace WireframeDraw
