// 2D scene buffer: one frame buffer, created at build, bound around the
// children's render.
#include "postfx/SceneBufferObject.h"

#include <SDL.h>

SceneBufferObject::SceneBufferObject(int32_t w, int32_t h, int32_t count, bool depth, GLenum format, int32_t s)
    : width(w), height(h), colorCount(count), withDepth(depth), internalFormat(format), samples(s) {}

bool SceneBufferObject::build(Scene*) {
    if (frameBuffer.create(width, height, static_cast<uint32_t>(colorCount), withDepth, internalFormat, samples))
        return true;
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize Scene Buffer Object!");
    return false;
}

void SceneBufferObject::render(float time, const glm::mat4* parentMatrix) {
    // A hidden buffer (rendered directly by the script) still clears its target.
    frameBuffer.bind(true);
    renderChildren(time, parentMatrix);
    frameBuffer.unbind();
}

void SceneBufferObject::release() { frameBuffer.destroy(); }
