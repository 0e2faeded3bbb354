// Camera object: the path is uploaded whole after each edit and drawn as one strip.
#include "objects/CameraObject.h"

#include "app/Engine.h"
#include "objects/ShowAssets.h"
#include "scene/FirstPersonCamera.h"

// object.new("camera"): no arguments.
extern const ObjectClass kCameraObjectRow{"camera", kCameraObjectType,
    [](ObjectArgs&) -> SceneObject* { return new CameraObject(1); }};

bool CameraObject::build(Scene* s) {
    scene = s;
    if (cameraKind == 1) camera = std::make_unique<FirstPersonCamera>();
    mesh = createPositionMesh(nullptr, 0, nullptr, 0);
    draw.requestProgram(kWireframeVertexPath, kWireframeFragmentPath);
    uploadPath();
    return true;
}

void CameraObject::uploadPath() {
    if (pathPoints.empty() || !mesh.valid()) return;
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(pathPoints.size() * sizeof(glm::vec3)), pathPoints.data(),
                 GL_STATIC_DRAW);
}

void CameraObject::render(float time, const glm::mat4* parentMatrix) {
    if (!pathPoints.empty() && mesh.valid()) {
        draw.bind(mesh);
        draw.setSceneMatrices(*scene, localModelMatrix());
        draw.setVec4("uDiffuse", kCyan);
        glDrawArrays(GL_LINE_STRIP, 0, static_cast<GLsizei>(pathPoints.size()));
        draw.unbind();
    }
    renderChildren(time, parentMatrix);
}

void CameraObject::release() {
    draw.release();
    destroyMesh(mesh);
    camera.reset();
}
