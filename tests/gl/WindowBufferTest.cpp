// The window's framebuffer carries no samples; a scene that draws straight to
// the window is still multisampled, through the scene's stand-in buffer, and a
// scene that goes through the post chain never pays for one. Whole engine on the
// fixtures' short soundtrack, a yellow wireframe cube in front of a fixed camera.
#include "scene/SceneRootObject.h"

#include "GlContext.h"

#include <glm/gtc/matrix_transform.hpp>

namespace {
constexpr int kWidth = 160;
constexpr int kHeight = 120;

const char* const kStraightToWindow = "function build()\n"
                                      "  local cube = object.new('cube')\n"
                                      "  cube:setRotation(vector3.new(20, 30, 0))\n"
                                      "  scene.getRoot():addChild(cube)\n"
                                      "  return true\n"
                                      "end\n"
                                      "function update(step) end\n"
                                      "function render(time) scene.getRoot():render(time) end\n";

const char* const kThroughThePostChain = "function build()\n"
                                         "  buffer = object.new('sceneBuffer', window.getWidth(), window.getHeight(),\n"
                                         "                      1, true, 'RGBA16F', window.getFSAALevel())\n"
                                         "  local cube = object.new('cube')\n"
                                         "  cube:setRotation(vector3.new(20, 30, 0))\n"
                                         "  buffer:addChild(cube)\n"
                                         "  scene.getRoot():addChild(buffer)\n"
                                         "  return true\n"
                                         "end\n"
                                         "function update(step) end\n"
                                         "function render(time)\n"
                                         "  buffer:render(time)\n"
                                         "  scene.postProcessBufferNode(buffer)\n"
                                         "end\n";

struct Edges {
    int full = 0;     // pixels of the cube's whole colour
    int partial = 0;  // pixels the lines cover in part: multisampled edges
};

// The cube's yellow is (227, 224, 23); a pixel that holds a share of it is an edge.
Edges countEdges(const std::vector<unsigned char>& px) {
    Edges e;
    for (size_t i = 0; i < px.size(); i += 4) {
        const int red = px[i];
        if (red >= 220) ++e.full;
        else if (red > 20) ++e.partial;
    }
    return e;
}

// One engine on a copy of the fixtures' show with `script` as the scene, shut down when it goes.
struct Show {
    Show(int msaa, const char* script) {
        test::copyFixtureShow(dir, test::standardConfig(kWidth, kHeight, msaa, false));
        test::writeFile(dir.file("res/scripts/scene.lua"), script);
        // A camera mode the scene does not know keeps the view the test sets.
        test::writeTrack(dir.file("res/sync"), "Camera.Mode", {{0, 9.0f, 0}});
        started = workingDir.enter(dir.path()) && engine.initialize();
        engine.scene.view = glm::lookAt(glm::vec3(0.0f, 0.0f, 4.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    }
    ~Show() {
        if (started) engine.shutdown();
    }
    test::TempDir dir;
    test::WorkingDir workingDir;
    Engine engine;
    bool started = false;
};
} // namespace

TEST(WindowBuffer, OnlyAScenePaintedStraightToTheWindowGetsAMultisampledStandIn) {
    struct Case {
        const char* name;
        int msaa;
        const char* script;
        bool standIn;
        bool smoothEdges;
    };
    const Case cases[] = {
        {"straight to the window, 4x", 4, kStraightToWindow, true, true},
        {"straight to the window, MSAA off", 0, kStraightToWindow, false, false},
        {"through the post chain, 4x", 4, kThroughThePostChain, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Show show(c.msaa, c.script);
        ASSERT_TRUE(show.started);
        Engine& engine = show.engine;
        // Start-up drew one frame already; this one knows where the scene paints.
        engine.scene.frame(0.5f);
        GLint sampleBuffers = -1;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
        EXPECT_EQ(sampleBuffers, 0) << "the window itself is never multisampled";
        EXPECT_EQ(engine.scene.windowBuffer.fbo != 0, c.standIn);
        if (c.standIn) {
            EXPECT_TRUE(engine.scene.windowBuffer.multisampled);
        }

        const Edges edges = countEdges(test::readPixels(0, 0, kWidth, kHeight, 0));
        EXPECT_GT(edges.full + edges.partial, 200) << "the cube is on screen";
        if (c.smoothEdges) {
            EXPECT_GT(edges.partial, edges.full) << "multisampled lines have soft edges";
        } else {
            EXPECT_LT(edges.partial, edges.full / 20) << "without samples a line pixel is all or nothing";
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}
