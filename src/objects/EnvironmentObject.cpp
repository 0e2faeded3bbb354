// Shared set-up, binding and release of the cube-map objects.
#include "objects/EnvironmentObject.h"

#include "app/Engine.h"
#include "objects/SolidDraw.h"

const char* const kSkyboxTexturePath = "res/textures/SkyboxTex.jpg";

void EnvironmentObject::requestResources(const char* vertexPath, const char* fragmentPath) {
    gEngine->shaderManager.requestShader(&shader, vertexPath, fragmentPath, nullptr);
    gEngine->textureManager.requestTexture(&skyboxTexture, kSkyboxTexturePath, true);
    sampler = SolidDraw::createEnvironmentSampler();
}

void EnvironmentObject::beginDraw(GLuint cubeMap, const glm::mat4& model) {
    glBindVertexArray(mesh.vertexArray);
    glUseProgram(shader.program);
    glActiveTexture(GL_TEXTURE0);
    if (cubeMap != 0)
        glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
    else
        // Until the sky has loaded the record holds the manager's white 2D stand-in.
        glBindTexture(skyboxTexture.isCubeMap ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D, skyboxTexture.id);
    glBindSampler(0, sampler);
    SolidDraw::setInt(shader, "uSkyboxSampler", 0);
    SolidDraw::setMat4(shader, "uProjectionMatrix", scene->projection);
    SolidDraw::setMat4(shader, "uViewMatrix", scene->view);
    SolidDraw::setMat4(shader, "uModelMatrix", model);
}

void EnvironmentObject::release() {
    gEngine->shaderManager.releaseShader(&shader);
    gEngine->textureManager.releaseTexture(&skyboxTexture);
    destroySampler(sampler);
    destroyMesh(mesh);
}
