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

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {
using Pixel = std::vector<uint8_t>;
const Pixel kMagenta = {255, 0, 255, 255}, kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255},
            kBlue = {0, 0, 255, 255};

// Draws one full-screen triangle with `program` into a small target and returns the centre pixel.
Pixel drawWith(GLuint program) {
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
    Pixel pixel = test::readPixels(4, 4, 1, 1);
    glUseProgram(0);  // a program in use is only flagged for deletion
    target.unbind();
    return pixel;
}

std::string fragmentOf(const char* colour) {
    return std::string("#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = vec4(") + colour + "); }\n";
}
const char* kPassThrough = "#version 330 core\nlayout(location = 0) in vec3 aPosition;\n"
                           "void main() { gl_Position = vec4(aPosition, 1.0); }\n";
const char* kBrokenFragment = "#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0) }\n";

// Both managers on one loader, run from the source tree (the dummy program is
// opened as "res/shaders/Dummy.*"). Members are destroyed in reverse: the
// watcher, whose callbacks point at the shader manager, goes first.
class Managers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(workingDir.enter(SOLVANE_SOURCE_DIR));
        loader.init(nullptr);
        ASSERT_TRUE(watcher.init(20));
        ASSERT_TRUE(textures.init(loader));
        ASSERT_TRUE(shaders.init(loader, &watcher));
        ASSERT_TRUE(log.contains("Successfully initialized dummy texture!"));
        ASSERT_TRUE(log.contains("Successfully initialized dummy shader!"));
        dummyTexture = textures.getDummyTexture().id;
        dummyProgram = shaders.getDummyShader().program;
    }
    void TearDown() override {
        watcher.shutdown();
        textures.destroy();
        shaders.destroy();
    }
    std::string png(const std::string& name, uint8_t grey) {
        std::vector<uint8_t> pixels(4 * 4 * 4, grey);
        EXPECT_TRUE(stbi_write_png(dir.file(name).c_str(), 4, 4, 4, pixels.data(), 16));
        return dir.file(name);
    }
    std::string source(const std::string& name, const std::string& text) {
        test::writeFile(dir.file(name), text);
        return dir.file(name);
    }

    test::WorkingDir workingDir;
    test::TempDir dir;
    test::LogCapture log;
    ResourceLoader loader;
    TextureManager textures;
    ShaderManager shaders;
    FileWatcher watcher;
    GLuint dummyTexture = 0;
    GLuint dummyProgram = 0;
};
} // namespace

TEST_F(Managers, TexturesAreSharedPerPathAndFlagWithTheDummyUntilTheyArrive) {
    const std::string path = png("noise.png", 90), key = path + ":False";
    Texture a, b, cube;
    textures.requestTexture(&a, path.c_str(), false);
    textures.requestTexture(&b, path.c_str(), false);
    textures.requestTexture(&cube, path.c_str(), true);  // another key, another load
    EXPECT_TRUE(log.contains("Loading New Texture Into Manager: " + key));
    EXPECT_TRUE(log.contains("Requested Texture Loading Already In Progress: " + key));
    EXPECT_TRUE(log.contains("Texture [" + key + "] now has 2 Users."));
    EXPECT_EQ(a.id, dummyTexture);
    EXPECT_EQ(b.id, dummyTexture);
    EXPECT_EQ(loader.pendingCount(), 2);

    loader.processRequests();
    EXPECT_NE(a.id, dummyTexture);
    EXPECT_EQ(a.id, b.id);
    EXPECT_STREQ(a.name, path.c_str());
    EXPECT_NE(cube.id, a.id);
    EXPECT_EQ(textures.findEntry(key)->state, ResourceState::Loaded);

    Texture late;
    textures.requestTexture(&late, path.c_str(), false);
    EXPECT_TRUE(log.contains("Requested Texture Already Loaded: " + key));
    EXPECT_EQ(late.id, a.id);
    EXPECT_EQ(loader.pendingCount(), 0);
}

