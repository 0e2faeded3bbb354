// The texture and shader managers on the real loader and driver: shared loads, the
// dummies, purge, released users, short-lived paths, images read ahead, and shader hot
// reload through the real file watcher, checked on drawn pixels.
#include "gfx/FrameBuffer.h"

#include "GlContext.h"

#include <stb/stb_image_write.h>

#include <cstring>
#include <thread>

namespace {
using Pixel = std::vector<uint8_t>;
const Pixel kMagenta = {255, 0, 255, 255}, kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255},
            kBlue = {0, 0, 255, 255};

// The centre pixel of a small target filled by `program`.
Pixel drawWith(GLuint program) {
    static FrameBuffer target;
    static const bool created = target.create(8, 8, 1, false, GL_RGBA8, 0);
    EXPECT_TRUE(created);
    target.bind(true);
    glUseProgram(program);
    test::drawCorners({-1.0f, -1.0f, 0.0f, 3.0f, -1.0f, 0.0f, -1.0f, 3.0f, 0.0f});
    Pixel pixel = test::readPixels(4, 4, 1, 1);
    glUseProgram(0);  // a program in use is only flagged for deletion
    target.unbind();
    return pixel;
}

std::string fragmentOf(const char* colour) {
    return std::string("#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = vec4(") + colour + "); }\n";
}
const char* kBrokenFragment = "#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0) }\n";

class Managers : public test::EngineTest {
protected:
    std::string png(const std::string& name, uint8_t grey, int size = 4) {
        std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 4, grey);
        EXPECT_TRUE(stbi_write_png(dir.file(name).c_str(), size, size, 4, pixels.data(), size * 4));
        return dir.file(name);
    }
    std::string source(const std::string& name, const std::string& text) {
        test::writeFile(dir.file(name), text);
        return dir.file(name);
    }

    test::TempDir dir;
    TextureManager& textures = engine.textureManager;
    ShaderManager& shaders = engine.shaderManager;
    ResourceLoader& loader = engine.resourceLoader;
    const std::string vert = source("a.vert", "#version 330 core\nlayout(location = 0) in vec3 aPosition;\n"
                                              "void main() { gl_Position = vec4(aPosition, 1.0); }\n");
};
} // namespace

TEST_F(Managers, TexturesAreSharedPerKeyFailuresKeepTheWhiteDummyAndPurgeFreesOnlyUnusedOnes) {
    const GLuint dummy = textures.getDummyTexture().id;
    Texture a, b, cube, released;
    {
        // The manager keeps its own copy of the path: this string is gone before the load.
        std::string path = png("noise.png", 90);
        textures.requestTexture(&a, path.c_str(), false);
        textures.requestTexture(&b, path.c_str(), false);
        textures.requestTexture(&cube, path.c_str(), true);  // another key, another load
        EXPECT_EQ(loader.pendingCount(), 2);
        std::memset(&path[0], 'x', path.size());
    }
    textures.requestTexture(&released, png("pending.png", 3).c_str(), false);
    textures.releaseTexture(&released);  // while its load is queued: never written again
    released.id = 4242;
    // Files are read ahead on a worker as soon as they are asked for; one replaced
    // before the loader runs is read again.
    Texture replaced;
    textures.requestTexture(&replaced, png("replaced.png", 20).c_str(), false);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the worker has read the old file
    png("replaced.png", 200, 8);
    EXPECT_TRUE(a.id == dummy && b.id == dummy);
    loader.processRequests();
    EXPECT_EQ(released.id, 4242u);
    EXPECT_TRUE(a.id != dummy && a.id == b.id && cube.id != a.id);
    ASSERT_EQ(replaced.width, 8);
    EXPECT_EQ(test::readTexture(GL_TEXTURE_2D, GL_TEXTURE_2D, replaced.id, 8, 8)[0], 200);
    const GLuint unused = cube.id;
    textures.releaseTexture(&cube);
    textures.purge();
    EXPECT_TRUE(!glIsTexture(unused) && glIsTexture(a.id));

    // A truncated image keeps the white dummy.
    const std::string truncated = png("cut.png", 10);
    test::writeFile(truncated, test::readFile(truncated).substr(0, 40));
    Texture user;
    textures.requestTexture(&user, truncated.c_str(), false);
    loader.processRequests();
    EXPECT_EQ(user.id, dummy);
    EXPECT_TRUE(log.contains("Texture Marked As Unloaded Due To Loading Failure: " + truncated + ":False"));
    EXPECT_EQ(test::readTexture(GL_TEXTURE_2D, GL_TEXTURE_2D, dummy, 1, 1), (Pixel{255, 255, 255, 255}));
}

TEST_F(Managers, ProgramsAreSharedFailuresFallBackToTheMagentaDummyAndTheFileWatcherReloadsThem) {
    const std::string red = source("red.frag", fragmentOf("1, 0, 0, 1")), broken = source("b.frag", kBrokenFragment);
    EXPECT_EQ(drawWith(dummyProgram), kMagenta);
    ShaderProgram first, second, failing, released;
    {
        // Paths from short-lived strings (a script's, say): the manager keeps copies.
        std::string v = vert, f = red;
        shaders.requestShader(&first, v.c_str(), f.c_str(), nullptr);
        shaders.requestShader(&second, v.c_str(), f.c_str(), nullptr);
        std::memset(&f[0], 'x', f.size());
    }
    shaders.requestShader(&failing, vert.c_str(), broken.c_str(), nullptr);
    shaders.requestShader(&released, vert.c_str(), red.c_str(), nullptr);
    shaders.releaseShader(&released);  // while loading: never written again
    EXPECT_EQ(first.program, dummyProgram);
    EXPECT_EQ(loader.pendingCount(), 2);
    released.program = 4242;
    loader.processRequests();
    EXPECT_TRUE(released.program == 4242u && first.program == second.program);
    EXPECT_EQ(drawWith(first.program), kRed);
    EXPECT_EQ(failing.program, dummyProgram);

    source("b.frag", fragmentOf("0, 0, 1, 1"));  // fixed: a new request compiles again
    ShaderProgram another;
    shaders.requestShader(&another, vert.c_str(), broken.c_str(), nullptr);
    loader.processRequests();
    EXPECT_EQ(drawWith(failing.program), kBlue);
    shaders.releaseShader(&failing);
    shaders.releaseShader(&another);
    shaders.purge();
    EXPECT_TRUE(!glIsProgram(another.program) && glIsProgram(first.program));

    // Each save gets a time clearly after the last: file times come from a coarse
    // clock that may lag the watcher's start by a few milliseconds.
    double saveTime = test::nowSeconds() + 1.0;
    auto save = [&](const std::string& text) {
        test::writeFile(red, text);
        test::setWriteTime(red, saveTime += 1.0);
    };
    // Frames of the main loop (changes, then loads), noting what users hold in between.
    std::vector<GLuint> seen;
    auto framesUntil = [&](const std::function<bool()>& done) {
        return test::waitFor([&] {
            engine.fileWatcher.dispatchChanges();
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
    save(fragmentOf("0, 0, 1, 1"));
    ASSERT_TRUE(framesUntil([&] { return drawWith(first.program) == kBlue; }));
}
