// Diamond build and draw.
#include "objects/DiamondObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"

// object.new("diamond"): no arguments.
extern const ObjectClass kDiamondObjectRow{"diamond", kDiamondType,
    [](ObjectArgs&) -> SceneObject* { return new DiamondObject; }};

bool DiamondObject::build(Scene* owner) {
    scene = owner;
    if (!draw.requestModel(mesh, "res/models/Round_Diamond_03.exm", ModelLayout::PositionNormal,
                           "Failed to load model exm!"))
        return false;
    draw.requestProgram("res/shaders/Diamond.vert", "res/shaders/Diamond.frag");
    draw.requestTexture(skyboxTexture, kSkyboxTexturePath, true);
    draw.createSampler(environmentSampler());
    return true;
}

void DiamondObject::render(float time, const glm::mat4*) {
    const glm::mat4 matrix = localModelMatrix();
    if (mesh.valid()) {
        draw.bind(mesh);
        // The gem shows the static sky, never the scene's cube buffer.
        draw.bindEnvironment(0, 0, skyboxTexture, "uSkyboxSampler");
        draw.setCamera(sceneCamera(*scene));
        draw.setModel(matrix);
        draw.setTime(time);
        glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, nullptr);
        draw.unbind(1);
    }
    renderChildren(time, &matrix);
}

void DiamondObject::release() {
    draw.release();
}
