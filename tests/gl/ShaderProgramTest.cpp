// Shader programs built from real files by the real driver: unreadable,
// uncompilable and unlinkable sources with the driver's own message, and
// uniform look-ups.
#include "gfx/ShaderProgram.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {
const char* kVertex = "#version 330 core\nlayout(location = 0) in vec3 aPosition;\nuniform mat4 uModelMatrix;\n"
                      "out vec3 vColor;\nvoid main() { vColor = aPosition; gl_Position = uModelMatrix * "
                      "vec4(aPosition, 1.0); }\n";
const char* kFragment = "#version 330 core\nin vec3 vColor;\nuniform vec4 uDiffuse;\nout vec4 fragColor;\n"
                        "void main() { fragColor = uDiffuse + vec4(vColor, 0.0); }\n";
std::string firstMessageStartingWith(const test::LogCapture& log, const std::string& prefix) {
    for (const std::string& m : log.messages())
        if (m.rfind(prefix, 0) == 0) return m;
    return std::string();
}

struct ShaderFiles {
    test::TempDir dir;
    std::string vert = dir.file("a.vert");
    std::string frag = dir.file("a.frag");
    ShaderFiles() {
        test::writeFile(vert, kVertex);
        test::writeFile(frag, kFragment);
    }
};
} // namespace

// Three stages are built and drawn by the manager tests.
TEST(ShaderProgram, TwoStageProgramLinksAndLooksUpUniforms) {
    ShaderFiles files;
    test::LogCapture log;
    ShaderProgram two;
    ASSERT_TRUE(two.compile(files.vert.c_str(), files.frag.c_str(), nullptr));
    EXPECT_TRUE(glIsProgram(two.program));
    EXPECT_EQ(two.geometryShader, kNoShaderObject);
    EXPECT_EQ(two.vertexPath, files.vert.c_str());  // the caller's storage, not a copy
    EXPECT_GE(two.getUniformLocation("uDiffuse"), 0);
    EXPECT_EQ(two.getUniformLocation("uNotThere"), -1);
    EXPECT_TRUE(log.messages().empty());

    GLuint program = two.program;
    two.destroy();
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(ShaderProgram, UnreadableSourcesFailBeforeAnyGlObject) {
    ShaderFiles files;
    test::LogCapture log;
    std::string missing = files.dir.file("missing.vert");
    ShaderProgram program;
    EXPECT_FALSE(program.compile(missing.c_str(), files.frag.c_str(), nullptr));
    EXPECT_TRUE(log.contains("Failed to read vertex shader source!"));
    EXPECT_EQ(program.program, kNoShaderObject);
    EXPECT_EQ(program.vertexShader, kNoShaderObject);

    EXPECT_FALSE(program.compile(files.vert.c_str(), missing.c_str(), nullptr));
    EXPECT_TRUE(log.contains("Failed to read fragment shader source!"));
    EXPECT_FALSE(program.compile(files.vert.c_str(), files.frag.c_str(), missing.c_str()));  // geometry
    EXPECT_TRUE(log.contains("Failed to read geometry shader source!"));
    EXPECT_FALSE(program.compile(nullptr, files.frag.c_str(), nullptr));
    EXPECT_TRUE(log.contains("Invalid vertex or fragment source!"));

    log.clear();
    EXPECT_EQ(program.getUniformLocation("uDiffuse"), -1);
    EXPECT_TRUE(log.contains("Tried to get a uniform location from a shader that is not compiled!"));
    EXPECT_EQ(log.entries()[0].category, SDL_LOG_CATEGORY_VIDEO);
}

TEST(ShaderProgram, SyntaxAndLinkErrorsCarryTheDriversMessageAndKeepTheOldProgram) {
    ShaderFiles files;
    test::LogCapture log;
    ShaderProgram program;
    ASSERT_TRUE(program.compile(files.vert.c_str(), files.frag.c_str(), nullptr));
    const ShaderProgram before = program;

    std::string broken = files.dir.file("broken.frag");
    test::writeFile(broken, "#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0) }\n");
    EXPECT_FALSE(program.compile(files.vert.c_str(), broken.c_str(), nullptr));
    std::string message = firstMessageStartingWith(log, "Failed to compile fragment shader: '");
    ASSERT_FALSE(message.empty());
    EXPECT_NE(message.find("error"), std::string::npos) << message;  // the driver's text is inside
    EXPECT_EQ(program.program, before.program);
    EXPECT_EQ(program.fragmentShader, before.fragmentShader);
    EXPECT_TRUE(glIsProgram(program.program));

    // Compiles alone, but calls a function no stage defines.
    std::string unresolved = files.dir.file("unresolved.frag");
    test::writeFile(unresolved, "#version 330 core\nout vec4 fragColor;\nvec4 shadeSomething();\n"
                                "void main() { fragColor = shadeSomething(); }\n");
    EXPECT_FALSE(program.compile(files.vert.c_str(), unresolved.c_str(), nullptr));
    message = firstMessageStartingWith(log, "Failed to link shader program: '");
    ASSERT_FALSE(message.empty());
    EXPECT_NE(message.find("shadeSomething"), std::string::npos) << message;
    EXPECT_EQ(program.program, before.program);
    program.destroy();
}
