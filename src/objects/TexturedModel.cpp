// Textured model build and draw.
#include "objects/TexturedModel.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"

// object.new("texturedModel", model path, texture path)
extern const ObjectClass kTexturedModelRow{"texturedModel", kTexturedModelType, [](ObjectArgs& args) -> SceneObject* {
    std::string model = args.string(2);
    std::string texture = args.string(3);
    return new TexturedModel(model, texture);
}};

bool TexturedModel::build(Scene* owner) {
    scene = owner;
    if (!draw.requestModel(mesh, modelPath, ModelLayout::PositionUvNormal, "Failed to load textured model exm!"))
        return false;
    draw.requestProgram("res/shaders/TexturedLit.vert", "res/shaders/TexturedLit.frag");
    draw.requestTexture(diffuseTexture, texturePath.c_str(), false);
    draw.requestTexture(noiseTexture, kNoiseTexturePath, false);
    SamplerDesc clampTrilinear = environmentSampler();
    clampTrilinear.minFilter = GL_LINEAR_MIPMAP_LINEAR;
    draw.createSampler(clampTrilinear);
    return true;
}

void TexturedModel::render(float time, const glm::mat4*) {
    const glm::mat4 matrix = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.bindTexture(0, GL_TEXTURE_2D, diffuseTexture.id, "uTexSampler");
        draw.bindTexture(1, GL_TEXTURE_2D, noiseTexture.id, "uNoiseTexSampler");
        draw.setCamera(sceneCamera(*scene));
        draw.setModel(matrix);
        draw.setVec3("uLightPos", kLightPosition);
        draw.setVec4("uDiffuse", kCyan);
        draw.setVec3("uSunPosition", scene->sunPosition);
        draw.setTime(time);
        glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, nullptr);
        draw.unbind(2);
    }
    renderChildren(time, &matrix);
}

void TexturedModel::release() {
    draw.release();
}
