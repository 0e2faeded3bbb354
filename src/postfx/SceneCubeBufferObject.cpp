// Cube scene buffer: the face views and projection are fixed at build; render
// selects each face in turn and renders the visible children into it.
#include "postfx/SceneCubeBufferObject.h"

#include "postfx/SceneBufferObject.h"

#include <SDL.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>

// object.new("sceneCubeBuffer", face width, face height, format)
extern const ObjectClass kSceneCubeBufferObjectRow{"sceneCubeBuffer", kSceneCubeBufferType,
    [](ObjectArgs& args) -> SceneObject* {
    int32_t faceWidth = static_cast<int32_t>(args.integer(2));
    int32_t faceHeight = static_cast<int32_t>(args.integer(3));
    GLenum format = checkColorFormat(args, 4);
    args.checkSize(2, "sceneCubeBuffer", SceneCubeBufferObject::memoryEstimate(faceWidth, faceHeight, format));
    return new SceneCubeBufferObject(faceWidth, faceHeight, format);
}};

std::array<glm::mat4, 6> cubeFaceViews() {
    // The small z offsets keep the ±Y directions off the up vector.
    const glm::vec3 directions[6] = {{1.0f, 0.0f, 0.0f},  {-1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, -0.0001f},
                                     {0.0f, -1.0f, 0.0001f}, {0.0f, 0.0f, 1.0f},  {0.0f, 0.0f, -1.0f}};
    std::array<glm::mat4, 6> views;
    for (int face = 0; face < 6; ++face)
        views[face] = glm::lookAtRH(glm::vec3(0.0f), directions[face], glm::vec3(0.0f, -1.0f, 0.0f));
    return views;
}

glm::mat4 cubeFaceProjection() {
    // Single-precision steps in this order: the faces of every cube map in the
    // show are rendered with these exact element values.
    const float nearPlane = 0.1f;
    const float farPlane = 10000.0f;
    const float range = std::tan(0.78539819f) * nearPlane;
    glm::mat4 projection(0.0f);
    projection[0][0] = (2.0f * nearPlane) / (range - (-range));
    projection[1][1] = projection[0][0];
    projection[2][2] = -(farPlane + nearPlane) / (farPlane - nearPlane);
    projection[2][3] = -1.0f;
    projection[3][2] = -(2.0f * farPlane * nearPlane) / (farPlane - nearPlane);
    return projection;
}

SceneCubeBufferObject::SceneCubeBufferObject(int32_t width, int32_t height, GLenum format)
    : faceWidth(width), faceHeight(height), internalFormat(format) {
    faceViews.fill(glm::mat4(1.0f));
}

uint64_t SceneCubeBufferObject::memoryEstimate(int32_t faceWidth, int32_t faceHeight, GLenum internalFormat) {
    const uint64_t pixels = static_cast<uint64_t>(std::max(faceWidth, 0)) * static_cast<uint64_t>(std::max(faceHeight, 0));
    return pixels * (6 * (internalFormat == GL_RGBA16F ? 8 : 4) + 4);  // six faces and one depth face
}

bool SceneCubeBufferObject::build(Scene*) {
    if (!cubeFrameBuffer.create(faceWidth, faceHeight, internalFormat)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize Scene Cube Buffer Object!");
        return false;
    }
    faceViews = cubeFaceViews();
    cubeProjection = cubeFaceProjection();
    built = true;
    return true;
}

void SceneCubeBufferObject::render(float time, const glm::mat4* parentMatrix) {
    if (skipUnbuiltBuffer(built, warned, "Scene cube buffer")) return;
    cubeFrameBuffer.bind(true);
    for (uint32_t face = 0; face < 6; ++face) {
        currentView = faceViews[face];
        currentPosition = -glm::vec3(currentView * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
        cubeFrameBuffer.selectFace(face);
        renderChildren(time, parentMatrix);
    }
    cubeFrameBuffer.unbind();
}

void SceneCubeBufferObject::release() {
    cubeFrameBuffer.destroy();
    built = false;
}
