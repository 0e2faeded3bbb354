// The post-processing chain on the real driver with the shipped shaders: what
// reaches the default framebuffer for bloom off and on, the grading tracks, the
// depth view, the multisample resolve, the half-size buffers, and release.
#include "gfx/ResourceLoader.h"
#include "gfx/ShaderManager.h"
#include "postfx/PostProcessor.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {
using Image = std::vector<uint8_t>;
constexpr int kWidth = 64;
constexpr int kHeight = 48;

const char* kSolidVertex = "#version 330 core\nlayout(location = 0) in vec3 aPosition;\n"
                           "void main() { gl_Position = vec4(aPosition, 1.0); }\n";
const char* kSolidFragment = "#version 330 core\nuniform vec4 uColour;\nout vec4 fragColor;\n"
                             "void main() { fragColor = uColour; }\n";

// The player's state around the chain (depth test and culling on), the shader
// manager on its own loader, tracks from a map, and a flat-colour program to
// paint scenes with.
class PostChain : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(workingDir.enter(SOLVANE_SOURCE_DIR));
        loader.init(nullptr);
        ASSERT_TRUE(shaders.init(loader, nullptr));
        test::writeFile(dir.file("solid.vert"), kSolidVertex);
        test::writeFile(dir.file("solid.frag"), kSolidFragment);
        ASSERT_TRUE(solid.compile(vertexPath.c_str(), fragmentPath.c_str(), nullptr));
        glGenVertexArrays(1, &vao);
        glGenBuffers(1, &vbo);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClearDepth(1.0);
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

    void startChain(int width = kWidth, int height = kHeight, int samples = 4) {
        PostProcessorSetup setup;
        setup.shaders = &shaders;
        setup.width = width;
        setup.height = height;
        setup.sampleCount = samples;
        setup.tracks = [this](const char* name) {
            auto it = tracks.find(name);
            return it == tracks.end() ? 0.0f : it->second;
        };
        ASSERT_TRUE(chain.init(setup));
        loader.processRequests();
        for (const ShaderProgram* program : {&chain.copyProgram, &chain.highPassProgram, &chain.blurProgram,
                                             &chain.mixProgram, &chain.resolveProgram, &chain.resolveDepthProgram})
            ASSERT_NE(program->program, shaders.getDummyShader().program) << program->fragmentPath;
    }

    // Flat-coloured vertices (x, y, z in clip space) into the bound target.
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
    }
    // A rectangle at depth z (-1 near .. 1 far).
    void paint(float x0, float y0, float x1, float y1, float z, float r, float g, float b) {
        draw({x0, y0, z, x1, y0, z, x0, y1, z, x1, y1, z}, GL_TRIANGLE_STRIP, r, g, b);
    }

    // The test scene: a grey background, a red block on the left half at depth
    // 0.25 (z = -0.5) and a small white spot at the right.
    void paintScene(FrameBuffer& scene) {
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        scene.bind(true);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        paint(-1.0f, -1.0f, 0.0f, 1.0f, -0.5f, 1.0f, 0.0f, 0.0f);
        paint(0.5f, -0.125f, 0.625f, 0.125f, 0.0f, 1.0f, 1.0f, 1.0f);
        scene.unbind();
    }

    // A new scene buffer with the test scene painted in; returns the painting.
    Image createScene(FrameBuffer& scene, bool withDepth, GLenum format, int samples) {
        EXPECT_TRUE(scene.create(kWidth, kHeight, 1, withDepth, format, samples));
        paintScene(scene);
        return samples > 0 ? Image() : readTarget(scene.fbo);
    }

    Image readTarget(GLuint fbo, int width = kWidth, int height = kHeight) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        Image pixels = test::readPixels(0, 0, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return pixels;
    }

    // The presented picture: the default framebuffer cleared, then processed.
    Image present(FrameBuffer& scene) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, kWidth, kHeight);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        chain.process(scene);
        EXPECT_EQ(chain.input, nullptr);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return readTarget(0);
    }

    static const uint8_t* at(const Image& image, int x, int y) { return &image[(y * kWidth + x) * 4]; }

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
    std::map<std::string, float> tracks;
    PostProcessor chain;
};
} // namespace

