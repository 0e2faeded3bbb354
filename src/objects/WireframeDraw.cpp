// Shared wireframe draw steps. Uniform locations are looked up by name at
// every draw, so a recompiled program is picked up without notice.
#include "objects/WireframeDraw.h"

#include "core/Engine.h"
#include "scene/Scene.h"

#include <glm/gtc/type_ptr.hpp>

const char* const kWireframeVertexPath = "res/shaders/Wireframe.vert";
const char* const kWireframeFragmentPath = "res/shaders/Wireframe.frag";

namespace WireframeDraw {

void requestShader(ShaderProgram& shader) {
    gEngine->shaderManager.requestShader(&shader, kWireframeVertexPath, kWireframeFragmentPath, nullptr);
}

void releaseShader(ShaderProgram& shader) { gEngine->shaderManager.releaseShader(&shader); }

void createBuffers(GLuint& vertexArray, GLuint& vertexBuffer, const void* vertices, GLsizeiptr vertexBytes,
                   GLuint* indexBuffer, const void* indices, GLsizeiptr indexBytes) {
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    if (vertices) glBufferData(GL_ARRAY_BUFFER, vertexBytes, vertices, GL_STATIC_DRAW);
    if (indexBuffer) {
        glGenBuffers(1, indexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, *indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, indexBytes, indices, GL_STATIC_DRAW);
    }
}

void deleteBuffers(GLuint& vertexArray, GLuint& vertexBuffer, GLuint* indexBuffer) {
    if (vertexBuffer) glDeleteBuffers(1, &vertexBuffer);
    vertexBuffer = 0;
    if (indexBuffer && *indexBuffer) glDeleteBuffers(1, indexBuffer);
    if (indexBuffer) *indexBuffer = 0;
    if (vertexArray) glDeleteVertexArrays(1, &vertexArray);
    vertexArray = 0;
}

void begin(GLuint vertexArray, const ShaderProgram& shader, GLuint vertexBuffer, GLuint indexBuffer,
           const Scene& scene) {
    glBindVertexArray(vertexArray);
    glUseProgram(shader.program);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    if (indexBuffer) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(0);
    glUniformMatrix4fv(shader.getUniformLocation("uProjectionMatrix"), 1, GL_FALSE, glm::value_ptr(scene.projection));
    glUniformMatrix4fv(shader.getUniformLocation("uViewMatrix"), 1, GL_FALSE, glm::value_ptr(scene.view));
}

void setModelAndColour(const ShaderProgram& shader, const glm::mat4& model, const glm::vec4& diffuse) {
    glUniformMatrix4fv(shader.getUniformLocation("uModelMatrix"), 1, GL_FALSE, glm::value_ptr(model));
    glUniform4fv(shader.getUniformLocation("uDiffuse"), 1, glm::value_ptr(diffuse));
}

} // namespace WireframeDraw
