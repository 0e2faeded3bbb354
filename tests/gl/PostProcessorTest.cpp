// The post-processing chain on the real driver with the shipped shaders: what
// reaches the default framebuffer for bloom off and on, the grading tracks, the
// depth view, the multisample resolve, the half-size buffers, and release.
#include "gfx/ResourceLoader.h"
#include "gfx/ShaderManager.h"
#include "postfx/PostProcessor.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {
using Image = std::vector<uint8_t>;
using Tracks = std::map<std::string, float>;
constexpr int kWidth = 64;
constexpr int kHeight = 48;

// The player's state around the chain (depth test and culling on), the shader
// manager on its own loader, tracks from a map, and a flat-colour program to
// paint scenes with.
class PostChain : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(workingDir.enter(SOLVANE_SOURCE_DIR));
        loader.init(nullptr);
        ASSERT_TRUE(shaders.init(loader, nullptr));
        test::writeFile(dir.file("solid.vert"), "#version 330 core\nlayout(location = 0) in vec3 aPosition;\n"
                                                "void main() { gl_Position = vec4(aPosition, 1.0); }\n");
        test::writeFile(dir.file("solid.frag"), "#version 330 core\nuniform vec4 uColour;\nout vec4 fragColor;\n"
                                                "void main() { fragColor = uColour; }\n");
        ASSERT_TRUE(solid.compile(vertexPath.c_str(), fragmentPath.c_str(), nullptr));
        glGenVertexArrays(1, &vao);
        glGenBuffers(1, &vbo);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
    }
    void TearDown() override {
        chain.release();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDeleteBuffers(1, &vbo);
        glDeleteVertexArrays(1, &vao);
        solid.destroy();
        shaders.destroy();
    }

    void startChain(int width = kWidth, int height = kHeight) {
        PostProcessorSetup setup{&shaders, width, height, 4, [this](const char* name) {
                                     auto it = tracks.find(name);
                                     return it == tracks.end() ? 0.0f : it->second;
                                 }};
        ASSERT_TRUE(chain.init(setup));
        loader.processRequests();
        for (const ShaderProgram* program : {&chain.copyProgram, &chain.highPassProgram, &chain.blurProgram,
                                             &chain.mixProgram, &chain.resolveProgram, &chain.resolveDepthProgram})
            ASSERT_NE(program->program, shaders.getDummyShader().program) << program->fragmentPath;
    }

    // Flat-coloured triangles (x, y, z in clip space; z -1 near .. 1 far) into the bound target.
    void draw(const std::vector<float>& corners, GLenum mode, float r, float g, float b) {
        glBindVertexArray(vao);
        glBindBuffer(GL_ARRAY_BUFFER, vbo);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(corners.size() * sizeof(float)), corners.data(),
                     GL_STREAM_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        glEnableVertexAttribArray(0);
        glUseProgram(solid.program);
        glUniform4f(solid.getUniformLocation("uColour"), r, g, b, 1.0f);
        glDrawArrays(mode, 0, static_cast<GLsizei>(corners.size() / 3));
        glUseProgram(0);
        glBindVertexArray(0);  // the chain must not rely on a vertex array left bound
    }

    // A new scene buffer holding the test scene: a grey background, a red
    // triangle on the left at depth 0.25 whose slanted edge crosses pixels, and
    // a small white spot on the right (x 48..51, y 21..26) at depth 0.5.
    // Returns the painting of a single-sampled buffer.
    Image createScene(FrameBuffer& scene, bool withDepth, GLenum format, int samples) {
        EXPECT_TRUE(scene.create(kWidth, kHeight, 1, withDepth, format, samples));
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        scene.bind(true);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        draw({-1.0f, -1.0f, -0.5f, 0.2f, -1.0f, -0.5f, -1.0f, 1.0f, -0.5f}, GL_TRIANGLES, 1.0f, 0.0f, 0.0f);
        draw({0.5f, -0.125f, 0.0f, 0.625f, -0.125f, 0.0f, 0.5f, 0.125f, 0.0f, 0.625f, 0.125f, 0.0f},
             GL_TRIANGLE_STRIP, 1.0f, 1.0f, 1.0f);
        scene.unbind();
        return samples > 0 ? Image() : readTarget(scene.fbo);
    }

    Image readTarget(GLuint fbo) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        Image pixels = test::readPixels(0, 0, kWidth, kHeight);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return pixels;
    }

    // The presented picture: the default framebuffer cleared, then processed.
    Image present(FrameBuffer& scene, const Tracks& values) {
        tracks = values;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, kWidth, kHeight);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        chain.process(scene);
        EXPECT_EQ(chain.input, nullptr);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return readTarget(0);
    }

    static const uint8_t* at(const Image& image, int x, int y) { return &image[(y * kWidth + x) * 4]; }
    static void expectSame(const Image& got, const Image& want, int tolerance) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) ASSERT_NEAR(got[i], want[i], tolerance) << "byte " << i;
    }

    test::WorkingDir workingDir;
    test::TempDir dir;
    std::string vertexPath = dir.file("solid.vert");
    std::string fragmentPath = dir.file("solid.frag");
    test::LogCapture log;
    ResourceLoader loader;
    ShaderManager shaders;
    ShaderProgram solid;
    GLuint vao = 0;
    GLuint vbo = 0;
    Tracks tracks;
    PostProcessor chain;
};
} // namespace