TEST_F(PostChain, WithBloomOffTheSceneIsPresentedUnchangedAndAnyPositiveValueTurnsItOn) {
    startChain();
    FrameBuffer scene;
    const Image painted = createScene(scene, true, GL_RGBA, 0);
    ASSERT_EQ(at(painted, 10, 10)[0], 255);
    ASSERT_EQ(at(painted, 10, 10)[1], 0);
    ASSERT_NEAR(at(painted, 40, 40)[0], 128, 1);

    // A single-sampled scene is read where it is: the resolve target is left alone.
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    chain.resolvedSceneBuffer.bind(true);
    chain.resolvedSceneBuffer.unbind();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    tracks = {{"FX.EnableBloom", 0.0f}, {"FX.Fade", 1.0f}, {"FX.Exposure", 2.0f}, {"FX.Vignette", 1.0f}};
    EXPECT_EQ(present(scene), painted);

    tracks["FX.EnableBloom"] = 0.0001f;
    tracks["FX.BloomDry"] = 1.0f;
    const Image faded = present(scene);
    EXPECT_EQ(at(faded, 10, 10)[3], 255) << "alpha stays opaque";
    for (size_t i = 0; i < faded.size(); i += 4) ASSERT_EQ(faded[i] + faded[i + 1] + faded[i + 2], 0) << i;

    const Image untouched = readTarget(chain.resolvedSceneBuffer.fbo);
    EXPECT_EQ(at(untouched, 30, 30)[2], 255);

    // Nothing of the chain is left bound for the scene's next frame.
    GLint binding = -1;
    for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
        glActiveTexture(unit);
        glGetIntegerv(GL_SAMPLER_BINDING, &binding);
        EXPECT_EQ(binding, 0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
        EXPECT_EQ(binding, 0);
    }
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_CURRENT_PROGRAM, &binding);
    EXPECT_EQ(binding, 0);
    scene.destroy();
}

TEST_F(PostChain, GradingTracksShapeTheMixAsDocumented) {
    startChain();
    FrameBuffer scene;
    const Image painted = createScene(scene, true, GL_RGBA16F, 0);
    const std::map<std::string, float> neutral = {{"FX.EnableBloom", 1.0f}, {"FX.BloomDry", 1.0f}};
    auto with = [&](std::map<std::string, float> changes) {
        tracks = neutral;
        for (const auto& change : changes) tracks[change.first] = change.second;
        return present(scene);
    };
    auto near = [](const uint8_t* pixel, int r, int g, int b) {
        return std::abs(pixel[0] - r) <= 2 && std::abs(pixel[1] - g) <= 2 && std::abs(pixel[2] - b) <= 2;
    };

    const Image dry = with({});
    for (size_t i = 0; i < dry.size(); ++i) ASSERT_NEAR(dry[i], painted[i], 1) << i;

    EXPECT_TRUE(near(at(with({{"FX.Exposure", 1.0f}}), 40, 40), 255, 255, 255));
    EXPECT_TRUE(near(at(with({{"FX.Exposure", -1.0f}}), 40, 40), 64, 64, 64));
    EXPECT_TRUE(near(at(with({{"FX.Fade", 1.0f}}), 10, 10), 0, 0, 0));
    EXPECT_TRUE(near(at(with({{"FX.Fade", 0.5f}}), 10, 10), 128, 0, 0));
    EXPECT_TRUE(near(at(with({{"FX.WhiteFade", 1.0f}}), 10, 10), 255, 255, 255));
    EXPECT_TRUE(near(at(with({{"FX.Flash", 0.25f}}), 10, 10), 255, 64, 64));
    EXPECT_TRUE(near(at(with({{"FX.Fade", 1.0f}, {"FX.Flash", 1.0f}}), 10, 10), 0, 0, 0)) << "the fade wins";
    const Image tinted = with({{"FX.BG_R", 0.0f}, {"FX.BG_G", 1.0f}, {"FX.BG_B", 0.5f}, {"FX.BG_A", 1.0f}});
    EXPECT_TRUE(near(at(tinted, 40, 40), 0, 128, 64));
    EXPECT_TRUE(near(at(with({{"FX.BG_R", 0.0f}, {"FX.BG_A", 0.0f}}), 40, 40), 128, 128, 128)) << "no strength";

    const Image vignette = with({{"FX.Vignette", 1.0f}});
    EXPECT_LT(at(vignette, 0, 0)[0], 16);
    EXPECT_LT(at(vignette, kWidth - 1, kHeight - 1)[0], 16);
    EXPECT_GT(at(vignette, kWidth / 2, kHeight / 2)[0], 120);

    // The glow: the white spot spreads into the grey around it only with a wet level.
    const Image glow = with({{"FX.BloomWet", 1.0f}, {"FX.HighPassCutoff", 0.8f}, {"FX.BlurMagnitude", 2.0f}});
    const int besideSpot = 54;  // the spot covers x 48..51 and y 21..26
    EXPECT_NEAR(at(dry, besideSpot, 24)[1], 128, 1);
    EXPECT_GT(at(glow, besideSpot, 24)[1], 140);
    EXPECT_NEAR(at(glow, 40, 8)[1], 128, 1) << "far from the spot nothing glows";
    EXPECT_NEAR(at(glow, 10, 10)[1], 0, 1) << "the red block is below the cutoff";
    scene.destroy();
}

