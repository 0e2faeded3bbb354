// 2D framebuffers and the bind/unbind/completeness steps shared with the cube
// framebuffer.
#include "gfx/FrameBuffer.h"

#include <SDL.h>

#include <algorithm>

namespace {
const char* statusText(GLenum status) {
    switch (status) {
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT: return "Incomplete Attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT: return "Missing Attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER: return "Incomplete Draw Buffer";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER: return "Incomplete Read Buffer";
    case GL_FRAMEBUFFER_UNSUPPORTED: return "Unsupported";
    case GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS: return "Incomplete Layer Targets";
    default: return "Unknown";
    }
}
} // namespace

bool checkFramebufferComplete() {
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status == GL_FRAMEBUFFER_COMPLETE) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return true;
    }
    SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Framebuffer Incomplete! - %s", statusText(status));
    return false;
}

void bindRenderTarget(GLuint fbo, int width, int height, bool clear, int32_t& restoreWidth, int32_t& restoreHeight) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Restored from the origin: a viewport at (x, y) comes back covering (0, 0) to its far corner.
    restoreWidth = viewport[0] + viewport[2];
    restoreHeight = viewport[1] + viewport[3];
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, width, height);
    if (clear) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void unbindRenderTarget(int32_t restoreWidth, int32_t restoreHeight) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, restoreWidth, restoreHeight);
}

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
    return checkFramebufferComplete();
}

void FrameBuffer::bind(bool clear) { bindRenderTarget(fbo, width, height, clear, restoreWidth, restoreHeight); }

void FrameBuffer::unbind() { unbindRenderTarget(restoreWidth, restoreHeight); }

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
