// Camera object: the path is uploaded whole after each edit and drawn as one strip.
#include "objects/CameraObject.h"

#include "objects/WireframeDraw.h"
#include "scene/FirstPersonCamera.h"

// object.new("camera"): no arguments.
extern const ObjectClass kCameraObjectRow{"camera", kCameraObjectType,
    [](ObjectArgs&) -> SceneObject* { return new CameraObject(1); }};

bool CameraObject::build(Scene* s) {
    scene = s;
    if (cameraKind == 1) camera = std::make_unique<FirstPersonCamera>();
    WireframeDraw::create(mesh, shader, nullptr, 0, nullptr, 0);
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
        WireframeDraw::begin(mesh, shader, *scene);
        WireframeDraw::setModelAndColour(shader, localModelMatrix(), glm::vec4(0.09f, 0.79f, 0.9f, 1.0f));
        glDrawArrays(GL_LINE_STRIP, 0, static_cast<GLsizei>(pathPoints.size()));
    }
    renderChildren(time, parentMatrix);
}

void CameraObject::release() {
    WireframeDraw::release(mesh, shader);
    camera.reset();
}
