// Sky box: the quad sits just inside the far plane ("uDepth"), so anything
// drawn before it with depth testing stays in front.
#include "objects/SkyBox.h"

#include "app/Engine.h"
#include "objects/EnvironmentTexture.h"

#include <glm/gtc/type_ptr.hpp>

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
    gEngine->shaderManager.requestShader(&shader, kVertexPath, kFragmentPath, nullptr);
    gEngine->textureManager.requestTexture(&texture, texturePath.c_str(), true);
    SamplerDesc samplerDesc;  // clamped on S, T and R, linear
    samplerDesc.maxAnisotropy = true;
    sampler = createSampler(samplerDesc);
    return true;
}

void SkyBox::render(float time, const glm::mat4*) {
    if (mesh.valid()) {
        glBindVertexArray(mesh.vertexArray);
        glUseProgram(shader.program);
        glActiveTexture(GL_TEXTURE0);
        bindEnvironmentTexture(scene, texture);
        glBindSampler(0, sampler);
        glUniform1i(shader.getUniformLocation("uSkyboxSampler"), 0);
        glUniform1f(shader.getUniformLocation("uDepth"), 0.9999f);  // just inside the far plane
        glUniformMatrix4fv(shader.getUniformLocation("uInverseProjectionMatrix"), 1, GL_FALSE,
                           glm::value_ptr(scene->inverseProjection));
        glUniformMatrix4fv(shader.getUniformLocation("uViewMatrix"), 1, GL_FALSE, glm::value_ptr(scene->view));
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        // Later draws (the post processor) rely on their textures' own filtering.
        glBindSampler(0, 0);
    }
    const glm::mat4 identity(1.0f);
    renderChildren(time, &identity);
}

void SkyBox::release() {
    gEngine->shaderManager.releaseShader(&shader);
    gEngine->textureManager.releaseTexture(&texture);
    destroySampler(sampler);
    destroyMesh(mesh);
}
