// Sky box: the quad sits just inside the far plane ("uDepth"), so anything
// drawn before it with depth testing stays in front.
#include "objects/SkyBox.h"

#include "app/Engine.h"

// object.new("skybox", texture path)
extern const ObjectClass kSkyBoxRow{"skybox", kSkyBoxType,
    [](ObjectArgs& args) -> SceneObject* { return new SkyBox(args.string(2)); }};

namespace {
const char* const kVertexPath = "res/shaders/Skybox.vert";
const char* const kFragmentPath = "res/shaders/Skybox.frag";
} // namespace

bool SkyBox::build(Scene* owner) {
    scene = owner;
    mesh = createFullscreenQuad();
    draw.requestProgram(kVertexPath, kFragmentPath);
    draw.requestTexture(texture, texturePath.c_str(), true);
    draw.createSampler(environmentSampler());
    return true;
}

void SkyBox::render(float time, const glm::mat4*) {
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindEnvironment(0, environmentCubeMap(scene), texture, "uSkyboxSampler");
        draw.setFloat("uDepth", 0.9999f);  // just inside the far plane
        draw.setMat4("uInverseProjectionMatrix", scene->inverseProjection);
        draw.setView(scene->view);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        draw.unbind(1);
    }
    const glm::mat4 identity(1.0f);
    renderChildren(time, &identity);
}

void SkyBox::release() {
    draw.release();
    destroyMesh(mesh);
}
