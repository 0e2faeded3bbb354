// Shader program build: all sources are read before any GL object exists, and
// the record only takes the new handles once every stage compiled and linked.
// Relies on the whole-file reader and SDL's log (video category).
#include "gfx/ShaderProgram.h"

#include "core/FileIO.h"

#include <SDL.h>

#include <atomic>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Stage {
    GLenum type;
    const char* readFailure;
    const char* compileFailure;
};

const Stage kVertexStage{GL_VERTEX_SHADER, "Failed to read vertex shader source!\n",
                         "Failed to compile vertex shader: '%s'\n"};
const Stage kFragmentStage{GL_FRAGMENT_SHADER, "Failed to read fragment shader source!\n",
                           "Failed to compile fragment shader: '%s'\n"};
const Stage kGeometryStage{GL_GEOMETRY_SHADER, "Failed to read geometry shader source!\n",
                           "Failed to compile geometry shader: '%s'\n"};

bool readSource(const char* path, const Stage& stage, std::vector<uint8_t>& out) {
    if (FileIO::readAll(path, out)) return true;
    SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "%s", stage.readFailure);
    SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Shader file: %s", path);
    return false;
}

// The driver's message for a shader or a program, through the matching getters.
std::string infoLog(GLuint object, void (*getParameter)(GLuint, GLenum, GLint*),
                    void (*getLog)(GLuint, GLsizei, GLsizei*, GLchar*)) {
    GLint length = -1;
    getParameter(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0) return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1, 0);
    getLog(object, length, &length, text.data());
    return std::string(text.data());
}

// The shader object on success, kNoShaderObject (after deleting it) on failure.
GLuint compileStage(const Stage& stage, const std::vector<uint8_t>& source) {
    GLuint shader = glCreateShader(stage.type);
    // The explicit length means the buffer needs no terminator. An empty file
    // (an editor truncates before it writes) has no buffer at all, and a null
    // string is a GL error that would be left for the next caller to find.
    const GLchar* text = source.empty() ? "" : reinterpret_cast<const GLchar*>(source.data());
    GLint length = static_cast<GLint>(source.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint status = -1;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status == 0) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, stage.compileFailure, infoLog(shader, glGetShaderiv, glGetShaderInfoLog).c_str());
        glDeleteShader(shader);
        return kNoShaderObject;
    }
    return shader;
}

void deleteShader(GLuint shader) {
    if (shader != kNoShaderObject) glDeleteShader(shader);
}

} // namespace

void ShaderProgram::reset() { *this = ShaderProgram(); }

bool ShaderProgram::compile(const char* vertex, const char* fragment, const char* geometry) {
    if (!vertex || !fragment) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Invalid vertex or fragment source!");
        return false;
    }
    vertexPath = vertex;
    fragmentPath = fragment;
    geometryPath = geometry;

    std::vector<uint8_t> vertexSource, fragmentSource, geometrySource;
    if (!readSource(vertex, kVertexStage, vertexSource)) return false;
    if (!readSource(fragment, kFragmentStage, fragmentSource)) return false;
    if (geometry && !readSource(geometry, kGeometryStage, geometrySource)) return false;

    // Objects made before a failure are deleted again so a broken file being
    // edited does not leak one shader per save.
    GLuint vs = compileStage(kVertexStage, vertexSource);
    if (vs == kNoShaderObject) return false;
    GLuint fs = compileStage(kFragmentStage, fragmentSource);
    if (fs == kNoShaderObject) {
        deleteShader(vs);
        return false;
    }
    GLuint gs = kNoShaderObject;
    if (geometry) {
        gs = compileStage(kGeometryStage, geometrySource);
        if (gs == kNoShaderObject) {
            deleteShader(vs);
            deleteShader(fs);
            return false;
        }
    }

    GLuint linked = glCreateProgram();
    glAttachShader(linked, vs);
    if (gs != kNoShaderObject) glAttachShader(linked, gs);
    glAttachShader(linked, fs);
    glLinkProgram(linked);
    GLint status = -1;
    glGetProgramiv(linked, GL_LINK_STATUS, &status);
    if (status == 0) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Failed to link shader program: '%s'\n", infoLog(linked, glGetProgramiv, glGetProgramInfoLog).c_str());
        glDeleteProgram(linked);
        deleteShader(vs);
        deleteShader(fs);
        deleteShader(gs);
        return false;
    }

    vertexShader = vs;
    fragmentShader = fs;
    geometryShader = gs;
    program = linked;
    static std::atomic<uint32_t> compiles{0};
    serial = ++compiles;
    glFlush();
    return true;
}

void ShaderProgram::destroy() {
    if (program == kNoShaderObject) return;
    glDetachShader(program, vertexShader);
    glDeleteShader(vertexShader);
    if (geometryShader != kNoShaderObject) {
        glDetachShader(program, geometryShader);
        glDeleteShader(geometryShader);
    }
    glDetachShader(program, fragmentShader);
    glDeleteShader(fragmentShader);
    glDeleteProgram(program);
    // Copies elsewhere still hold the old names; this one at least cannot delete twice.
    vertexShader = fragmentShader = geometryShader = program = kNoShaderObject;
}

GLint ShaderProgram::getUniformLocation(const char* name) const {
    if (program == kNoShaderObject) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Tried to get a uniform location from a shader that is not compiled!\n");
        return -1;
    }
    return glGetUniformLocation(program, name);
}
