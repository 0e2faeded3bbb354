// One linked GLSL program built from a vertex, a fragment and an optional
// geometry source file: a plain record copied by value into every user. Only
// the shader manager destroys the GL objects; the paths are not owned.
#pragma once
#include <GL/glew.h>

#include <cstdint>

// -1 (all bits set) marks a handle that holds no object. GL never names a
// shader or program 0: glCreateShader and glCreateProgram return 0 only when
// they fail, and glUseProgram(0) means no program.
constexpr GLuint kNoShaderObject = static_cast<GLuint>(-1);

struct ShaderProgram {
    GLuint vertexShader = kNoShaderObject;
    GLuint fragmentShader = kNoShaderObject;
    GLuint geometryShader = kNoShaderObject;
    GLuint program = kNoShaderObject;
    const char* vertexPath = nullptr;
    const char* fragmentPath = nullptr;
    const char* geometryPath = nullptr;
    // Which successful compile made `program` (0: none). GL may hand a deleted
    // program's name to the next one, so a name alone does not say that the
    // uniform locations are still the same.
    uint32_t serial = 0;

    void reset();
    // Needs a current GL context. On failure the handles keep their previous
    // values (the paths are stored either way) and one error line is logged.
    bool compile(const char* vertexPath, const char* fragmentPath, const char* geometryPath);
    void destroy();
    // -1 for a name the program does not use; glUniform* ignores it.
    GLint getUniformLocation(const char* name) const;

    bool isCompiled() const { return program != kNoShaderObject; }
};
