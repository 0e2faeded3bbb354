// Textures and render targets on the real driver: cube faces read back from
// an uploaded cross, depth and multisampled attachments, viewport save and
// restore, face selection, and images loaded from files.
#include "gfx/CubeFrameBuffer.h"
#include "gfx/FrameBuffer.h"
#include "gfx/ResourceLoader.h"
#include "gfx/Texture.h"

#include "GlContext.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <string>
#include <vector>

namespace {
GLint levelParameter(GLenum target, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(target, 0, name, &value);
    return value;
}

std::vector<uint8_t> readFace(GLuint cube, int face, int size) {
    std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 4);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return pixels;
}

std::vector<GLint> viewport() {
    std::vector<GLint> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}
} // namespace

TEST(Texture, CubeCrossFacesHoldTheirCellsInTheRightOrientation) {
    const int face = 8;
    std::vector<uint8_t> cross(3 * face * 4 * face * 4);
    for (int y = 0; y < 4 * face; ++y)
        for (int x = 0; x < 3 * face; ++x) {
            uint8_t* p = &cross[(static_cast<size_t>(y) * 3 * face + x) * 4];
            p[0] = static_cast<uint8_t>(x * 8);
            p[1] = static_cast<uint8_t>(y * 8);
            p[2] = 99;
            p[3] = 255;
        }
    Texture texture;
    texture.isCubeMap = true;
    texture.upload(3 * face, 4 * face, GL_RGBA, cross.data(), 0, true);
    ASSERT_NE(texture.id, 0u);
    const int cells[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {1, 3}};
    for (int f = 0; f < 6; ++f) {
        SCOPED_TRACE(f);
        glBindTexture(GL_TEXTURE_CUBE_MAP, texture.id);
        EXPECT_EQ(levelParameter(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, GL_TEXTURE_WIDTH), face);
        auto pixels = readFace(texture.id, f, face);
        for (int r = 0; r < face; ++r)
            for (int c = 0; c < face; ++c) {
                int sx = cells[f][0] * face + (f == 5 ? face - 1 - c : c);
                int sy = cells[f][1] * face + (f == 5 ? face - 1 - r : r);
                const uint8_t* p = &pixels[(static_cast<size_t>(r) * face + c) * 4];
                ASSERT_EQ(p[0], sx * 8);
                ASSERT_EQ(p[1], sy * 8);
            }
    }
    texture.release();
    EXPECT_EQ(texture.id, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(FrameBuffer, HalfFloatColourWithDepthClearsAndReadsBack) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.create(64, 32, 1, true, GL_RGBA16F, 0));
    ASSERT_EQ(fb.colorTextures.size(), 1u);
    ASSERT_NE(fb.depthTexture, nullptr);
    EXPECT_EQ(fb.getColorTexture(0), fb.colorTextures[0].id);
    EXPECT_EQ(fb.getColorTexture(1), 0u);
    EXPECT_FALSE(fb.multisampled);

    glBindTexture(GL_TEXTURE_2D, fb.getColorTexture(0));
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA16F);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_RED_SIZE), 16);
    glBindTexture(GL_TEXTURE_2D, fb.depthTexture->id);
    EXPECT_GE(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_DEPTH_SIZE), 24);
    glBindTexture(GL_TEXTURE_2D, 0);

    glViewport(0, 0, 256, 256);
    glClearColor(0.25f, 2.5f, -1.0f, 1.0f);  // half floats keep values outside 0..1
    fb.bind(true);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 64, 32}));
    float pixel[4] = {0, 0, 0, 0};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_FLOAT, pixel);
    EXPECT_FLOAT_EQ(pixel[0], 0.25f);
    EXPECT_FLOAT_EQ(pixel[1], 2.5f);
    EXPECT_FLOAT_EQ(pixel[2], -1.0f);
    fb.unbind();
    fb.destroy();
    EXPECT_EQ(fb.fbo, 0u);
    EXPECT_EQ(fb.depthTexture, nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(FrameBuffer, FourSamplesMakeEveryAttachmentMultisampled) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.create(32, 32, 2, true, GL_RGBA8, 4));
    EXPECT_TRUE(fb.multisampled);
    std::vector<GLuint> ids = {fb.getColorTexture(0), fb.getColorTexture(1), fb.depthTexture->id};
    for (GLuint id : ids) {
        glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, id);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D_MULTISAMPLE, GL_TEXTURE_SAMPLES), 4);
    }
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, fb.fbo);
    for (GLenum attachment : {GLenum(GL_COLOR_ATTACHMENT0), GLenum(GL_COLOR_ATTACHMENT1), GLenum(GL_DEPTH_ATTACHMENT)}) {
        GLint name = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
        EXPECT_NE(name, 0);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    fb.destroy();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(FrameBuffer, UnbindRestoresTheViewportFromTheOrigin) {
    FrameBuffer fb;
    ASSERT_TRUE(fb.create(16, 16, 1, false, GL_RGBA8, 0));
    glViewport(0, 0, 1280, 720);
    fb.bind(true);
    fb.unbind();
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 1280, 720}));
    glViewport(10, 20, 100, 50);
    fb.bind(false);
    fb.unbind();
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 110, 70}));
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    fb.destroy();
}

