// One SDL window (256 pixels square) with a GL 3.3 core context for the whole gl test
// binary, read-back helpers, and a fixture engine whose resource managers run
// from the source tree (they open the shipped "res/shaders/..." files).
#pragma once
#include "app/Engine.h"
#include "scene/SceneRootObject.h"

#include "TestSupport.h"

#include <GL/glew.h>
#include <SDL.h>

namespace test {

constexpr GLuint kCurrent = ~0u;
// The parent matrix of an object drawn at the top of a tree.
inline const glm::mat4 kIdentity(1.0f);
// RGBA8 pixels, bottom row first, of the bound framebuffer or of `fbo` (the default one is bound afterwards).
std::vector<unsigned char> readPixels(int x, int y, int width, int height, GLuint fbo = kCurrent);
// RGBA8 level 0 of an image of texture `id`: `imageTarget` is `bindTarget` or one of its cube faces.
std::vector<unsigned char> readTexture(GLenum bindTarget, GLenum imageTarget, GLuint id, int width, int height);
// Draws `corners` (x, y, z in clip space) with the program in use, from a mesh of its own.
void drawCorners(const std::vector<float>& corners, GLenum mode = GL_TRIANGLES);

// gEngine with its loader, file watcher, shader and texture managers started;
// whatever else a test starts of it (scene, controller, sync, Lua) is stopped after
// it, and no GL error may be left.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // An empty scene root under a square 60-degree projection, the player's depth test and
    // culling; sync tracks from `syncDir` on `clock`.
    void startScene();
    // `object` rendered on black into a `size` square of the default framebuffer, read back.
    std::vector<unsigned char> renderOnBlack(SceneObject& object, int size, float time = 1.0f);

    TempDir syncDir;
    RowClock clock;
    WorkingDir workingDir;
    LogCapture log;
    Engine engine;
    GLuint dummyProgram = 0;
};

} // namespace test
