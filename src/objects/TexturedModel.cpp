// Textured model build and draw.
#include "objects/TexturedModel.h"

#include "app/Engine.h"
#include "objects/SolidDraw.h"
#include "objects/UnderseaObjects.h"

// object.new("texturedModel", model path, texture path)
extern const ObjectClass kTexturedModelRow{"texturedModel", kTexturedModelType, [](ObjectArgs& args) -> SceneObject* {
    std::string model = args.string(2);
    std::string texture = args.string(3);
    return new TexturedModel(model, texture);
}};

bool TexturedModel::build(Scene* owner) {
    scene = owner;
    if (!SolidDraw::loadModel(modelPath, 8, "Failed to load textured model exm!", model)) return false;
    MeshDesc desc;
    desc.vertices = model.vertices.data();
    desc.vertexBytes = model.vertices.size() * sizeof(float);
    desc.indices = model.indices.data();
    desc.indexBytes = model.indices.size() * sizeof(uint32_t);
    mesh = createMesh(desc, {{0, 3, 32, 0}, {1, 2, 32, 12}, {2, 3, 32, 20}});
    freeExm(model);
    gEngine->shaderManager.requestShader(&shader, "res/shaders/TexturedLit.vert", "res/shaders/TexturedLit.frag",
                                         nullptr);
    gEngine->textureManager.requestTexture(&diffuseTexture, texturePath.c_str(), false);
    gEngine->textureManager.requestTexture(&noiseTexture, kNoiseTexturePath, false);
    SamplerDesc clampTrilinear;
    clampTrilinear.minFilter = GL_LINEAR_MIPMAP_LINEAR;
    clampTrilinear.maxAnisotropy = true;
    sampler = createSampler(clampTrilinear);
    return true;
}

void TexturedModel::render(float time, const glm::mat4*) {
    const glm::mat4 matrix = localModelMatrix();
    if (mesh.valid()) {
        glBindVertexArray(mesh.vertexArray);
        glUseProgram(shader.program);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, diffuseTexture.id);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, noiseTexture.id);
        glBindSampler(0, sampler);
        glBindSampler(1, sampler);
        SolidDraw::setInt(shader, "uTexSampler", 0);
        SolidDraw::setInt(shader, "uNoiseTexSampler", 1);
        SolidDraw::setMat4(shader, "uProjectionMatrix", scene->projection);
        SolidDraw::setMat4(shader, "uViewMatrix", scene->view);
        SolidDraw::setMat4(shader, "uModelMatrix", matrix);
        SolidDraw::setVec3(shader, "uLightPos", glm::vec3(0.0f, 5000.0f, 0.0f));
        SolidDraw::setVec4(shader, "uDiffuse", glm::vec4(0.09f, 0.79f, 0.9f, 1.0f));
        SolidDraw::setVec3(shader, "uSunPosition", scene->sunPosition);
        SolidDraw::setVec3(shader, "uCameraPosition", scene->cameraPosition);
        SolidDraw::setFloat(shader, "uTime", time);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(model.indexCount), GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &matrix);
}

void TexturedModel::release() {
    gEngine->shaderManager.releaseShader(&shader);
    gEngine->textureManager.releaseTexture(&diffuseTexture);
    gEngine->textureManager.releaseTexture(&noiseTexture);
    destroySampler(sampler);
    destroyMesh(mesh);
}
