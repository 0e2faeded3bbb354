// Post-processing passes. Every pass draws the shared full-screen quad into an
// off-screen buffer and unbinds back to the default framebuffer, where the
// present step draws last. No allocation per frame.
#include "postfx/PostProcessor.h"

#include "core/Profile.h"
#include "gfx/ShaderManager.h"
#include "sync/EngineTracks.h"

#include <SDL.h>

namespace {
const char* const kQuadVertexPath = "res/shaders/FullscreenQuad.vert";
const char* const kCopyPath = "res/shaders/CopyTex.frag";
const char* const kHighPassPath = "res/shaders/HighPass.frag";
const char* const kBlurPath = "res/shaders/Blur.frag";
const char* const kMixPath = "res/shaders/Mix.frag";
const char* const kResolvePath = "res/shaders/ResolveFBO.frag";
const char* const kResolveDepthPath = "res/shaders/ResolveDepth.frag";

bool createBuffer(FrameBuffer& buffer, int width, int height, bool withDepth, GLenum format, const char* failure) {
    if (buffer.create(width, height, 1, withDepth, format, 0)) return true;
    SDL_LogError(SDL_LOG_CATEGORY_RENDER, "%s", failure);
    return false;
}

// Single-channel textures (depth, the resolved depth) read as grey rather than red.
void showRedAsGrey(GLuint texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_G, GL_RED);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, GL_RED);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, 0);
}
} // namespace

bool PostProcessor::init(const PostProcessorSetup& chainSetup) {
    setup = chainSetup;
    const int width = setup.width;
    const int height = setup.height;
    // Truncated toward zero: 1366x767 gives 683x383.
    const int halfWidth = static_cast<int>(static_cast<float>(width) * 0.5f);
    const int halfHeight = static_cast<int>(static_cast<float>(height) * 0.5f);

    if (!createBuffer(resolvedSceneBuffer, width, height, true, GL_RGBA16F,
                      "Failed to initialize Resolved Scene Frame Buffer!") ||
        !createBuffer(depthBuffer, width, height, false, GL_R16F, "Failed to initialize Depth Frame Buffer!") ||
        !createBuffer(blurBuffer, width, height, false, GL_RGBA, "Failed to initialize Blur Frame Buffer!") ||
        !createBuffer(compositeBuffer, width, height, false, GL_RGBA,
                      "Failed to initialize Composite Frame Buffer!") ||
        !createBuffer(bloomBuffer1, width, height, false, GL_RGBA, "Failed to initialize Bloom Frame Buffer1!") ||
        !createBuffer(bloomBuffer2, halfWidth, halfHeight, false, GL_RGBA,
                      "Failed to initialize Bloom Frame Buffer2!") ||
        !createBuffer(bloomBuffer3, halfWidth, halfHeight, false, GL_RGBA,
                      "Failed to initialize Bloom Frame Buffer2!"))
        return false;
    showRedAsGrey(depthBuffer.getColorTexture(0));

    ShaderManager& shaders = *setup.shaders;
    shaders.requestShader(&copyProgram, kQuadVertexPath, kCopyPath, nullptr);
    shaders.requestShader(&highPassProgram, kQuadVertexPath, kHighPassPath, nullptr);
    shaders.requestShader(&blurProgram, kQuadVertexPath, kBlurPath, nullptr);
    shaders.requestShader(&mixProgram, kQuadVertexPath, kMixPath, nullptr);
    shaders.requestShader(&resolveProgram, kQuadVertexPath, kResolvePath, nullptr);
    shaders.requestShader(&resolveDepthProgram, kQuadVertexPath, kResolveDepthPath, nullptr);

    quad = createFullscreenQuad();
    sampler = createSampler(SamplerDesc());  // linear, clamped to the edge
    // No anisotropic filtering: every pass samples a screen-aligned quad, where
    // it gains nothing, and some drivers (Mesa's llvmpipe) then blur even a
    // one-to-one copy.
    return true;
}

float PostProcessor::track(const char* name) const { return setup.tracks ? setup.tracks(name) : 0.0f; }

