// Model object build and draw.
#include "objects/ModelObject.h"

#include "app/Engine.h"
#include "objects/SolidDraw.h"

// object.new("model", model path, vertex shader path, fragment shader path)
extern const ObjectClass kModelObjectRow{"model", kModelObjectType, [](ObjectArgs& args) -> SceneObject* {
    std::string model = args.string(2);
    std::string vertexShader = args.string(3);
    std::string fragmentShader = args.string(4);
    return new ModelObject(model, vertexShader, fragmentShader);
}};

bool ModelObject::build(Scene* owner) {
    scene = owner;
    if (!SolidDraw::loadModel(modelPath, 6, "Failed to load model exm!", model)) return false;
    mesh = SolidDraw::uploadPositionNormal(model.vertices.data(), model.vertices.size(), model.indices.data(),
                                           model.indices.size());
    freeExm(model);
    gEngine->shaderManager.requestShader(&shader, vertexShaderPath.c_str(), fragmentShaderPath.c_str(), nullptr);
    return true;
}

void ModelObject::render(float time, const glm::mat4*) {
    const glm::mat4 matrix = localModelMatrix();
    if (mesh.valid()) {
        glBindVertexArray(mesh.vertexArray);
        glUseProgram(shader.program);
        SolidDraw::setMat4(shader, "uProjectionMatrix", scene->projection);
        SolidDraw::setMat4(shader, "uViewMatrix", scene->view);
        SolidDraw::setMat4(shader, "uModelMatrix", matrix);
        SolidDraw::setVec3(shader, "uCameraPosition", scene->cameraPosition);
        SolidDraw::setFloat(shader, "uTime", time);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(model.indexCount), GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &matrix);
}

void ModelObject::release() {
    gEngine->shaderManager.releaseShader(&shader);
    destroyMesh(mesh);
}
