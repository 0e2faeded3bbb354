// Boids build, matrix refresh and instanced draw.
#include "objects/BoidsObject.h"

#include "app/Engine.h"
#include "core/Profile.h"

// object.new("boids"): no arguments.
extern const ObjectClass kBoidsObjectRow{"boids", kBoidsType,
    [](ObjectArgs&) -> SceneObject* { return new BoidsObject; }};

namespace {
constexpr GLsizeiptr kMatrixBytes = kFlockSize * sizeof(glm::mat4);
}

bool BoidsObject::build(Scene* owner) {
    scene = owner;
    if (!draw.requestModel(mesh, "res/models/Fish.exm", ModelLayout::PositionNormal, "Failed to load model exm!"))
        return false;
    draw.requestProgram("res/shaders/Boids.vert", "res/shaders/Boids.frag");
    flock.init(kFlockSize);

    glGenBuffers(1, &matrixBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, matrixBuffer);
    // Filled with the start positions, so a render before the first step draws the school, not stale memory.
    glm::mat4 matrices[kFlockSize];
    fillBoidMatrices(flock, matrices, kFlockSize);
    glBufferData(GL_ARRAY_BUFFER, kMatrixBytes, matrices, GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glGenTextures(1, &matrixTexture);
    glBindTexture(GL_TEXTURE_BUFFER, matrixTexture);
    glTexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32F, matrixBuffer);
    glBindTexture(GL_TEXTURE_BUFFER, 0);
    return true;
}

void BoidsObject::update(float step) {
    {
        profile::Scope timed(profile::kFlock);
        flock.update(step);
    }
    if (step == 0.0f || matrixBuffer == 0) return;
    glBindBuffer(GL_ARRAY_BUFFER, matrixBuffer);
    // Only a hint to the driver (GL 4.3); the buffer is re-specified whole just below.
    if (GLEW_VERSION_4_3 || GLEW_ARB_invalidate_subdata) glInvalidateBufferData(matrixBuffer);
    glm::mat4 matrices[kFlockSize];
    fillBoidMatrices(flock, matrices, kFlockSize);
    glBufferData(GL_ARRAY_BUFFER, kMatrixBytes, matrices, GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void BoidsObject::render(float time, const glm::mat4*) {
    if (mesh.valid()) {
        draw.bind(mesh);
        draw.setCamera(sceneCamera(*scene));
        draw.setVec4("uDiffuse", glm::vec4(1.0f));
        draw.setTime(time);
        draw.bindTexture(0, GL_TEXTURE_BUFFER, matrixTexture, "uMatrixBuffer");
        glDrawElementsInstanced(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, nullptr,
                                static_cast<GLsizei>(kFlockSize));
        glBindTexture(GL_TEXTURE_BUFFER, 0);
        draw.unbind(1);
    }
    // The fish are placed by their world positions alone; children get the identity.
    const glm::mat4 identity(1.0f);
    renderChildren(time, &identity);
}

void BoidsObject::release() {
    flock.clear();
    draw.release();
    if (matrixBuffer != 0) glDeleteBuffers(1, &matrixBuffer);
    matrixBuffer = 0;
    if (matrixTexture != 0) glDeleteTextures(1, &matrixTexture);
    matrixTexture = 0;
}
