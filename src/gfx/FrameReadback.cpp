// Pixel-buffer ring for frame capture. The read goes into GL_PIXEL_PACK_BUFFER
// and returns at once; mapping the buffer two frames later rarely waits.
#include "gfx/FrameReadback.h"

#include <SDL.h>

#include <cstring>

bool createFrameReadback(FrameReadback& r, int width, int height) {
    r = FrameReadback{};
    r.width = width;
    r.height = height;
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(width) * height * 4;
    glGenBuffers(kReadbackRing, r.buffers);
    for (GLuint buffer : r.buffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to create read-back buffers of %dx%d!", width, height);
        destroyFrameReadback(r);
        return false;
    }
    return true;
}

void destroyFrameReadback(FrameReadback& r) {
    if (r.buffers[0]) glDeleteBuffers(kReadbackRing, r.buffers);
    r = FrameReadback{};
}

bool readbackFull(const FrameReadback& r) { return r.issued - r.collected >= kReadbackRing; }
bool readbackPending(const FrameReadback& r) { return r.issued > r.collected; }

void issueFrameReadback(FrameReadback& r) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, r.buffers[r.issued % kReadbackRing]);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, r.width, r.height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++r.issued;
}

bool collectFrameReadback(FrameReadback& r, std::vector<uint8_t>& rgba) {
    if (!readbackPending(r)) return false;
    const size_t bytes = static_cast<size_t>(r.width) * r.height * 4;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, r.buffers[r.collected % kReadbackRing]);
    const void* mapped = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), GL_MAP_READ_BIT);
    bool ok = mapped != nullptr;
    if (ok) {
        rgba.resize(bytes);
        std::memcpy(rgba.data(), mapped, bytes);
        ok = glUnmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE;
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    ++r.collected;
    if (!ok) SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to read back frame %ld!", r.collected - 1);
    return ok;
}
