// The steps every wireframe object shares: its mesh (positions at attribute 0,
// line indices), the Wireframe program, and the scene's projection and view.
// Built on gfx/Mesh.h; main thread, current GL context.
#pragma once
#include "gfx/Mesh.h"
#include "gfx/ShaderProgram.h"

#include <glm/glm.hpp>

#include <cstdint>

class Scene;

extern const char* const kWireframeVertexPath;
extern const char* const kWireframeFragmentPath;

namespace WireframeDraw {

// A GL_STATIC_DRAW mesh of vec3 positions (`indices` null: no index buffer,
// `vertices` null: storage filled later) and a request for the program.
void create(Mesh& mesh, ShaderProgram& shader, const void* vertices, size_t vertexBytes, const uint32_t* indices,
            size_t indexBytes);
void release(Mesh& mesh, ShaderProgram& shader);

// Binds the mesh's vertex array and the program, and sets projection and view.
void begin(const Mesh& mesh, const ShaderProgram& shader, const Scene& scene);
void setModelAndColour(const ShaderProgram& shader, const glm::mat4& model, const glm::vec4& diffuse);

} // namespace WireframeDraw
