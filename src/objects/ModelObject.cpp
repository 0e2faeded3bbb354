// Model object build and draw.
#include "objects/ModelObject.h"

#include "app/Engine.h"

// object.new("model", model path, vertex shader path, fragment shader path)
extern const ObjectClass kModelObjectRow{"model", kModelObjectType, [](ObjectArgs& args) -> SceneObject* {
    std::string model = args.string(2);
    std::string vertexShader = args.string(3);
    std::string fragmentShader = args.string(4);
    return new ModelObject(model, vertexShader, fragmentShader);
}};

bool ModelObject::build(Scene* owner) {
    scene = owner;
    if (!draw.requestModel(mesh, modelPath, ModelLayout::PositionNormal, "Failed to load model exm!")) return false;
    draw.requestProgram(vertexShaderPath.c_str(), fragmentShaderPath.c_str());
    return true;
}

void ModelObject::render(float time, const glm::mat4*) {
    const glm::mat4 matrix = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.setCamera(sceneCamera(*scene));
        draw.setModel(matrix);
        draw.setTime(time);
        glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, nullptr);
        draw.unbind();
    }
    renderChildren(time, &matrix);
}

void ModelObject::release() {
    draw.release();
}
