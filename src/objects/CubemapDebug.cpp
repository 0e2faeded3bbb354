// Cubemap debug quad. Its own transform is ignored: the quad is in clip space.
#include "objects/CubemapDebug.h"

#include "app/Engine.h"
#include "postfx/SceneCubeBufferObject.h"

#include <algorithm>

// object.new("cubemapDebug"): no arguments.
extern const ObjectClass kCubemapDebugRow{"cubemapDebug", kCubemapDebugType,
    [](ObjectArgs&) -> SceneObject* { return new CubemapDebug; }};

namespace {
const char* const kVertexPath = "res/shaders/CubemapDebug.vert";
const char* const kFragmentPath = "res/shaders/CubemapDebug.frag";
} // namespace

glm::vec3 cubeFaceColor(uint32_t face) {
    static const glm::vec3 colors[6] = {{1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f},
                                        {0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 1.0f}};
    return colors[std::min<uint32_t>(face, 5)];
}

glm::vec3 viewDirectionColor(const glm::mat4& view) {
    const glm::vec4 point = view * glm::vec4(0.0f, 0.0f, -1.0f, 1.0f);
    return glm::normalize(glm::vec3(point));
}

bool CubemapDebug::build(Scene* owner) {
    scene = owner;
    quad = createFullscreenQuad();
    draw.requestProgram(kVertexPath, kFragmentPath);
    return true;
}

void CubemapDebug::render(float time, const glm::mat4*) {
    // Linked after the tree was built: nothing to draw until the next load.
    if (quad.valid()) {
        draw.bind(quad);
        glm::vec3 color(1.0f);
        if (parent && parent->getType() == kSceneCubeBufferType)
            color = cubeFaceColor(static_cast<SceneCubeBufferObject*>(parent)->cubeFrameBuffer.currentFace);
        else if (scene)
            color = viewDirectionColor(scene->view);
        draw.setVec3("uFaceColor", color);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        draw.unbind();
    }
    const glm::mat4 identity(1.0f);
    renderChildren(time, &identity);
}

void CubemapDebug::release() {
    draw.release();
    destroyMesh(quad);
}
