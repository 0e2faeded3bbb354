// The post-processing chain on the real driver with the shipped shaders: what
// reaches the default framebuffer for bloom off and on, the glow, the
// multisample resolve and the depth view. (The fades and the flash are seen in
// the shipped show's frames.)
#include "objects/ShowAssets.h"
#include "postfx/PostProcessor.h"

#include "GlContext.h"

#include <map>

namespace {
using Image = std::vector<uint8_t>;
constexpr int kWidth = 64;
constexpr int kHeight = 48;
using PostChain = test::EngineTest;

const uint8_t* at(const Image& image, int x, int y) { return &image[(y * kWidth + x) * 4]; }
} // namespace

TEST_F(PostChain, BloomOffPresentsTheSceneAsResolvedAnyPositiveValueTurnsItOnItGlowsAndTheDepthViewWins) {
    startScene();  // the player's state around the chain
    std::map<std::string, float> tracks;
    auto reader = [&](const char* name) { return tracks.count(name) ? tracks[name] : 0.0f; };
    PostProcessor chain;
    ASSERT_TRUE(chain.init(PostProcessorSetup{&engine.shaderManager, kWidth, kHeight, 4, reader}));
    engine.resourceLoader.processRequests();
    // The flat-colour wireframe program paints the scenes, with corners given in clip space.
    ShaderProgram solid;
    ASSERT_TRUE(solid.compile(kWireframeVertexPath, kWireframeFragmentPath, nullptr));
    glUseProgram(solid.program);
    for (const char* matrix : {"uProjectionMatrix", "uViewMatrix", "uModelMatrix"})
        glUniformMatrix4fv(solid.getUniformLocation(matrix), 1, GL_FALSE, &test::kIdentity[0][0]);
    auto present = [&](FrameBuffer& scene, const std::map<std::string, float>& values) {
        tracks = values;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, kWidth, kHeight);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        chain.process(scene);
        EXPECT_EQ(chain.input, nullptr);
        return test::readPixels(0, 0, kWidth, kHeight, 0);
    };

    for (int samples : {0, 4}) {
        SCOPED_TRACE(samples);
        // A grey background, a red triangle on the left at depth 0.25 whose slanted
        // edge crosses pixels, and a small white spot on the right (x 48..51, y 21..26)
        // at depth 0.5.
        FrameBuffer scene;
        ASSERT_TRUE(scene.create(kWidth, kHeight, 1, true, GL_RGBA16F, samples));
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        scene.bind(true);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glUseProgram(solid.program);
        glUniform4f(solid.getUniformLocation("uDiffuse"), 1.0f, 0.0f, 0.0f, 1.0f);
        test::drawCorners({-1.0f, -1.0f, -0.5f, 0.2f, -1.0f, -0.5f, -1.0f, 1.0f, -0.5f});
        glUniform4f(solid.getUniformLocation("uDiffuse"), 1.0f, 1.0f, 1.0f, 1.0f);
        test::drawCorners({0.5f, -0.125f, 0.0f, 0.625f, -0.125f, 0.0f, 0.5f, 0.125f, 0.0f, 0.625f, 0.125f, 0.0f},
                          GL_TRIANGLE_STRIP);
        glUseProgram(0);
        scene.unbind();
        const Image painted = samples > 0 ? Image() : test::readPixels(0, 0, kWidth, kHeight, scene.fbo);
        // The grading tracks work only through the bloom's mix.
        std::map<std::string, float> values = {{"FX.EnableBloom", 0.0f}, {"FX.Fade", 1.0f}, {"FX.Exposure", 2.0f}};
        const Image off = present(scene, values);
        if (samples == 0) {
            EXPECT_EQ(off, painted);
        } else {
            // Only averaged samples give the triangle's slanted edge values between red and grey.
            const Image picture = test::readPixels(0, 0, kWidth, kHeight, chain.resolvedSceneBuffer.fbo);
            int partial = 0;
            for (size_t i = 0; i < picture.size(); i += 4) partial += picture[i] > 140 && picture[i] < 240;
            EXPECT_GT(partial, 20);
            EXPECT_EQ(at(picture, 10, 10)[0], 255);
            ASSERT_EQ(off.size(), picture.size());
            for (size_t i = 0; i < off.size(); ++i) ASSERT_NEAR(off[i], picture[i], 1) << "byte " << i;
        }
        // The glow: the white spot spreads into the grey beside it with a wet level, the darker red does not.
        const Image glow = present(scene, {{"FX.EnableBloom", 1.0f}, {"FX.BloomDry", 1.0f}, {"FX.BloomWet", 1.0f},
                                           {"FX.HighPassCutoff", 0.8f}, {"FX.BlurMagnitude", 2.0f}});
        EXPECT_NEAR(at(off, 54, 24)[1], 128, 1);
        EXPECT_GT(at(glow, 54, 24)[1], 140);
        EXPECT_NEAR(at(glow, 40, 40)[1], 128, 1);  // the grey is below the cutoff
        EXPECT_NEAR(at(glow, 10, 10)[1], 0, 1);
        values["FX.EnableBloom"] = 0.0001f;
        const Image faded = present(scene, values);
        for (size_t i = 0; i < faded.size(); i += 4)
            ASSERT_TRUE(faded[i] + faded[i + 1] + faded[i + 2] == 0 && faded[i + 3] == 255) << i;

        const Image depth = present(scene, {{"FX.RenderDepth", 1.0f}, {"FX.EnableBloom", 1.0f}, {"FX.BloomDry", 1.0f}});
        // Grey levels of the red triangle, the spot and the far plane.
        EXPECT_TRUE(std::abs(at(depth, 10, 10)[1] - 64) <= 2 && at(depth, 10, 10)[0] == at(depth, 10, 10)[1]);
        EXPECT_NEAR(at(depth, 49, 24)[2], 128, 2);
        EXPECT_EQ(at(depth, 40, 40)[0], 255);
        scene.destroy();
    }
    chain.release();
    solid.destroy();
}
