// Shader programs, textures and render targets on the real driver: the driver's own
// compile and link messages, cube faces read back from a cross, depth, half-float and
// multisampled attachments, viewport restore, sampler anisotropy.
#include "gfx/FrameBuffer.h"
#include "gfx/Mesh.h"
#include "gfx/ShaderProgram.h"
#include "objects/DrawState.h"

#include "GlContext.h"

namespace {
GLint levelParameter(GLenum target, GLuint id, GLenum name) {
    GLint value = -1;
    glBindTexture(target, id);
    glGetTexLevelParameteriv(target, 0, name, &value);
    glBindTexture(target, 0);
    return value;
}

std::vector<GLint> viewport() {
    std::vector<GLint> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

std::string logStartingWith(const test::LogCapture& log, const std::string& prefix) {
    for (const std::string& m : log.messages())
        if (m.rfind(prefix, 0) == 0) return m;
    return std::string();
}
} // namespace

TEST(ShaderProgram, BadSourcesFailWithTheirMessageAndKeepTheOldProgram) {
    test::TempDir dir;
    test::LogCapture log;
    const std::string shipped = std::string(SOLVANE_SOURCE_DIR) + "/res/shaders/Wireframe.";
    const std::string vert = shipped + "vert", frag = shipped + "frag", missing = dir.file("missing.glsl");
    ShaderProgram program;
    EXPECT_FALSE(program.compile(missing.c_str(), frag.c_str(), nullptr));
    EXPECT_EQ(program.program, kNoShaderObject);
    ASSERT_TRUE(program.compile(vert.c_str(), frag.c_str(), nullptr));
    const GLuint good = program.program;
    const std::string broken = dir.file("broken.frag"), unresolved = dir.file("unresolved.frag");
    test::writeFile(broken, "#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0) }\n");
    // Compiles alone, but calls a function no stage defines.
    test::writeFile(unresolved, "#version 330 core\nout vec4 fragColor;\nvec4 shadeSomething();\n"
                                "void main() { fragColor = shadeSomething(); }\n");
    EXPECT_FALSE(program.compile(vert.c_str(), broken.c_str(), nullptr));
    std::string message = logStartingWith(log, "Failed to compile fragment shader: '");
    EXPECT_NE(message.find("error"), std::string::npos) << message;  // the driver's text is inside
    EXPECT_FALSE(program.compile(vert.c_str(), unresolved.c_str(), nullptr));
    message = logStartingWith(log, "Failed to link shader program: '");
    EXPECT_NE(message.find("shadeSomething"), std::string::npos) << message;
    // An editor that truncates before it writes can leave an empty file for a moment.
    const std::string empty = dir.file("empty.frag");
    test::writeFile(empty, "");
    EXPECT_FALSE(program.compile(vert.c_str(), empty.c_str(), nullptr));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(program.program == good && glIsProgram(good));
    program.destroy();
}

// Hot reload destroys an object's program and later writes a new one into the
// same record: the standard uniforms must reach the new program's locations.
TEST(DrawState, StandardUniformsReachAProgramReloadedIntoTheSameRecord) {
    test::TempDir dir;
    const std::string vert = dir.file("v.vert"), first = dir.file("first.frag"), second = dir.file("second.frag");
    test::writeFile(vert, "#version 330 core\nlayout(location = 0) in vec3 p;\nvoid main() { gl_Position = vec4(p, 1.0); }\n");
    test::writeFile(first, "#version 330 core\nuniform float uTime;\nout vec4 c;\nvoid main() { c = vec4(uTime); }\n");
    // More uniforms ahead of uTime move its location.
    test::writeFile(second, "#version 330 core\nuniform vec4 uA, uB, uC;\nuniform float uTime;\nout vec4 c;\n"
                            "void main() { c = uA + uB + uC + vec4(uTime); }\n");
    DrawState draw;
    ASSERT_TRUE(draw.program.compile(vert.c_str(), first.c_str(), nullptr));
    const GLint before = draw.program.getUniformLocation("uTime");
    glUseProgram(draw.program.program);
    draw.setTime(1.0f);
    draw.program.destroy();
    ASSERT_TRUE(draw.program.compile(vert.c_str(), second.c_str(), nullptr));
    const GLint after = draw.program.getUniformLocation("uTime");
    ASSERT_NE(before, after);
    glUseProgram(draw.program.program);
    draw.setTime(2.0f);
    GLfloat time = 0.0f;
    glGetUniformfv(draw.program.program, after, &time);
    EXPECT_EQ(time, 2.0f);
    while (glGetError() != GL_NO_ERROR) {
    }
    glUseProgram(0);
    draw.program.destroy();
}

TEST(Texture, CubeFacesAreTheCrossCellsInTheirOrientation) {
    const int face = 8;
    std::vector<uint8_t> cross(3 * face * 4 * face * 4, 255);
    for (size_t i = 0; i < cross.size() / 4; ++i) {  // red by column, green by row
        cross[4 * i] = static_cast<uint8_t>(i % (3 * face) * 8);
        cross[4 * i + 1] = static_cast<uint8_t>(i / (3 * face) * 8);
    }
    Texture texture;
    texture.isCubeMap = true;
    texture.upload(3 * face, 4 * face, GL_RGBA, cross.data(), 0, true);
    const int cells[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {1, 3}};
    for (int f = 0; f < 6; ++f) {
        SCOPED_TRACE(f);
        auto pixels = test::readTexture(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, texture.id, face, face);
        for (int r = 0; r < face; ++r)
            for (int c = 0; c < face; ++c) {
                // -Z is turned by 180 degrees.
                const uint8_t* p = &pixels[(static_cast<size_t>(r) * face + c) * 4];
                ASSERT_EQ(p[0], (cells[f][0] * face + (f == 5 ? face - 1 - c : c)) * 8);
                ASSERT_EQ(p[1], (cells[f][1] * face + (f == 5 ? face - 1 - r : r)) * 8);
            }
    }
    texture.release();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(FrameBuffer, AttachmentsAreWhatWasAskedAndTheViewportComesBack) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.create(64, 32, 1, true, GL_RGBA16F, 0));
    ASSERT_TRUE(fb.colorTextures.size() == 1u && fb.depthTexture != nullptr);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, fb.getColorTexture(0), GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA16F);
    EXPECT_GE(levelParameter(GL_TEXTURE_2D, fb.depthTexture->id, GL_TEXTURE_DEPTH_SIZE), 24);
    glViewport(0, 0, 1280, 720);
    fb.bind(true);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 64, 32}));
    fb.unbind();
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 1280, 720}));
    fb.destroy();

    ASSERT_TRUE(fb.create(32, 32, 2, true, GL_RGBA8, 4));
    for (GLuint id : {fb.getColorTexture(1), fb.depthTexture->id})
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D_MULTISAMPLE, id, GL_TEXTURE_SAMPLES), 4);
    fb.destroy();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Sampler, AnisotropyIsTheDriversLargestExceptOnASoftwareRasteriser) {
    EXPECT_TRUE(isSoftwareRasteriser("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_FALSE(isSoftwareRasteriser("AMD Radeon RX 6600 (radeonsi, navi23)"));
    EXPECT_FALSE(isSoftwareRasteriser(nullptr));

    SamplerDesc desc = tilingSampler();
    GLuint sampler = createSampler(desc);
    ASSERT_NE(sampler, 0u);
    GLfloat anisotropy = 0.0f, driverLargest = 0.0f;
    glGetSamplerParameterfv(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &driverLargest);
    const bool software = isSoftwareRasteriser(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    EXPECT_EQ(anisotropy, software ? 1.0f : driverLargest);
    EXPECT_GT(driverLargest, 1.0f);  // otherwise this case proves nothing here
    destroySampler(sampler);
    EXPECT_EQ(sampler, 0u);
}
