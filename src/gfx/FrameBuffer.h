// Off-screen 2D render target: colour textures, an optional depth-stencil
// texture, optional multisampling, and the viewport saved at bind and restored
// at unbind. Main thread, current GL context.
#pragma once
#include "gfx/Texture.h"

#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <vector>

class FrameBuffer {
public:
    // False without a message when colorCount exceeds the driver's limits;
    // false with "Framebuffer Incomplete! - %s" when the driver refuses it.
    bool create(int width, int height, uint32_t colorCount, bool withDepth, GLenum internalFormat, int samples);
    void bind(bool clear);
    void unbind();
    GLuint getColorTexture(uint32_t index) const;
    void destroy();

    int32_t width = 0;
    int32_t height = 0;
    int32_t restoreWidth = 0;
    int32_t restoreHeight = 0;
    GLuint fbo = 0;
    std::unique_ptr<Texture> depthTexture;
    std::vector<Texture> colorTextures;
    uint32_t colorCount = 0;
    bool multisampled = false;
};

// Completeness of the bound framebuffer; logs the status text when incomplete.
// On success the default framebuffer is bound again.
bool checkFramebufferComplete();
// Binds `fbo`, sets its viewport and optionally clears; returns the extent to
// restore (x + width, y + height of the viewport that was current).
void bindRenderTarget(GLuint fbo, int width, int height, bool clear, int32_t& restoreWidth, int32_t& restoreHeight);
void unbindRenderTarget(int32_t restoreWidth, int32_t restoreHeight);
