// Off-screen 2D render target: colour textures, an optional depth-stencil
// texture, optional multisampling, and the viewport saved at bind and restored
// at unbind. Main thread, current GL context.
#pragma once
#include "gfx/RenderTarget.h"
#include "gfx/Texture.h"

#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <vector>

class FrameBuffer : public RenderTarget {
public:
    // False without a message when colorCount exceeds the driver's limits;
    // false with "Framebuffer Incomplete! - %s" when the driver refuses it.
    bool create(int width, int height, uint32_t colorCount, bool withDepth, GLenum internalFormat, int samples);
    void bind(bool clear);
    void unbind();
    GLuint getColorTexture(uint32_t index) const;
    void destroy();

    std::unique_ptr<Texture> depthTexture;
    std::vector<Texture> colorTextures;
    uint32_t colorCount = 0;
    bool multisampled = false;
};