TEST_F(PostChain, TheDepthViewWinsOverBloomForSingleAndMultisampledScenes) {
    startChain();
    for (int samples : {0, 4}) {
        SCOPED_TRACE(samples);
        FrameBuffer scene;
        createScene(scene, true, GL_RGBA16F, samples);
        tracks = {{"FX.RenderDepth", 1.0f}, {"FX.EnableBloom", 1.0f}, {"FX.BloomDry", 1.0f}};
        const Image depth = present(scene);
        // The red block lies at depth 0.25, the spot at 0.5, the background at the far plane.
        EXPECT_NEAR(at(depth, 10, 10)[0], 64, 2);
        EXPECT_EQ(at(depth, 10, 10)[1], at(depth, 10, 10)[0]) << "shown as grey";
        EXPECT_NEAR(at(depth, 49, 24)[2], 128, 2);
        EXPECT_EQ(at(depth, 40, 40)[0], 255);
        scene.destroy();
    }

    // A scene without a depth attachment has nothing to show: black, and no failure.
    FrameBuffer flat;
    createScene(flat, false, GL_RGBA, 0);
    EXPECT_EQ(at(present(flat), 10, 10)[0], 0);
    flat.destroy();
}

TEST_F(PostChain, AMultisampledSceneIsResolvedBeforeBloom) {
    startChain();
    FrameBuffer scene;
    ASSERT_TRUE(scene.create(kWidth, kHeight, 1, true, GL_RGBA16F, 4));
    glViewport(0, 0, kWidth, kHeight);
    scene.bind(true);
    // A triangle whose long edge crosses pixels at a slant: its edge pixels
    // are partly covered, so only averaged samples give values between 0 and 255.
    draw({-1.0f, -1.0f, 0.0f, 1.0f, -1.0f, 0.0f, -1.0f, 0.7f, 0.0f}, GL_TRIANGLES, 0.0f, 1.0f, 0.0f);
    scene.unbind();
    glBindVertexArray(0);  // the chain must not depend on a vertex array left bound

    tracks = {{"FX.EnableBloom", 1.0f}, {"FX.BloomDry", 1.0f}};
    const Image bloomed = present(scene);
    const Image resolved = readTarget(chain.resolvedSceneBuffer.fbo);
    int partial = 0;
    for (size_t i = 1; i < resolved.size(); i += 4) partial += resolved[i] > 20 && resolved[i] < 235;
    EXPECT_GT(partial, 20);
    EXPECT_EQ(at(resolved, 5, 5)[1], 255);
    EXPECT_EQ(at(resolved, 60, 45)[1], 0);
    for (size_t i = 0; i < resolved.size(); ++i) ASSERT_NEAR(bloomed[i], resolved[i], 1) << i;

    tracks = {};
    const Image plain = present(scene);
    for (size_t i = 0; i < resolved.size(); ++i) ASSERT_NEAR(plain[i], resolved[i], 1) << "no bloom: " << i;
    scene.destroy();
}

TEST_F(PostChain, OddWindowSizesTruncateTheHalfSizeBuffersAndTheBlurUsesThem) {
    startChain(1366, 767);
    for (FrameBuffer* full : {&chain.blurBuffer, &chain.compositeBuffer, &chain.bloomBuffer1,
                              &chain.resolvedSceneBuffer, &chain.depthBuffer}) {
        EXPECT_EQ(full->width, 1366);
        EXPECT_EQ(full->height, 767);
    }
    for (FrameBuffer* half : {&chain.bloomBuffer2, &chain.bloomBuffer3}) {
        EXPECT_EQ(half->width, 683);
        EXPECT_EQ(half->height, 383);
    }
    EXPECT_FALSE(chain.depthBuffer.multisampled);
    EXPECT_TRUE(chain.resolvedSceneBuffer.depthTexture != nullptr);
    EXPECT_TRUE(chain.blurBuffer.depthTexture == nullptr);

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
    EXPECT_EQ(chain.quadBuffer, 0u);
    EXPECT_EQ(chain.sampler, 0u);

    PostProcessor broken;
    PostProcessorSetup setup;
    setup.shaders = &shaders;
    EXPECT_FALSE(broken.init(setup));  // a 0 x 0 window
    EXPECT_TRUE(log.contains("Failed to initialize Resolved Scene Frame Buffer!"));
    broken.release();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