void PostProcessor::beginPass(FrameBuffer& target, const ShaderProgram& program, GLenum textureTarget,
                              GLuint texture) {
    target.bind(true);
    glUseProgram(program.program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(textureTarget, texture);
    glUniform1i(program.getUniformLocation("uTexSampler"), 0);
    glBindSampler(0, sampler);
}

void PostProcessor::drawQuad() {
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void PostProcessor::endPass(FrameBuffer& target, GLenum textureTarget) {
    glBindTexture(textureTarget, 0);
    glBindSampler(0, 0);
    glUseProgram(0);
    target.unbind();
}

void PostProcessor::copyPass(FrameBuffer& target, FrameBuffer& source) {
    beginPass(target, copyProgram, GL_TEXTURE_2D, source.getColorTexture(0));
    drawQuad();
    endPass(target, GL_TEXTURE_2D);
}

void PostProcessor::blurPass(FrameBuffer& target, FrameBuffer& source, float directionX, float directionY,
                             float magnitude) {
    beginPass(target, blurProgram, GL_TEXTURE_2D, source.getColorTexture(0));
    const GLfloat texelSize[2] = {1.0f / static_cast<float>(static_cast<uint32_t>(source.width)),
                                  1.0f / static_cast<float>(static_cast<uint32_t>(source.height))};
    glUniform2fv(blurProgram.getUniformLocation("uTexelSize"), 1, texelSize);
    glUniform2f(blurProgram.getUniformLocation("uBlurDirection"), directionX, directionY);
    glUniform1f(blurProgram.getUniformLocation("uBlurMagnitude"), magnitude);
    drawQuad();
    endPass(target, GL_TEXTURE_2D);
}

void PostProcessor::resolvePass(FrameBuffer& target, const ShaderProgram& program, GLuint multisampledTexture) {
    beginPass(target, program, GL_TEXTURE_2D_MULTISAMPLE, multisampledTexture);
    glUniform1i(program.getUniformLocation("uSampleCount"), setup.sampleCount);
    glUniform2f(program.getUniformLocation("uResolution"), static_cast<float>(setup.width),
                static_cast<float>(setup.height));
    drawQuad();
    endPass(target, GL_TEXTURE_2D_MULTISAMPLE);
}

void PostProcessor::mixPass() {
    beginPass(compositeBuffer, mixProgram, GL_TEXTURE_2D, input->getColorTexture(0));
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, blurBuffer.getColorTexture(0));
    glBindSampler(1, sampler);
    const ShaderProgram& mix = mixProgram;
    glUniform1i(mix.getUniformLocation("uTexSampler2"), 1);
    glUniform1f(mix.getUniformLocation("uFade"), track(tracks::kFxFade));
    glUniform1f(mix.getUniformLocation("uWhiteFade"), track(tracks::kFxWhiteFade));
    glUniform1f(mix.getUniformLocation("uBloomDry"), track(tracks::kFxBloomDry));
    glUniform1f(mix.getUniformLocation("uBloomWet"), track(tracks::kFxBloomWet));
    glUniform1f(mix.getUniformLocation("uExposure"), track(tracks::kFxExposure));
    glUniform1f(mix.getUniformLocation("uFlash"), track(tracks::kFxFlash));
    glUniform1f(mix.getUniformLocation("uVignette"), track(tracks::kFxVignette));
    glUniform4f(mix.getUniformLocation("uColorCorrection"), track(tracks::kFxBgR), track(tracks::kFxBgG),
                track(tracks::kFxBgB), track(tracks::kFxBgA));
    drawQuad();
    // Both units are left clean: a sampler left on unit 1 would override the
    // filtering of whatever the scene binds there next frame.
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindSampler(1, 0);
    glActiveTexture(GL_TEXTURE0);
    endPass(compositeBuffer, GL_TEXTURE_2D);
}

void PostProcessor::process(FrameBuffer& scene) {
    profile::Scope timed(profile::kPostSetup);
    // Bound before the resolve passes too: a core context draws nothing without a vertex array.
    glBindVertexArray(quad.vertexArray);
    if (scene.multisampled) {
        resolvePass(resolvedSceneBuffer, resolveProgram, scene.getColorTexture(0));
        resolvePass(depthBuffer, resolveDepthProgram, scene.depthTexture ? scene.depthTexture->id : 0);
        input = &resolvedSceneBuffer;
    } else {
        input = &scene;
    }

    const bool bloom = flag(tracks::kFxEnableBloom);
    if (bloom) {
        beginPass(blurBuffer, highPassProgram, GL_TEXTURE_2D, input->getColorTexture(0));
        glUniform1f(highPassProgram.getUniformLocation("uHighPassCutoff"), track(tracks::kFxHighPassCutoff));
        drawQuad();
        endPass(blurBuffer, GL_TEXTURE_2D);

        copyPass(bloomBuffer1, blurBuffer);
        copyPass(bloomBuffer2, bloomBuffer1);
        const float magnitude = track(tracks::kFxBlurMagnitude);
        blurPass(bloomBuffer3, bloomBuffer2, 1.0f, 0.0f, magnitude);
        blurPass(bloomBuffer2, bloomBuffer3, 0.0f, 1.0f, magnitude);
        copyPass(bloomBuffer1, bloomBuffer2);
        copyPass(blurBuffer, bloomBuffer1);
        mixPass();
    }
    present();
    glBindVertexArray(0);
    input = nullptr;
}

void PostProcessor::present() {
    GLuint texture = 0;
    if (flag(tracks::kFxRenderDepth)) {
        // After a resolve the resolved buffer's own depth attachment holds only
        // the resolve quad; the scene's depth is in depthBuffer.
        if (input == &resolvedSceneBuffer) {
            texture = depthBuffer.getColorTexture(0);
        } else if (input->depthTexture) {
            texture = input->depthTexture->id;
            showRedAsGrey(texture);
        }
    } else if (flag(tracks::kFxEnableBloom)) {
        texture = compositeBuffer.getColorTexture(0);
    } else {
        texture = input->getColorTexture(0);
    }
    glUseProgram(copyProgram.program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(copyProgram.getUniformLocation("uTexSampler"), 0);
    glBindSampler(0, sampler);
    drawQuad();
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindSampler(0, 0);
    glUseProgram(0);
}

void PostProcessor::release() {
    destroyMesh(quad);
    destroySampler(sampler);
    if (setup.shaders) {
        ShaderManager& shaders = *setup.shaders;
        shaders.releaseShader(&copyProgram);
        shaders.releaseShader(&highPassProgram);
        shaders.releaseShader(&blurProgram);
        shaders.releaseShader(&mixProgram);
        shaders.releaseShader(&resolveProgram);
        shaders.releaseShader(&resolveDepthProgram);
    }
    compositeBuffer.destroy();
    blurBuffer.destroy();
    bloomBuffer1.destroy();
    bloomBuffer2.destroy();
    bloomBuffer3.destroy();
    resolvedSceneBuffer.destroy();
    depthBuffer.destroy();
}