TEST_F(PostChain, WithBloomOffTheSceneIsPresentedUnchangedAndAnyPositiveValueTurnsItOn) {
    startChain();
    FrameBuffer scene;
    const Image painted = createScene(scene, true, GL_RGBA, 0);
    ASSERT_EQ(at(painted, 10, 10)[0], 255);
    ASSERT_NEAR(at(painted, 40, 40)[1], 128, 1);
    // A single-sampled scene is read where it is: the resolve target keeps its blue.
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    chain.resolvedSceneBuffer.bind(true);
    chain.resolvedSceneBuffer.unbind();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    // The grading tracks work only through the bloom's mix.
    const Tracks graded = {{"FX.EnableBloom", 0.0f}, {"FX.Fade", 1.0f}, {"FX.Exposure", 2.0f}};
    EXPECT_EQ(present(scene, graded), painted);
    Tracks on = graded;
    on["FX.EnableBloom"] = 0.0001f;
    const Image faded = present(scene, on);
    EXPECT_EQ(faded[3], 255) << "alpha stays opaque";
    for (size_t i = 0; i < faded.size(); i += 4) ASSERT_EQ(faded[i] + faded[i + 1] + faded[i + 2], 0) << i;
    EXPECT_EQ(at(readTarget(chain.resolvedSceneBuffer.fbo), 30, 30)[2], 255);

    // Nothing of the chain stays bound into the scene's next frame.
    GLint binding[5] = {-1, -1, -1, -1, -1};
    for (int unit = 0; unit < 2; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_SAMPLER_BINDING, &binding[2 * unit]);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding[2 * unit + 1]);
    }
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_CURRENT_PROGRAM, &binding[4]);
    EXPECT_EQ(std::vector<GLint>(binding, binding + 5), std::vector<GLint>(5, 0));
    scene.destroy();
}

TEST_F(PostChain, GradingTracksShapeTheMixAsDocumented) {
    startChain();
    FrameBuffer scene;
    const Image painted = createScene(scene, true, GL_RGBA16F, 0);
    const Tracks neutral = {{"FX.EnableBloom", 1.0f}, {"FX.BloomDry", 1.0f}};
    auto with = [&](const Tracks& changes) {
        Tracks values = neutral;
        for (const auto& change : changes) values[change.first] = change.second;
        return present(scene, values);
    };
    const Image dry = with({});
    expectSame(dry, painted, 1);

    struct Case {
        Tracks changes;
        int x, y, r, g, b;  // a pixel of the red triangle (10, 10) or of the grey (40, 40)
    } cases[] = {
        {{{"FX.Exposure", 1.0f}}, 40, 40, 255, 255, 255},
        {{{"FX.Exposure", -1.0f}}, 40, 40, 64, 64, 64},
        {{{"FX.Fade", 0.5f}}, 10, 10, 128, 0, 0},
        {{{"FX.WhiteFade", 1.0f}}, 10, 10, 255, 255, 255},
        {{{"FX.Flash", 0.25f}}, 10, 10, 255, 64, 64},
        {{{"FX.Fade", 1.0f}, {"FX.Flash", 1.0f}}, 10, 10, 0, 0, 0},  // the fade comes last
        {{{"FX.BG_R", 0.0f}, {"FX.BG_G", 1.0f}, {"FX.BG_B", 0.5f}, {"FX.BG_A", 1.0f}}, 40, 40, 0, 128, 64},
        {{{"FX.BG_R", 0.0f}}, 40, 40, 128, 128, 128},  // no tint without its strength
    };
    for (const Case& c : cases) {
        const uint8_t* pixel = at(with(c.changes), c.x, c.y);
        EXPECT_NEAR(pixel[0], c.r, 2) << c.changes.begin()->first;
        EXPECT_NEAR(pixel[1], c.g, 2) << c.changes.begin()->first;
        EXPECT_NEAR(pixel[2], c.b, 2) << c.changes.begin()->first;
    }
    const Image vignette = with({{"FX.Vignette", 1.0f}});
    EXPECT_LT(at(vignette, 0, 0)[0], 16);
    EXPECT_LT(at(vignette, kWidth - 1, kHeight - 1)[1], 10);
    EXPECT_GT(at(vignette, kWidth / 2, kHeight / 2)[1], 120);

    // The glow: the white spot spreads into the grey beside it only with a wet level.
    const Image glow = with({{"FX.BloomWet", 1.0f}, {"FX.HighPassCutoff", 0.8f}, {"FX.BlurMagnitude", 2.0f}});
    EXPECT_NEAR(at(dry, 54, 24)[1], 128, 1);
    EXPECT_GT(at(glow, 54, 24)[1], 140);
    EXPECT_NEAR(at(glow, 40, 8)[1], 128, 1) << "far from the spot nothing glows";
    EXPECT_NEAR(at(glow, 10, 10)[1], 0, 1) << "the red triangle is below the cutoff";
    scene.destroy();
}

