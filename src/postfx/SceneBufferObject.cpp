// 2D scene buffer: one frame buffer, created at build, bound around the
// children's render.
#include "postfx/SceneBufferObject.h"

#include <SDL.h>

// object.new("sceneBuffer", width, height, colour count, depth, format, samples)
extern const ObjectClass kSceneBufferObjectRow{"sceneBuffer", kSceneBufferType, [](ObjectArgs& args) -> SceneObject* {
    int32_t width = static_cast<int32_t>(args.integer(2));
    int32_t height = static_cast<int32_t>(args.integer(3));
    int32_t colorCount = static_cast<int32_t>(args.integer(4));
    bool withDepth = args.boolean(5);
    GLenum format = checkColorFormat(args, 6);
    int32_t samples = static_cast<int32_t>(args.integer(7));
    return new SceneBufferObject(width, height, colorCount, withDepth, format, samples);
}};

GLenum checkColorFormat(ObjectArgs& args, int index) {
    const std::string format = args.string(index);
    if (format == "RGBA") return GL_RGBA;
    if (format == "RGBA16F") return GL_RGBA16F;
    args.refuse(index, "'RGBA or RGBA16F' expected");
    return GL_NONE;  // not reached: refuse does not return
}

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
