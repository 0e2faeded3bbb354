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
    if (!loadModel(modelPath, 6, "Failed to load model exm!", model)) return false;
    mesh = createPositionNormalMesh(model.vertices, model.indices);
    freeExm(model);
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
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(model.indexCount), GL_UNSIGNED_INT, nullptr);
    }
    renderChildren(time, &matrix);
}

void ModelObject::release() {
    draw.release();
    destroyMesh(mesh);
}
