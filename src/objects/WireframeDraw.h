// The draw steps every wireframe object shares: bind its arrays and the
// Wireframe program, feed attribute 0, set the scene's projection and view,
// then its own model matrix and colour. Main thread, current GL context.
#pragma once
#include "gfx/ShaderProgram.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

class Scene;

extern const char* const kWireframeVertexPath;    // "res/shaders/Wireframe.vert"
extern const char* const kWireframeFragmentPath;  // "res/shaders/Wireframe.frag"

namespace WireframeDraw {

void requestShader(ShaderProgram& shader);
void releaseShader(ShaderProgram& shader);

// Generates and binds a vertex array with a vertex buffer (and an index buffer
// when `indices` is set), uploading the data with GL_STATIC_DRAW.
void createBuffers(GLuint& vertexArray, GLuint& vertexBuffer, const void* vertices, GLsizeiptr vertexBytes,
                   GLuint* indexBuffer, const void* indices, GLsizeiptr indexBytes);
// Deletes what is set, in the order vertex buffer, index buffer, vertex array.
void deleteBuffers(GLuint& vertexArray, GLuint& vertexBuffer, GLuint* indexBuffer);

// indexBuffer 0: no element buffer (line strips drawn with glDrawArrays).
void begin(GLuint vertexArray, const ShaderProgram& shader, GLuint vertexBuffer, GLuint indexBuffer,
           const Scene& scene);
void setModelAndColour(const ShaderProgram& shader, const glm::mat4& model, const glm::vec4& diffuse);

} // namespace WireframeDraw
