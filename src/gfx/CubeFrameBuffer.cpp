// Cube framebuffer: six empty faces of one cube texture, one attached at a time.
#include "gfx/CubeFrameBuffer.h"

#include <algorithm>

bool CubeFrameBuffer::create(int faceWidth, int faceHeight, GLenum internalFormat) {
    width = faceWidth;
    height = faceHeight;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    cubeTexture.generate(faceWidth * 3, faceHeight * 4, nullptr, internalFormat, true, 0, false);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_CUBE_MAP_POSITIVE_X, cubeTexture.id, 0);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &drawBuffer);
    glGenRenderbuffers(1, &depthRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, depthRenderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, faceWidth, faceHeight);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthRenderbuffer);
    return checkComplete();
}

void CubeFrameBuffer::bind(bool clear) {
    bindTarget(clear);
    bound = true;
}

void CubeFrameBuffer::selectFace(uint32_t face) {
    face = std::min<uint32_t>(face, 5);
    currentFace = face;
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face,
                           cubeTexture.id, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void CubeFrameBuffer::unbind() {
    unbindTarget();
    bound = false;
}

void CubeFrameBuffer::destroy() {
    if (depthRenderbuffer != 0) {
        glDeleteRenderbuffers(1, &depthRenderbuffer);
        depthRenderbuffer = 0;
    }
    cubeTexture.release();
    if (fbo != 0) glDeleteFramebuffers(1, &fbo);
    fbo = 0;
}
