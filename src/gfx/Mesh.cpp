// Shared vertex-array, buffer and sampler set-up. The layout is declared on
// the vertex array once at creation; draws only bind it.
#include "gfx/Mesh.h"

#include <SDL.h>

#include <cstring>

const float kFullscreenQuad[8] = {-1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, -1.0f};

Mesh createMesh(const MeshDesc& desc, std::initializer_list<VertexAttribute> layout) {
    Mesh mesh;
    glGenVertexArrays(1, &mesh.vertexArray);
    glBindVertexArray(mesh.vertexArray);
    glGenBuffers(1, &mesh.vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(desc.vertexBytes), desc.vertices, desc.vertexUsage);
    if (desc.indices) {
        glGenBuffers(1, &mesh.indexBuffer);
        // The element binding is part of the vertex array's state.
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(desc.indexBytes), desc.indices,
                     desc.indexUsage);
        mesh.indexType = desc.indexType;
        const size_t indexSize = desc.indexType == GL_UNSIGNED_SHORT ? 2 : 4;
        mesh.indexCount = static_cast<GLsizei>(desc.indexBytes / indexSize);
    }
    bool first = true;
    for (const VertexAttribute& a : layout) {
        glVertexAttribPointer(a.index, a.components, GL_FLOAT, a.normalized ? GL_TRUE : GL_FALSE, a.strideBytes,
                              reinterpret_cast<const void*>(a.offsetBytes));
        glEnableVertexAttribArray(a.index);
        if (first) {
            const size_t stride = a.strideBytes ? static_cast<size_t>(a.strideBytes)
                                                : static_cast<size_t>(a.components) * sizeof(float);
            mesh.vertexCount = static_cast<GLsizei>(desc.vertexBytes / stride);
            first = false;
        }
    }
    glBindVertexArray(0);
    return mesh;
}

void destroyMesh(Mesh& mesh) {
    if (mesh.vertexBuffer != 0) glDeleteBuffers(1, &mesh.vertexBuffer);
    if (mesh.indexBuffer != 0) glDeleteBuffers(1, &mesh.indexBuffer);
    if (mesh.vertexArray != 0) glDeleteVertexArrays(1, &mesh.vertexArray);
    mesh = Mesh();
}

Mesh createPositionMesh(const std::vector<glm::vec3>& vertices, const std::vector<uint32_t>& indices) {
    return createPositionMesh(vertices.data(), vertices.size() * sizeof(glm::vec3), indices.data(),
                              indices.size() * sizeof(uint32_t));
}

Mesh createPositionMesh(const void* vertices, size_t vertexBytes, const uint32_t* indices, size_t indexBytes) {
    MeshDesc desc;
    desc.vertices = vertices;
    desc.vertexBytes = vertexBytes;
    desc.indices = indices;
    desc.indexBytes = indexBytes;
    return createMesh(desc, {{0, 3, 0, 0}});
}

Mesh createPositionNormalMesh(const std::vector<float>& vertices, const std::vector<uint32_t>& indices) {
    MeshDesc desc;
    desc.vertices = vertices.data();
    desc.vertexBytes = vertices.size() * sizeof(float);
    desc.indices = indices.data();
    desc.indexBytes = indices.size() * sizeof(uint32_t);
    static const uint32_t none = 0;
    if (!desc.indices) desc.indices = &none;
    return createMesh(desc, {{0, 3, 24, 0}, {1, 3, 24, 12}});
}

Mesh createFullscreenQuad() {
    MeshDesc desc;
    desc.vertices = kFullscreenQuad;
    desc.vertexBytes = sizeof kFullscreenQuad;
    return createMesh(desc, {{0, 2, 0, 0}});
}

SamplerDesc environmentSampler() {
    SamplerDesc desc;
    desc.maxAnisotropy = true;
    return desc;
}

SamplerDesc tilingSampler() {
    SamplerDesc desc;
    desc.wrapS = desc.wrapT = GL_REPEAT;
    desc.minFilter = GL_LINEAR_MIPMAP_LINEAR;
    desc.maxAnisotropy = true;
    return desc;
}

bool isSoftwareRasteriser(const char* renderer) {
    return renderer != nullptr && (std::strstr(renderer, "llvmpipe") != nullptr || std::strstr(renderer, "softpipe") != nullptr);
}

float largestAnisotropy() {
    // llvmpipe samples anisotropically on a path so slow that one ocean frame at
    // 320x180 took over 100 s at any anisotropy above 1 against 9 s at 1: a show
    // would stop dead. Software rasterisers therefore keep plain trilinear filtering.
    static const float largest = [] {
        const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        if (isSoftwareRasteriser(renderer)) {
            SDL_LogInfo(SDL_LOG_CATEGORY_RENDER, "Software rasteriser: anisotropic filtering off");
            return 1.0f;
        }
        GLfloat value = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &value);
        return value;
    }();
    return largest;
}

GLuint createSampler(const SamplerDesc& desc) {
    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    if (sampler == 0) return 0;
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, static_cast<GLint>(desc.wrapS));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, static_cast<GLint>(desc.wrapT));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, static_cast<GLint>(desc.wrapR));
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(desc.minFilter));
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(desc.magFilter));
    if (desc.maxAnisotropy && GLEW_EXT_texture_filter_anisotropic) {
        glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, largestAnisotropy());
    }
    return sampler;
}

void destroySampler(GLuint& sampler) {
    if (sampler != 0) glDeleteSamplers(1, &sampler);
    sampler = 0;
}
