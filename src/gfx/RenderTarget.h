// What both off-screen targets share: size, the framebuffer object, the
// viewport saved at bind and restored at unbind, and the completeness check.
#pragma once
#include <GL/glew.h>

#include <cstdint>

struct RenderTarget {
    int32_t width = 0;
    int32_t height = 0;
    int32_t restoreWidth = 0;
    int32_t restoreHeight = 0;
    // The framebuffer bound when this one was: the screen, a buffer standing in
    // for it, or the buffer this one is drawn inside.
    GLuint restoreFbo = 0;
    GLuint fbo = 0;

protected:
    // Binds with a viewport of the target's size; optionally clears colour, depth and stencil.
    void bindTarget(bool clear);
    // Back to the framebuffer and the viewport saved by bindTarget.
    void unbindTarget();
    // Completeness of the bound framebuffer; logs the status text when
    // incomplete. On success the default framebuffer is bound again.
    static bool checkComplete();
};
