// The texture and shader managers with the real loader and driver: shared
// loads, the dummies while loading and after failures, purge, released users,
// and shader hot reload through a real FileWatcher, checked on drawn pixels.
#include "dispatch/FileWatcher.h"
#include "gfx/FrameBuffer.h"
#include "gfx/ResourceLoader.h"
#include "gfx/ShaderManager.h"
#include "gfx/TextureManager.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
// The managers open "res/shaders/Dummy.*" relative to the working directory.
class InSourceTree : public ::testing::Test {
protected:
    void SetUp() override {
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        previous = buffer;
        ASSERT_EQ(chdir(SOLVANE_SOURCE_DIR), 0);
    }
    void TearDown() override { EXPECT_EQ(chdir(previous.c_str()), 0); }
    std::string previous;
};

using TextureManagerTest = InSourceTree;
using ShaderManagerTest = InSourceTree;

void writePng(const std::string& path, uint8_t grey) {
    std::vector<uint8_t> pixels(4 * 4 * 4, grey);
    ASSERT_TRUE(stbi_write_png(path.c_str(), 4, 4, 4, pixels.data(), 16));
}

// Draws one full-screen triangle with `program` into a small target and returns the centre pixel.
std::vector<uint8_t> drawWith(GLuint program) {
    static FrameBuffer target;
    static GLuint vao = 0;
    if (vao == 0) {
        EXPECT_TRUE(target.create(8, 8, 1, false, GL_RGBA8, 0));
        const float corners[] = {-1.0f, -1.0f, 0.0f, 3.0f, -1.0f, 0.0f, -1.0f, 3.0f, 0.0f};
        GLuint vbo = 0;
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glGenBuffers(1, &vbo);
        glBindBuffer(GL_ARRAY_BUFFER, vbo);
        glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    target.bind(true);
    glUseProgram(program);
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    auto pixel = test::readPixels(4, 4, 1, 1);
    glUseProgram(0);  // a program in use is only flagged for deletion
    target.unbind();
    return pixel;
}

const std::vector<uint8_t> kMagenta = {255, 0, 255, 255};

std::string fragmentOf(const char* colour) {
    return std::string("#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = vec4(") + colour + "); }\n";
}
const char* kPassThrough = "#version 330 core\nlayout(location = 0) in vec3 aPosition;\n"
                           "void main() { gl_Position = vec4(aPosition, 1.0); }\n";
const char* kPassThroughGeometry = "#version 330 core\nlayout(triangles) in;\n"
                                   "layout(triangle_strip, max_vertices = 3) out;\nvoid main() {"
                                   " for (int i = 0; i < 3; ++i) { gl_Position = gl_in[i].gl_Position;"
                                   " EmitVertex(); } EndPrimitive(); }\n";
} // namespace

TEST_F(TextureManagerTest, TwoUsersShareOneLoadAndTheDummyUntilItArrives) {
    test::TempDir dir;
    writePng(dir.file("noise.png"), 90);
    test::LogCapture log;
    ResourceLoader loader;
    loader.init(nullptr);
    TextureManager manager;
    ASSERT_TRUE(manager.init(loader));
    ASSERT_TRUE(log.contains("Successfully initialized dummy texture!"));
    const GLuint dummy = manager.getDummyTexture().id;
    ASSERT_NE(dummy, 0u);

    std::string path = dir.file("noise.png");
    std::string key = path + ":False";
    Texture a, b, cube;
    manager.requestTexture(&a, path.c_str(), false);
    manager.requestTexture(&b, path.c_str(), false);
    manager.requestTexture(&cube, path.c_str(), true);  // another key, another load
    EXPECT_TRUE(log.contains("Loading New Texture Into Manager: " + key));
    EXPECT_TRUE(log.contains("Requested Texture Loading Already In Progress: " + key));
    EXPECT_TRUE(log.contains("Texture [" + key + "] now has 2 Users."));
    EXPECT_EQ(a.id, dummy);
    EXPECT_EQ(b.id, dummy);
    EXPECT_EQ(loader.pendingCount(), 2);

    loader.processRequests();
    EXPECT_NE(a.id, dummy);
    EXPECT_EQ(a.id, b.id);
    EXPECT_STREQ(a.name, path.c_str());
    EXPECT_NE(cube.id, a.id);
    EXPECT_TRUE(cube.isCubeMap);
    ASSERT_NE(manager.findEntry(key), nullptr);
    EXPECT_EQ(manager.findEntry(key)->state, ResourceState::Loaded);
    EXPECT_EQ(manager.findEntry(key)->users.size(), 2u);

    Texture late;
    manager.requestTexture(&late, path.c_str(), false);
    EXPECT_TRUE(log.contains("Requested Texture Already Loaded: " + key));
    EXPECT_EQ(late.id, a.id);
    EXPECT_EQ(loader.pendingCount(), 0);

    manager.destroy();
    EXPECT_FALSE(glIsTexture(a.id));
    EXPECT_FALSE(glIsTexture(dummy));
}

