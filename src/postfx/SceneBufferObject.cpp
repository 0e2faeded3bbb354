// 2D scene buffer: one frame buffer, created at build, bound around the
// children's render.
#include "postfx/SceneBufferObject.h"

#include <SDL.h>

#include <algorithm>

// object.new("sceneBuffer", width, height, colour count, depth, format, samples)
extern const ObjectClass kSceneBufferObjectRow{"sceneBuffer", kSceneBufferType, [](ObjectArgs& args) -> SceneObject* {
    int32_t width = static_cast<int32_t>(args.integer(2));
    int32_t height = static_cast<int32_t>(args.integer(3));
    int32_t colorCount = static_cast<int32_t>(args.integer(4));
    bool withDepth = args.boolean(5);
    GLenum format = checkColorFormat(args, 6);
    int32_t samples = static_cast<int32_t>(args.integer(7));
    args.checkSize(2, "sceneBuffer", SceneBufferObject::memoryEstimate(width, height, colorCount, withDepth, format, samples));
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
    built = frameBuffer.create(width, height, static_cast<uint32_t>(colorCount), withDepth, internalFormat, samples);
    if (built) return true;
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize Scene Buffer Object!");
    return false;
}

uint64_t SceneBufferObject::memoryEstimate(int32_t width, int32_t height, int32_t colorCount, bool withDepth,
                                           GLenum internalFormat, int32_t samples) {
    const uint64_t pixels = static_cast<uint64_t>(std::max(width, 0)) * static_cast<uint64_t>(std::max(height, 0));
    const uint64_t texel = internalFormat == GL_RGBA16F ? 8 : 4;
    const uint64_t perSample = static_cast<uint64_t>(std::max(colorCount, 0)) * texel + (withDepth ? 4 : 0);
    // Multisampled: every sample, plus the single-sampled colours they resolve into.
    const uint64_t sampled = pixels * perSample * static_cast<uint64_t>(std::max(samples, 1));
    return sampled + (samples > 1 ? pixels * static_cast<uint64_t>(std::max(colorCount, 0)) * texel : 0);
}

bool skipUnbuiltBuffer(bool built, bool& warned, const char* what) {
    if (built) return false;
    if (!warned) SDL_LogError(SDL_LOG_CATEGORY_RENDER, "%s was never built; it and its children draw nothing", what);
    warned = true;
    return true;
}

void SceneBufferObject::render(float time, const glm::mat4* parentMatrix) {
    if (skipUnbuiltBuffer(built, warned, "Scene buffer")) return;
    // A hidden buffer (rendered directly by the script) still clears its target.
    frameBuffer.bind(true);
    renderChildren(time, parentMatrix);
    frameBuffer.unbind();
}

void SceneBufferObject::release() {
    frameBuffer.destroy();
    built = false;
}