TEST_F(PostChain, TheDepthViewWinsOverBloomForSingleAndMultisampledScenes) {
    startChain();
    const Tracks depthView = {{"FX.RenderDepth", 1.0f}, {"FX.EnableBloom", 1.0f}, {"FX.BloomDry", 1.0f}};
    for (int samples : {0, 4}) {
        SCOPED_TRACE(samples);
        FrameBuffer scene;
        createScene(scene, true, GL_RGBA16F, samples);
        const Image depth = present(scene, depthView);
        EXPECT_NEAR(at(depth, 10, 10)[0], 64, 2);  // the red triangle
        EXPECT_EQ(at(depth, 10, 10)[1], at(depth, 10, 10)[0]) << "shown as grey";
        EXPECT_NEAR(at(depth, 49, 24)[2], 128, 2);  // the spot
        EXPECT_EQ(at(depth, 40, 40)[0], 255);       // the far plane
        scene.destroy();
    }
    // A scene without a depth attachment has nothing to show: black, and no failure.
    FrameBuffer flat;
    createScene(flat, false, GL_RGBA, 0);
    EXPECT_EQ(at(present(flat, depthView), 10, 10)[0], 0);
    flat.destroy();
}

TEST_F(PostChain, AMultisampledSceneIsResolvedBeforeBloom) {
    startChain();
    FrameBuffer scene;
    createScene(scene, true, GL_RGBA16F, 4);
    const Image bloomed = present(scene, {{"FX.EnableBloom", 1.0f}, {"FX.BloomDry", 1.0f}});
    const Image resolved = readTarget(chain.resolvedSceneBuffer.fbo);
    // Only averaged samples give the triangle's slanted edge values between red and grey.
    int partial = 0;
    for (size_t i = 0; i < resolved.size(); i += 4) partial += resolved[i] > 140 && resolved[i] < 240;
    EXPECT_GT(partial, 20);
    EXPECT_EQ(at(resolved, 10, 10)[0], 255);
    expectSame(bloomed, resolved, 1);
    expectSame(present(scene, {}), resolved, 1);
    scene.destroy();
}

TEST_F(PostChain, OddWindowSizesTruncateTheHalfSizeBuffersAndTheBlurUsesThem) {
    startChain(1366, 767);
    for (FrameBuffer* full : {&chain.blurBuffer, &chain.compositeBuffer, &chain.bloomBuffer1,
                              &chain.resolvedSceneBuffer, &chain.depthBuffer})
        EXPECT_TRUE(full->width == 1366 && full->height == 767);
    for (FrameBuffer* half : {&chain.bloomBuffer2, &chain.bloomBuffer3})
        EXPECT_TRUE(half->width == 683 && half->height == 383);

    FrameBuffer scene;
    ASSERT_TRUE(scene.create(1366, 767, 1, true, GL_RGBA16F, 0));
    tracks = {{"FX.EnableBloom", 1.0f}};
    chain.process(scene);
    GLfloat texelSize[2] = {0.0f, 0.0f};
    glGetUniformfv(chain.blurProgram.program, chain.blurProgram.getUniformLocation("uTexelSize"), texelSize);
    EXPECT_FLOAT_EQ(texelSize[0], 1.0f / 683.0f);
    EXPECT_FLOAT_EQ(texelSize[1], 1.0f / 383.0f);
    scene.destroy();
}

TEST_F(PostChain, ReleaseHandsTheProgramsBackAndAFailedBufferStopsInit) {
    startChain();
    const std::string mixKey = ShaderManager::keyOf("res/shaders/FullscreenQuad.vert", "res/shaders/Mix.frag", nullptr);
    ASSERT_EQ(shaders.findEntry(mixKey)->users.size(), 1u);
    const GLuint composite = chain.compositeBuffer.getColorTexture(0);
    chain.release();
    EXPECT_EQ(shaders.findEntry(mixKey)->users.size(), 0u);
    EXPECT_FALSE(glIsTexture(composite));
    EXPECT_TRUE(chain.quadBuffer == 0 && chain.sampler == 0 && chain.quadVertexArray == 0);

    PostProcessor broken;
    EXPECT_FALSE(broken.init(PostProcessorSetup{&shaders, 0, 0, 0, nullptr}));  // a 0 x 0 window
    EXPECT_TRUE(log.contains("Failed to initialize Resolved Scene Frame Buffer!"));
    broken.release();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
