// The post-processing chain: multisample resolve, bloom (high pass, separable
// blur at half size, mix with fades, exposure, flash, vignette and tint) and the
// present into the default framebuffer. Built on the gfx layer (FrameBuffer,
// ShaderManager); every parameter is an "FX." sync track read through a TrackReader.
#pragma once
#include "gfx/FrameBuffer.h"
#include "gfx/Mesh.h"
#include "gfx/ShaderProgram.h"

#include <GL/glew.h>

#include <functional>

class ShaderManager;

// The value of a named sync track at the current row. A track read as a flag
// is on when its value is above 0.
using TrackReader = std::function<float(const char* name)>;

// What the chain depends on, fixed for the run.
struct PostProcessorSetup {
    ShaderManager* shaders = nullptr;
    int width = 0;        // window size in pixels
    int height = 0;
    int sampleCount = 0;  // the MSAA setting, handed to the resolve shaders
    TrackReader tracks;
};

class PostProcessor {
public:
    // Creates the buffers, requests the programs, builds the quad and the
    // sampler. False on the first buffer that cannot be created (logged).
    bool init(const PostProcessorSetup& setup);
    // Draws the final picture of `scene` into the default framebuffer.
    void process(FrameBuffer& scene);
    void release();

    ShaderProgram highPassProgram;
    ShaderProgram blurProgram;
    ShaderProgram mixProgram;
    ShaderProgram copyProgram;
    ShaderProgram resolveProgram;
    ShaderProgram resolveDepthProgram;
    FrameBuffer* input = nullptr;  // set only while process runs
    FrameBuffer blurBuffer;
    FrameBuffer compositeBuffer;
    FrameBuffer bloomBuffer1;
    FrameBuffer bloomBuffer2;  // half size
    FrameBuffer bloomBuffer3;  // half size
    FrameBuffer resolvedSceneBuffer;
    FrameBuffer depthBuffer;
    Mesh quad;
    GLuint sampler = 0;

private:
    float track(const char* name) const;
    bool flag(const char* name) const { return track(name) > 0.0f; }
    void beginPass(FrameBuffer& target, const ShaderProgram& program, GLenum textureTarget, GLuint texture);
    void drawQuad();
    void endPass(FrameBuffer& target, GLenum textureTarget);
    void copyPass(FrameBuffer& target, FrameBuffer& source);
    void blurPass(FrameBuffer& target, FrameBuffer& source, float directionX, float directionY, float magnitude);
    void resolvePass(FrameBuffer& target, const ShaderProgram& program, GLuint multisampledTexture);
    void mixPass();
    void present();

    PostProcessorSetup setup;
};
