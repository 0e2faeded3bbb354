// Off-screen cube-map render target, drawn one face at a time, with a shared
// depth-stencil renderbuffer. Main thread, current GL context.
#pragma once
#include "gfx/RenderTarget.h"
#include "gfx/Texture.h"

#include <GL/glew.h>

#include <cstdint>

class CubeFrameBuffer : public RenderTarget {
public:
    bool create(int faceWidth, int faceHeight, GLenum internalFormat);
    void bind(bool clear);
    // Faces 5 and above become 5 (-Z). Attaches and clears the face; call while bound.
    void selectFace(uint32_t face);
    void unbind();
    GLuint getTexture() const { return cubeTexture.id; }
    void destroy();

    GLuint depthRenderbuffer = 0;
    Texture cubeTexture;
    bool bound = false;
    uint32_t currentFace = 0;
};
