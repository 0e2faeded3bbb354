// Image decoding of every PNG and JPEG kind the show may ship, bad image files,
// and cube faces cut from crosses of odd sizes (no GL needed; the orientation
// of every face is checked on the driver, in the gl tests).
#include "core/FileIO.h"
#include "gfx/Image.h"
#include "gfx/Texture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::string fixture(const std::string& name) { return std::string(SOLVANE_FIXTURES_DIR) + "/images/" + name; }

bool decodeFile(const std::string& path, DecodedImage& image, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!FileIO::readAll(path, bytes)) return false;
    return decodeImage(bytes.data(), bytes.size(), image, error);
}

const uint8_t* pixelAt(const DecodedImage& image, int x, int y) {
    return image.pixels + (static_cast<size_t>(y) * image.width + x) * 4;
}
} // namespace

// Each fixture is 16x8, red on the left and blue on the right (grey ones: their luminance).
TEST(ImageDecode, EveryCommonPngAndJpegKindDecodesToRgba) {
    struct Case {
        const char* file;
        bool grey;
        int tolerance;  // JPEG is lossy
    };
    for (const Case& c : {Case{"palette.png", false, 0}, Case{"rgb16.png", false, 0}, Case{"interlaced.png", false, 0},
                          Case{"baseline.jpg", false, 8}, Case{"progressive.jpg", false, 8},
                          Case{"grey.png", true, 0}, Case{"grey-alpha.png", true, 0}}) {
        SCOPED_TRACE(c.file);
        DecodedImage image;
        std::string error;
        ASSERT_TRUE(decodeFile(fixture(c.file), image, error)) << error;
        ASSERT_EQ(image.width, 16);
        ASSERT_EQ(image.height, 8);
        for (int y : {0, 7}) {
            const uint8_t* left = pixelAt(image, 2, y);
            const uint8_t* right = pixelAt(image, 13, y);
            if (c.grey) {
                EXPECT_EQ(left[0], left[1]);
                EXPECT_EQ(left[1], left[2]);
                EXPECT_EQ(right[0], right[2]);
                EXPECT_NE(left[0], right[0]);
            } else {
                EXPECT_NEAR(left[0], 255, c.tolerance);
                EXPECT_NEAR(left[2], 0, c.tolerance);
                EXPECT_NEAR(right[0], 0, c.tolerance);
                EXPECT_NEAR(right[2], 255, c.tolerance);
            }
            EXPECT_EQ(left[3], 255);
        }
    }
    DecodedImage alpha;
    std::string error;
    ASSERT_TRUE(decodeFile(fixture("grey-alpha.png"), alpha, error));
    EXPECT_NEAR(pixelAt(alpha, 13, 3)[3], 128, 1);
}

TEST(ImageDecode, TruncatedTextAndEmptyFilesAreRefusedWithAReason) {
    std::vector<uint8_t> png;
    ASSERT_TRUE(FileIO::readAll(fixture("interlaced.png"), png));
    std::string text = "this is a text file named like an image\n";
    const std::vector<std::vector<uint8_t>> inputs = {
        std::vector<uint8_t>(png.begin(), png.begin() + static_cast<long>(png.size() / 2)),
        std::vector<uint8_t>(png.begin(), png.begin() + 8),  // the signature alone
        std::vector<uint8_t>(text.begin(), text.end()),
        std::vector<uint8_t>(),
    };
    for (const auto& bytes : inputs) {
        DecodedImage image;
        std::string error;
        EXPECT_FALSE(decodeImage(bytes.data(), bytes.size(), image, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(image.width, 0);
    }
}

namespace {
// A cross whose every pixel names its own position: r = x, g = y, b = 7, a = 255.
std::vector<uint8_t> positionCross(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 7;
            p[3] = 255;
        }
    return pixels;
}
} // namespace

TEST(CubeCross, AnImageThatIsNotThreeByFourCellsGivesSquareFacesFromInsideIt) {
    // 100x100: cells of 33x25, so faces of 25x25 from each cell's top-left corner.
    auto cross = positionCross(100, 100);
    EXPECT_EQ(cubeFaceSize(100, 100), 25);
    EXPECT_EQ(cubeFaceSize(768, 1024), 256);
    EXPECT_EQ(cubeFaceSize(2, 3), 0);
    for (int f = 0; f < 6; ++f) {
        auto out = cutCubeFace(cross.data(), 100, 100, f, 25);
        ASSERT_EQ(out.size(), 25u * 25u * 4u);
        CubeCrossCell cell = cubeCrossCell(f);
        for (size_t i = 0; i < out.size(); i += 4) {
            ASSERT_GE(out[i], cell.column * 33);
            ASSERT_LT(out[i], cell.column * 33 + 25);
            ASSERT_LT(out[i + 1], cell.row * 25 + 25);
        }
    }
    // Asking for more than the cells hold is cut down instead of reading past the image.
    EXPECT_EQ(cutCubeFace(cross.data(), 100, 100, 5, 90).size(), 25u * 25u * 4u);
}