TEST_F(Managers, FailedTextureLoadsKeepTheWhiteDummyAndALaterRequestReloads) {
    const std::string text = source("text.png", "plain text, not a picture\n");
    const std::string truncated = png("truncated.png", 10);
    test::writeFile(truncated, test::readFile(truncated).substr(0, 40));
    for (const std::string& path : {dir.file("missing.png"), text, truncated}) {
        SCOPED_TRACE(path);
        Texture user;
        textures.requestTexture(&user, path.c_str(), false);
        loader.processRequests();
        EXPECT_EQ(user.id, dummyTexture);
        EXPECT_EQ(textures.findEntry(path + ":False")->state, ResourceState::Unloaded);
        EXPECT_TRUE(log.contains("Texture Marked As Unloaded Due To Loading Failure: " + path + ":False"));
        textures.releaseTexture(&user);
    }
    Pixel white(4);
    glBindTexture(GL_TEXTURE_2D, dummyTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, white.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(white, (Pixel{255, 255, 255, 255}));

    png("missing.png", 30);  // the file appears: asking again loads it
    Texture user;
    textures.requestTexture(&user, dir.file("missing.png").c_str(), false);
    EXPECT_TRUE(log.contains("Reloading Texture Into Manager: " + dir.file("missing.png") + ":False"));
    loader.processRequests();
    EXPECT_TRUE(glIsTexture(user.id));
    EXPECT_NE(user.id, dummyTexture);
}

TEST_F(Managers, PurgeFreesOnlyUnusedLoadedTexturesAndReleasedUsersAreNeverWritten) {
    Texture kept, unused, released;
    {
        // The manager keeps its own copy of the path: this string is gone before the load.
        std::string temporary = png("kept.png", 1);
        textures.requestTexture(&kept, temporary.c_str(), false);
        std::memset(&temporary[0], 'x', temporary.size());
    }
    textures.requestTexture(&unused, png("unused.png", 2).c_str(), false);
    loader.processRequests();
    const GLuint unusedId = unused.id;
    textures.releaseTexture(&unused);

    // Released while its load is still queued: removed at once, never written again.
    textures.requestTexture(&released, png("pending.png", 3).c_str(), false);
    textures.releaseTexture(&released);
    EXPECT_TRUE(log.contains("Texture [" + dir.file("pending.png") + ":False] now has 0 Users."));
    released.id = 4242;
    loader.processRequests();
    EXPECT_EQ(released.id, 4242u);

    textures.purge();
    EXPECT_TRUE(log.contains("Purged Texture: [" + dir.file("unused.png") + ":False]"));
    EXPECT_FALSE(log.contains("Purged Texture: [" + dir.file("kept.png") + ":False]"));
    EXPECT_FALSE(glIsTexture(unusedId));
    EXPECT_TRUE(glIsTexture(kept.id));

    // A load still queued when the manager goes away is dropped, not delivered.
    Texture orphan;
    log.clear();
    textures.requestTexture(&orphan, dir.file("unused.png").c_str(), false);
    textures.destroy();
    loader.processRequests();
    EXPECT_FALSE(log.contains("Texture Callback Fired For Texture: " + dir.file("unused.png") + ":False"));
}

TEST_F(Managers, ProgramsAreSharedAndFailuresFallBackToTheMagentaDummy) {
    const std::string vert = source("a.vert", kPassThrough), red = source("red.frag", fragmentOf("1, 0, 0, 1"));
    const std::string broken = source("broken.frag", kBrokenFragment);
    EXPECT_EQ(drawWith(dummyProgram), kMagenta);
    ShaderProgram first, second, failing;
    shaders.requestShader(&first, vert.c_str(), red.c_str(), nullptr);
    shaders.requestShader(&second, vert.c_str(), red.c_str(), nullptr);
    shaders.requestShader(&failing, vert.c_str(), broken.c_str(), nullptr);
    EXPECT_TRUE(log.contains("Requested Shader Loading Already In Progress: " + vert + ":" + red));
    EXPECT_EQ(first.program, dummyProgram);
    EXPECT_EQ(loader.pendingCount(), 2);
    loader.processRequests();
    EXPECT_TRUE(log.contains("Loading OGL Shader [" + vert + "], [" + red + "], [null]!"));
    EXPECT_EQ(first.program, second.program);
    EXPECT_EQ(drawWith(first.program), kRed);
    EXPECT_EQ(failing.program, dummyProgram);
    EXPECT_TRUE(log.contains("Shader Marked As Unloaded Due To Loading Failure: " + vert + ":" + broken));

    source("broken.frag", fragmentOf("0, 0, 1, 1"));  // fixed: a new request compiles again
    ShaderProgram another;
    shaders.requestShader(&another, vert.c_str(), broken.c_str(), nullptr);
    EXPECT_TRUE(log.contains("Reloading Shader Into Manager: " + vert + ":" + broken));
    loader.processRequests();
    EXPECT_EQ(drawWith(failing.program), kBlue);

    shaders.releaseShader(&failing);
    shaders.releaseShader(&another);
    const GLuint blue = another.program;
    shaders.purge();
    EXPECT_TRUE(log.contains("Purged Shader: [" + vert + ":" + broken + "]"));
    EXPECT_FALSE(glIsProgram(blue));
    EXPECT_TRUE(glIsProgram(first.program));
}

TEST_F(Managers, GeometryKeysChangesWhileLoadingAndReleasedProgramUsers) {
    const std::string vert = source("a.vert", kPassThrough), green = source("g.frag", fragmentOf("0, 1, 0, 1"));
    const std::string geom = source("a.geom", "#version 330 core\nlayout(triangles) in;\nlayout(triangle_strip, "
                                              "max_vertices = 3) out;\nvoid main() { for (int i = 0; i < 3; ++i) {"
                                              " gl_Position = gl_in[i].gl_Position; EmitVertex(); } }\n");
    const std::string key = vert + ":" + green + ":" + geom;
    ShaderProgram user, released;
    shaders.requestShader(&user, vert.c_str(), green.c_str(), geom.c_str());
    shaders.requestShader(&released, vert.c_str(), green.c_str(), geom.c_str());
    shaders.releaseShader(&released);
    EXPECT_TRUE(log.contains("Shader [" + key + "] now has 1 Users."));
    shaders.refresh(geom);
    EXPECT_TRUE(log.contains("Source File [" + geom + "] Updated but unable to refresh Shader: [" + key +
                             "] since it's still loading"));
    released.program = 4242;
    loader.processRequests();
    EXPECT_EQ(released.program, 4242u);
    EXPECT_EQ(drawWith(user.program), kGreen);

    const GLuint before = user.program;  // any of the three files reloads the program
    shaders.refresh(geom);
    EXPECT_EQ(user.program, dummyProgram);
    EXPECT_FALSE(glIsProgram(before));
    loader.processRequests();
    EXPECT_EQ(drawWith(user.program), kGreen);
}

TEST_F(Managers, HotReloadThroughTheFileWatcher) {
    const std::string vert = source("hot.vert", kPassThrough), frag = source("hot.frag", fragmentOf("1, 0, 0, 1"));
    ShaderProgram first, second;
    {
        // Paths from short-lived strings (a script's, say): the manager keeps copies.
        std::string v = vert, f = frag;
        shaders.requestShader(&first, v.c_str(), f.c_str(), nullptr);
        shaders.requestShader(&second, v.c_str(), f.c_str(), nullptr);
    }
    loader.processRequests();
    ASSERT_EQ(drawWith(first.program), kRed);

    // Each save gets a time clearly after the last: file times come from a coarse
    // clock that may lag the watcher's start by a few milliseconds.
    double saveTime = test::nowSeconds() + 1.0;
    auto save = [&](const std::string& text) {
        test::writeFile(frag, text);
        test::setWriteTime(frag, saveTime += 1.0);
    };
    // Frames of the main loop (changes, then loads), noting what users hold in between.
    std::vector<GLuint> seen;
    auto framesUntil = [&](const std::function<bool()>& done) {
        return test::waitFor([&] {
            watcher.dispatchChanges();
            seen.push_back(first.program);
            loader.processRequests();
            EXPECT_EQ(first.program, second.program);
            return done();
        });
    };

    save(fragmentOf("0, 1, 0, 1"));
    ASSERT_TRUE(framesUntil([&] { return drawWith(first.program) == kGreen; }));
    EXPECT_NE(std::find(seen.begin(), seen.end(), dummyProgram), seen.end());  // the dummy stood in

    save(kBrokenFragment);
    ASSERT_TRUE(framesUntil([&] { return log.contains("Invalid Shader Queued In Manager!"); }));
    int frames = 0;
    framesUntil([&] { return ++frames == 5; });
    EXPECT_EQ(drawWith(first.program), kMagenta);
    auto messages = log.messages();
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [](const std::string& m) {
        return m.rfind("Failed to compile fragment shader: '", 0) == 0;
    }));

    save(fragmentOf("0, 0, 1, 1"));
    ASSERT_TRUE(framesUntil([&] { return drawWith(first.program) == kBlue; }));
}
