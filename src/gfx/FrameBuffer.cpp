// 2D framebuffers: colour textures, optional depth-stencil texture, multisampling.
#include "gfx/FrameBuffer.h"

#include <algorithm>

bool FrameBuffer::create(int w, int h, uint32_t count, bool withDepth, GLenum format, int samples) {
    width = w;
    height = h;
    colorCount = count;
    multisampled = samples > 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);

    GLint maxAttachments = 0;
    GLint maxDrawBuffers = 0;
    glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS, &maxAttachments);
    glGetIntegerv(GL_MAX_DRAW_BUFFERS, &maxDrawBuffers);
    if (count > static_cast<uint32_t>(std::max(0, std::min(maxAttachments, maxDrawBuffers)))) {
        colorCount = 0;  // nothing was allocated; destroy() must not look for textures
        return false;
    }

    const GLenum target = multisampled ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D;
    colorTextures.assign(count, Texture());
    std::vector<GLenum> drawBuffers(count);
    for (uint32_t i = 0; i < count; ++i) {
        Texture& texture = colorTextures[i];
        texture.generate(w, h, nullptr, format, false, samples, false);
        glBindTexture(target, texture.id);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, target, texture.id, 0);
        glBindTexture(target, 0);
        drawBuffers[i] = GL_COLOR_ATTACHMENT0 + i;
    }
    glDrawBuffers(static_cast<GLsizei>(count), drawBuffers.data());

    if (withDepth) {
        depthTexture = std::make_unique<Texture>();
        depthTexture->generate(w, h, nullptr, GL_DEPTH24_STENCIL8, false, samples, false);
        glBindTexture(target, depthTexture->id);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, target, depthTexture->id, 0);
        glBindTexture(target, 0);
    }
    return checkComplete();
}

void FrameBuffer::bind(bool clear) { bindTarget(clear); }

void FrameBuffer::unbind() { unbindTarget(); }

GLuint FrameBuffer::getColorTexture(uint32_t index) const {
    return index < colorCount && index < colorTextures.size() ? colorTextures[index].id : 0;
}

void FrameBuffer::destroy() {
    if (depthTexture) {
        depthTexture->release();
        depthTexture.reset();
    }
    for (Texture& texture : colorTextures) texture.release();
    colorTextures.clear();
    colorCount = 0;
    if (fbo != 0) glDeleteFramebuffers(1, &fbo);
    fbo = 0;
}
