// A scene node that renders its subtree into an off-screen 2D frame buffer,
// which the scene then hands to the post processor. Built on SceneObject and
// the gfx FrameBuffer; main thread only.
#pragma once
#include "gfx/FrameBuffer.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>

#include <cstdint>

inline constexpr int kSceneBufferType = 16;

class SceneBufferObject : public SceneObject {
public:
    // internalFormat is GL_RGBA or GL_RGBA16F; samples 0 means single-sampled.
    SceneBufferObject(int32_t width, int32_t height, int32_t colorCount, bool withDepth, GLenum internalFormat,
                      int32_t samples);

    bool build(Scene* scene) override;
    // Draws nothing itself: clears the target and renders the visible children into it.
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kSceneBufferType; }
    // Bytes build takes for these arguments, before anything is made.
    static uint64_t memoryEstimate(int32_t width, int32_t height, int32_t colorCount, bool withDepth,
                                   GLenum internalFormat, int32_t samples);

    FrameBuffer frameBuffer;
    int32_t width;
    int32_t height;
    int32_t colorCount;
    bool withDepth;
    GLenum internalFormat;
    int32_t samples;
    bool built = false;  // between a successful build and release
    bool warned = false;
};

// A scene buffer's colour format from its script name, "RGBA" or "RGBA16F";
// refuses any other (the cube buffer's row reads it too).
GLenum checkColorFormat(ObjectArgs& args, int index);
// A buffer linked into the tree after the build, or whose build failed, has no
// target of its own; drawing on would bind the window (or a half-made target)
// and clear it. True when the render must stop; says so once per buffer.
bool skipUnbuiltBuffer(bool built, bool& warned, const char* what);
