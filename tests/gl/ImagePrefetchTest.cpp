// Texture files are read and decoded on a worker as soon as they are asked
// for; the upload still shows the file as it is when the loader runs (a file
// replaced in between is read again), and a missing file still fails the load.
#include "gfx/ResourceLoader.h"
#include "gfx/Texture.h"

#include "GlContext.h"

#include <stb/stb_image_write.h>

#include <algorithm>
#include <thread>

namespace {
void writeImage(const std::string& path, int size, uint8_t red, uint8_t green) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < size * size; ++i) pixels.insert(pixels.end(), {red, green, 0, 255});
    ASSERT_TRUE(stbi_write_png(path.c_str(), size, size, 4, pixels.data(), size * 4));
}

void delivered(bool success, void*, void* context) { static_cast<std::vector<bool>*>(context)->push_back(success); }
} // namespace

TEST(ImagePrefetch, TheUploadShowsTheFileAsItIsWhenTheLoaderRuns) {
    test::TempDir dir;
    test::LogCapture log;
    const std::string kept = dir.file("kept.png");
    const std::string replaced = dir.file("replaced.png");
    const std::string missing = dir.file("missing.png");
    writeImage(kept, 2, 200, 0);
    writeImage(replaced, 2, 0, 200);

    ResourceLoader loader;
    ASSERT_TRUE(loader.init());
    std::vector<bool> results;
    Texture keptTexture, replacedTexture, missingTexture;
    loader.loadTexture(&keptTexture, delivered, &results, kept.c_str(), false);
    loader.loadTexture(&replacedTexture, delivered, &results, replaced.c_str(), false);
    loader.loadTexture(&missingTexture, delivered, &results, missing.c_str(), false);
    // Long enough for the workers to have read the files as they were.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    writeImage(replaced, 4, 0, 90);
    loader.processRequests();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(std::count(results.begin(), results.end(), true), 2);

    struct Expect {
        const Texture& texture;
        int size;
        uint8_t red, green;
    };
    for (const Expect& e : {Expect{keptTexture, 2, 200, 0}, Expect{replacedTexture, 4, 0, 90}}) {
        SCOPED_TRACE(e.texture.name);
        ASSERT_EQ(e.texture.width, e.size);
        ASSERT_EQ(e.texture.height, e.size);
        const std::vector<unsigned char> px =
            test::readTexture(GL_TEXTURE_2D, GL_TEXTURE_2D, e.texture.id, e.size, e.size);
        EXPECT_EQ(px[0], e.red);
        EXPECT_EQ(px[1], e.green);
    }
    keptTexture.release();
    replacedTexture.release();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
