// Environment lookup through the scene root's children by type code.
#include "objects/EnvironmentTexture.h"

#include "app/Engine.h"
#include "postfx/SceneCubeBufferObject.h"
#include "scene/SceneRootObject.h"

GLuint rootCubeBufferTexture(const Scene* scene) {
    if (!scene || !scene->root) return 0;
    for (const SceneObject* child : scene->root->children)
        if (child->getType() == kSceneCubeBufferType)
            return static_cast<const SceneCubeBufferObject*>(child)->cubeFrameBuffer.getTexture();
    return 0;
}

void bindEnvironmentTexture(const Scene* scene, const Texture& own) {
    const GLuint cube = rootCubeBufferTexture(scene);
    if (cube != 0)
        glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
    else
        glBindTexture(own.isCubeMap ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D, own.id);
}