TEST_F(TextureManagerTest, FailedLoadsKeepTheDummyAndALaterRequestReloads) {
    test::TempDir dir;
    test::writeFile(dir.file("text.png"), "plain text, not a picture\n");
    writePng(dir.file("truncated.png"), 10);
    std::string truncated = test::readFile(dir.file("truncated.png"));
    test::writeFile(dir.file("truncated.png"), truncated.substr(0, truncated.size() / 2));
    test::LogCapture log;
    ResourceLoader loader;
    loader.init(nullptr);
    TextureManager manager;
    ASSERT_TRUE(manager.init(loader));
    const GLuint dummy = manager.getDummyTexture().id;

    for (const char* name : {"missing.png", "text.png", "truncated.png"}) {
        SCOPED_TRACE(name);
        std::string path = dir.file(name);
        Texture user;
        manager.requestTexture(&user, path.c_str(), false);
        loader.processRequests();
        EXPECT_EQ(user.id, dummy);
        EXPECT_EQ(manager.findEntry(path + ":False")->state, ResourceState::Unloaded);
        EXPECT_TRUE(log.contains("Texture Marked As Unloaded Due To Loading Failure: " + path + ":False"));
        manager.releaseTexture(&user);
    }
    // The white dummy really is white.
    std::vector<uint8_t> pixel(4);
    glBindTexture(GL_TEXTURE_2D, dummy);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(pixel, (std::vector<uint8_t>{255, 255, 255, 255}));

    // The file appears; asking again loads it.
    writePng(dir.file("missing.png"), 30);
    Texture user;
    manager.requestTexture(&user, dir.file("missing.png").c_str(), false);
    EXPECT_TRUE(log.contains("Reloading Texture Into Manager: " + dir.file("missing.png") + ":False"));
    loader.processRequests();
    EXPECT_NE(user.id, dummy);
    EXPECT_TRUE(glIsTexture(user.id));
    manager.destroy();
}

TEST_F(TextureManagerTest, PurgeFreesOnlyUnusedLoadedTexturesAndReleasedUsersAreLeftAlone) {
    test::TempDir dir;
    writePng(dir.file("kept.png"), 1);
    writePng(dir.file("unused.png"), 2);
    writePng(dir.file("pending.png"), 3);
    test::LogCapture log;
    ResourceLoader loader;
    loader.init(nullptr);
    TextureManager manager;
    ASSERT_TRUE(manager.init(loader));

    Texture kept, unused;
    {
        // The manager keeps its own copy of the path: this string is gone before the load.
        std::string temporary = dir.file("kept.png");
        manager.requestTexture(&kept, temporary.c_str(), false);
        std::memset(&temporary[0], 'x', temporary.size());
    }
    manager.requestTexture(&unused, dir.file("unused.png").c_str(), false);
    loader.processRequests();
    ASSERT_TRUE(glIsTexture(kept.id));
    const GLuint unusedId = unused.id;
    manager.releaseTexture(&unused);
    EXPECT_TRUE(log.contains("Texture [" + dir.file("unused.png") + ":False] now has 0 Users."));

    // Released while its load is still queued: never written again.
    Texture released;
    manager.requestTexture(&released, dir.file("pending.png").c_str(), false);
    manager.releaseTexture(&released);
    EXPECT_TRUE(log.contains("Texture [" + dir.file("pending.png") + ":False] now has 0 Users."));
    released.id = 4242;
    loader.processRequests();
    EXPECT_EQ(released.id, 4242u);

    manager.purge();
    EXPECT_TRUE(log.contains("Purged Texture: [" + dir.file("unused.png") + ":False]"));
    EXPECT_TRUE(log.contains("Purged Texture: [" + dir.file("pending.png") + ":False]"));
    EXPECT_FALSE(log.contains("Purged Texture: [" + dir.file("kept.png") + ":False]"));
    EXPECT_FALSE(glIsTexture(unusedId));
    EXPECT_TRUE(glIsTexture(kept.id));
    EXPECT_EQ(manager.findEntry(dir.file("unused.png") + ":False")->state, ResourceState::Unloaded);

    // Releasing twice, or a record never registered, changes nothing.
    log.clear();
    manager.releaseTexture(&unused);
    Texture stranger;
    manager.releaseTexture(&stranger);
    EXPECT_TRUE(log.messages().empty());

    // A load still queued when the manager goes away is dropped, not delivered.
    Texture orphan;
    manager.requestTexture(&orphan, dir.file("unused.png").c_str(), false);
    manager.destroy();
    loader.processRequests();
    EXPECT_FALSE(log.contains("Texture Callback Fired For Texture: " + dir.file("unused.png") + ":False"));
}