TEST(FrameBuffer, TooManyAttachmentsFailSilentlyAndNoAttachmentIsReported) {
    test::LogCapture log;
    FrameBuffer tooMany;
    EXPECT_FALSE(tooMany.create(16, 16, 1000, false, GL_RGBA8, 0));
    EXPECT_TRUE(log.messages().empty());
    tooMany.destroy();

    FrameBuffer empty;
    EXPECT_FALSE(empty.create(16, 16, 0, false, GL_RGBA8, 0));
    EXPECT_TRUE(log.contains("Framebuffer Incomplete! - Missing Attachment"));
    empty.destroy();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(CubeFrameBuffer, SelectFaceClampsToMinusZAndClearsOnlyThatFace) {
    CubeFrameBuffer cube;
    ASSERT_TRUE(cube.create(8, 8, GL_RGBA8));
    glViewport(0, 0, 200, 100);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    cube.bind(true);  // clears face 0 (+X) blue
    EXPECT_TRUE(cube.bound);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    cube.selectFace(9);
    EXPECT_EQ(cube.currentFace, 5u);
    GLint face = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_CUBE_MAP_FACE, &face);
    EXPECT_EQ(face, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z);
    cube.unbind();
    EXPECT_FALSE(cube.bound);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 200, 100}));

    auto minusZ = readFace(cube.getTexture(), 5, 8);
    auto plusX = readFace(cube.getTexture(), 0, 8);
    EXPECT_EQ(std::vector<uint8_t>(minusZ.begin(), minusZ.begin() + 4), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(plusX.begin(), plusX.begin() + 4), (std::vector<uint8_t>{0, 0, 255, 255}));
    cube.destroy();
    EXPECT_EQ(cube.depthRenderbuffer, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(ImageTexture, FilesLoadAsRgbaAndBadFilesFailWithOneLine) {
    test::TempDir dir;
    test::LogCapture log;
    Texture grey;
    std::string greyAlpha = std::string(SOLVANE_FIXTURES_DIR) + "/images/grey-alpha.png";
    ASSERT_TRUE(loadImageTexture(grey, greyAlpha.c_str(), false, true));
    EXPECT_EQ(grey.width, 16);
    EXPECT_EQ(grey.internalFormat, static_cast<GLenum>(GL_RGBA));
    EXPECT_TRUE(grey.hasMipmaps);
    std::vector<uint8_t> pixels(16 * 8 * 4);
    glBindTexture(GL_TEXTURE_2D, grey.id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_WIDTH), 16);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(pixels[3], 255);
    EXPECT_NEAR(pixels[(3 * 16 + 13) * 4 + 3], 128, 1);
    grey.release();

    // A cube map from a square image still uploads (25x25 faces of a 100x100 image), with a note.
    std::vector<uint8_t> square(100 * 100 * 4, 77);
    ASSERT_TRUE(stbi_write_png(dir.file("square.png").c_str(), 100, 100, 4, square.data(), 400));
    Texture cube;
    ASSERT_TRUE(loadImageTexture(cube, dir.file("square.png").c_str(), true, true));
    EXPECT_TRUE(log.contains("Cube map image 100x100 is not a cross of 3x4 square cells; using 25x25 faces"));
    EXPECT_EQ(readFace(cube.id, 5, 25)[0], 77);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    cube.release();

    log.clear();
    test::writeFile(dir.file("text.png"), "not an image\n");
    Texture bad;
    EXPECT_FALSE(loadImageTexture(bad, dir.file("text.png").c_str(), false, true));
    EXPECT_EQ(bad.id, 0u);
    EXPECT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].rfind("Failed to decode image '" + dir.file("text.png") + "': ", 0), 0u);

    // Wider than any texture the driver makes: refused instead of an empty texture.
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    std::vector<uint8_t> row(static_cast<size_t>(maxSize + 1) * 4, 1);
    ASSERT_TRUE(stbi_write_png(dir.file("wide.png").c_str(), maxSize + 1, 1, 4, row.data(), (maxSize + 1) * 4));
    log.clear();
    EXPECT_FALSE(loadImageTexture(bad, dir.file("wide.png").c_str(), false, true));
    EXPECT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(bad.id, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
