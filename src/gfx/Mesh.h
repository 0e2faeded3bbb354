// GL set-up every drawable shares: a vertex array that remembers its layout,
// its vertex and index buffers, and sampler objects made from a small
// description. Objects still write out their own draw calls. Main thread only.
#pragma once
#include <GL/glew.h>

#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

// One vertex attribute of an interleaved (or tightly packed) float buffer.
struct VertexAttribute {
    GLuint index;          // attribute location
    GLint components;      // 1 to 4 floats
    GLsizei strideBytes;   // 0: tightly packed
    size_t offsetBytes;
    bool normalized = false;  // GL ignores it for float data; kept where a layout declares it
};

// Plain record: copied by value, a zero record holds nothing and draws nothing.
struct Mesh {
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;       // 0: no element buffer (draw with glDrawArrays)
    GLsizei indexCount = 0;
    GLenum indexType = GL_UNSIGNED_INT;
    GLsizei vertexCount = 0;      // informational: vertexBytes / stride of attribute 0

    bool valid() const { return vertexArray != 0; }
};

struct MeshDesc {
    const void* vertices = nullptr;  // may be null: storage only (filled later with glBufferSubData)
    size_t vertexBytes = 0;
    GLenum vertexUsage = GL_STATIC_DRAW;
    const void* indices = nullptr;   // null: no index buffer
    size_t indexBytes = 0;
    GLenum indexType = GL_UNSIGNED_INT;  // GL_UNSIGNED_SHORT or GL_UNSIGNED_INT
    GLenum indexUsage = GL_STATIC_DRAW;
};

// Generates the vertex array, binds it, uploads the buffers and declares the
// layout once, so a draw only binds the vertex array. Unbinds the vertex
// array again: a later buffer binding must not change its element buffer.
Mesh createMesh(const MeshDesc& desc, std::initializer_list<VertexAttribute> layout);
// Positions only (attribute 0, three floats) with 32-bit indices: the shape of
// every generated surface (grids, discs, domes).
Mesh createPositionMesh(const std::vector<glm::vec3>& vertices, const std::vector<uint32_t>& indices);
// The same from raw arrays: `vertices` null leaves storage to fill later,
// `indices` null makes no element buffer (lines drawn with glDrawArrays).
Mesh createPositionMesh(const void* vertices, size_t vertexBytes, const uint32_t* indices, size_t indexBytes);
// Position and normal, 6 floats a vertex, as attributes 0 and 1, with 32-bit
// indices; an empty index list still gets its buffer, so the mesh draws nothing.
Mesh createPositionNormalMesh(const std::vector<float>& vertices, const std::vector<uint32_t>& indices);
// Deletes what is set (vertex buffer, index buffer, vertex array) and zeroes
// the record; a zero record is left as it is.
void destroyMesh(Mesh& mesh);

// The full-screen quad: (-1, 1), (-1, -1), (1, 1), (1, -1) from attribute 0,
// drawn with glDrawArrays(GL_TRIANGLE_STRIP, 0, 4).
extern const float kFullscreenQuad[8];
Mesh createFullscreenQuad();

struct SamplerDesc {
    GLenum minFilter = GL_LINEAR;
    GLenum magFilter = GL_LINEAR;
    GLenum wrapS = GL_CLAMP_TO_EDGE;
    GLenum wrapT = GL_CLAMP_TO_EDGE;
    GLenum wrapR = GL_CLAMP_TO_EDGE;
    bool maxAnisotropy = false;  // the driver's largest anisotropy, where supported
};

// Repeating, trilinear, the driver's largest anisotropy: for tiling textures.
SamplerDesc tilingSampler();
// Clamped, linear, the driver's largest anisotropy: for cube maps.
SamplerDesc environmentSampler();

// True for Mesa's CPU rasterisers, named by their GL_RENDERER string.
bool isSoftwareRasteriser(const char* renderer);
// What maxAnisotropy asks for: the driver's largest, or 1 on a software
// rasteriser. Needs a current context; decided once per process.
float largestAnisotropy();

// 0 when the driver refuses; destroySampler of 0 does nothing.
GLuint createSampler(const SamplerDesc& desc);
void destroySampler(GLuint& sampler);
