// Render-target binding and the completeness messages.
#include "gfx/RenderTarget.h"

#include <SDL.h>

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

bool RenderTarget::checkComplete() {
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status == GL_FRAMEBUFFER_COMPLETE) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return true;
    }
    SDL_LogError(SDL_LOG_CATEGORY_RENDER, "Framebuffer Incomplete! - %s", statusText(status));
    return false;
}

void RenderTarget::bindTarget(bool clear) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Restored from the origin: a viewport at (x, y) comes back covering (0, 0) to its far corner.
    restoreWidth = viewport[0] + viewport[2];
    restoreHeight = viewport[1] + viewport[3];
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    restoreFbo = static_cast<GLuint>(bound);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, width, height);
    if (clear) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void RenderTarget::unbindTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, restoreFbo);
    glViewport(0, 0, restoreWidth, restoreHeight);
}
