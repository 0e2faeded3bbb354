// The environment cube map that reflective and background objects sample: the
// first scene cube buffer among the scene root's children when the show has
// one, else the object's own texture. Needs the scene tree and GL.
#pragma once
#include "gfx/Texture.h"

class Scene;

// The first top-level scene cube buffer's texture, or 0 when there is none.
GLuint rootCubeBufferTexture(const Scene* scene);
// Binds that cube map, or `own` (as a cube map when it is one, else as 2D),
// on the active texture unit.
void bindEnvironmentTexture(const Scene* scene, const Texture& own);