TEST_F(ShaderManagerTest, UsersShareOneCompileAndFailuresFallBackToTheMagentaDummy) {
    test::TempDir dir;
    test::writeFile(dir.file("a.vert"), kPassThrough);
    test::writeFile(dir.file("red.frag"), fragmentOf("1.0, 0.0, 0.0, 1.0"));
    test::writeFile(dir.file("broken.frag"), "#version 330 core\nvoid main() { nonsense }\n");
    test::LogCapture log;
    ResourceLoader loader;
    loader.init(nullptr);
    ShaderManager manager;
    ASSERT_TRUE(manager.init(loader, nullptr));
    ASSERT_TRUE(log.contains("Successfully initialized dummy shader!"));
    const GLuint dummy = manager.getDummyShader().program;
    EXPECT_EQ(drawWith(dummy), kMagenta);

    std::string vert = dir.file("a.vert"), red = dir.file("red.frag"), broken = dir.file("broken.frag");
    ShaderProgram first, second, failing;
    manager.requestShader(&first, vert.c_str(), red.c_str(), nullptr);
    manager.requestShader(&second, vert.c_str(), red.c_str(), nullptr);
    manager.requestShader(&failing, vert.c_str(), broken.c_str(), nullptr);
    EXPECT_TRUE(log.contains("Requested Shader Loading Already In Progress: " + vert + ":" + red));
    EXPECT_EQ(first.program, dummy);
    EXPECT_EQ(loader.pendingCount(), 2);
    loader.processRequests();
    EXPECT_TRUE(log.contains("Loading OGL Shader [" + vert + "], [" + red + "], [null]!"));
    EXPECT_NE(first.program, dummy);
    EXPECT_EQ(first.program, second.program);
    EXPECT_EQ(drawWith(first.program), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(failing.program, dummy);
    EXPECT_TRUE(log.contains("Shader Marked As Unloaded Due To Loading Failure: " + vert + ":" + broken));

    // Fixed on disk: a new request compiles it again.
    test::writeFile(broken, fragmentOf("0.0, 0.0, 1.0, 1.0"));
    ShaderProgram another;
    manager.requestShader(&another, vert.c_str(), broken.c_str(), nullptr);
    EXPECT_TRUE(log.contains("Reloading Shader Into Manager: " + vert + ":" + broken));
    loader.processRequests();
    EXPECT_EQ(drawWith(failing.program), (std::vector<uint8_t>{0, 0, 255, 255}));

    // Purge: only loaded programs without users go.
    manager.releaseShader(&failing);
    manager.releaseShader(&another);
    const GLuint bluePrivate = another.program;
    manager.purge();
    EXPECT_TRUE(log.contains("Purged Shader: [" + vert + ":" + broken + "]"));
    EXPECT_FALSE(log.contains("Purged Shader: [" + vert + ":" + red + "]"));
    EXPECT_FALSE(glIsProgram(bluePrivate));
    EXPECT_TRUE(glIsProgram(first.program));

    manager.destroy();
    EXPECT_TRUE(log.contains("Destroying Shader: " + vert + ":" + red));
    EXPECT_FALSE(glIsProgram(dummy));
}

TEST_F(ShaderManagerTest, GeometryKeysReleasedUsersAndChangesWhileLoading) {
    test::TempDir dir;
    test::writeFile(dir.file("a.vert"), kPassThrough);
    test::writeFile(dir.file("a.geom"), kPassThroughGeometry);
    test::writeFile(dir.file("green.frag"), fragmentOf("0.0, 1.0, 0.0, 1.0"));
    std::string vert = dir.file("a.vert"), geom = dir.file("a.geom"), green = dir.file("green.frag");
    const std::string key = vert + ":" + green + ":" + geom;
    test::LogCapture log;
    ResourceLoader loader;
    loader.init(nullptr);
    ShaderManager manager;
    ASSERT_TRUE(manager.init(loader, nullptr));

    ShaderProgram user, released;
    manager.requestShader(&user, vert.c_str(), green.c_str(), geom.c_str());
    manager.requestShader(&released, vert.c_str(), green.c_str(), geom.c_str());
    manager.releaseShader(&released);
    EXPECT_TRUE(log.contains("Shader [" + key + "] now has 1 Users."));
    manager.refresh(geom);
    EXPECT_TRUE(log.contains("Source File [" + geom + "] Updated but unable to refresh Shader: [" + key +
                             "] since it's still loading"));
    released.program = 4242;
    loader.processRequests();
    EXPECT_EQ(released.program, 4242u);
    EXPECT_EQ(drawWith(user.program), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_NE(user.geometryShader, kNoShaderObject);

    // Any of the three files reloads the program.
    const GLuint before = user.program;
    manager.refresh(geom);
    EXPECT_EQ(user.program, manager.getDummyShader().program);
    EXPECT_FALSE(glIsProgram(before));
    loader.processRequests();
    EXPECT_EQ(manager.findEntry(key)->state, ResourceState::Loaded);
    EXPECT_EQ(drawWith(user.program), (std::vector<uint8_t>{0, 255, 0, 255}));
    manager.destroy();
}

TEST_F(ShaderManagerTest, HotReloadThroughTheFileWatcher) {
    test::TempDir dir;
    const std::string vert = dir.file("hot.vert"), frag = dir.file("hot.frag");
    test::writeFile(vert, kPassThrough);
    test::writeFile(frag, fragmentOf("1.0, 0.0, 0.0, 1.0"));
    test::LogCapture log;
    // Declared first, destroyed last: the watcher's callbacks point at the manager.
    ResourceLoader loader;
    ShaderManager manager;
    FileWatcher watcher;
    loader.init(nullptr);
    ASSERT_TRUE(watcher.init(20));
    ASSERT_TRUE(manager.init(loader, &watcher));
    const GLuint dummy = manager.getDummyShader().program;

    ShaderProgram first, second;
    {
        // Paths from short-lived strings (a script's, say): the manager keeps copies.
        std::string v = vert, f = frag;
        manager.requestShader(&first, v.c_str(), f.c_str(), nullptr);
        manager.requestShader(&second, v.c_str(), f.c_str(), nullptr);
    }
    loader.processRequests();
    ASSERT_EQ(drawWith(first.program), (std::vector<uint8_t>{255, 0, 0, 255}));

    // One frame of the main loop: changes, then loads. Records what the users saw in between.
    std::vector<GLuint> seen;
    auto frame = [&] {
        watcher.dispatchChanges();
        seen.push_back(first.program);
        loader.processRequests();
        EXPECT_EQ(first.program, second.program);
    };
    auto frameUntil = [&](const std::function<bool()>& done) {
        return test::waitFor([&] {
            frame();
            return done();
        });
    };

    test::writeFile(frag, fragmentOf("0.0, 1.0, 0.0, 1.0"));
    ASSERT_TRUE(frameUntil([&] { return drawWith(first.program) == std::vector<uint8_t>{0, 255, 0, 255}; }));
    EXPECT_NE(std::find(seen.begin(), seen.end(), dummy), seen.end());  // the dummy stood in while compiling

    test::writeFile(frag, "#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0) }\n");
    ASSERT_TRUE(frameUntil([&] { return log.contains("Invalid Shader Queued In Manager!"); }));
    for (int i = 0; i < 5; ++i) frame();
    EXPECT_EQ(first.program, dummy);
    EXPECT_EQ(drawWith(first.program), kMagenta);
    bool compileMessage = false;
    for (const std::string& m : log.messages())
        compileMessage = compileMessage || m.rfind("Failed to compile fragment shader: '", 0) == 0;
    EXPECT_TRUE(compileMessage);

    test::writeFile(frag, fragmentOf("0.0, 0.0, 1.0, 1.0"));
    ASSERT_TRUE(frameUntil([&] { return drawWith(first.program) == std::vector<uint8_t>{0, 0, 255, 255}; }));
    watcher.shutdown();
    manager.destroy();
}
