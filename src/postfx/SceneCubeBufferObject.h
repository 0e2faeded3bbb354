// A scene node that renders its subtree six times, once into each face of a
// cube map seen from the origin. Children that are cube-aware take the face's
// projection, view and camera position from it while it renders. Built on
// SceneObject, the gfx CubeFrameBuffer and GLM; main thread only.
#pragma once
#include "gfx/CubeFrameBuffer.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <array>
#include <cstdint>

// The look-at view of each cube face in GL face order (+X, -X, +Y, -Y, +Z, -Z),
// all from the origin with the same up vector.
std::array<glm::mat4, 6> cubeFaceViews();
// The 90-degree, aspect 1 projection shared by the faces (near 0.1, far 10000).
glm::mat4 cubeFaceProjection();

inline constexpr int kSceneCubeBufferType = 17;

class SceneCubeBufferObject : public SceneObject {
public:
    SceneCubeBufferObject(int32_t faceWidth, int32_t faceHeight, GLenum internalFormat);

    bool build(Scene* scene) override;
    void render(float time, const glm::mat4* parentMatrix) override;
    void release() override;
    int getType() const override { return kSceneCubeBufferType; }
    // Bytes build takes for these arguments, before anything is made.
    static uint64_t memoryEstimate(int32_t faceWidth, int32_t faceHeight, GLenum internalFormat);

    CubeFrameBuffer cubeFrameBuffer;
    int32_t faceWidth;
    int32_t faceHeight;
    GLenum internalFormat;
    std::array<glm::mat4, 6> faceViews;
    glm::mat4 cubeProjection{1.0f};
    // Meaningful while render runs; afterwards they keep the -Z face's values.
    glm::mat4 currentView{1.0f};
    glm::vec3 currentPosition{0.0f};
    bool built = false;  // between a successful build and release
    bool warned = false;
};
