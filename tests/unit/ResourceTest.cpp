// GPU resources before the GPU: ".exm" models, image decoding, cube faces, and the loader's
// order, driven with requests for missing files (they fail before any GL call).
#include "core/FileIO.h"
#include "gfx/Exm.h"
#include "gfx/Image.h"
#include "gfx/ResourceLoader.h"
#include "gfx/Texture.h"

#include "TestSupport.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstring>
#include <filesystem>
#include <utility>

namespace {
// 24 vertices (position + normal) and 12 triangles: the cube of the format's example.
ExmModel cube() {
    ExmModel model;
    for (int v = 0; v < 24 * 6; ++v) model.vertices.push_back(static_cast<float>(v) * 0.125f);
    for (uint32_t face = 0; face < 6; ++face)
        for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) model.indices.push_back(face * 4 + i);
    model.aux = 0xA5A5u;
    return model;
}
std::string image(const std::string& name) { return std::string(SOLVANE_FIXTURES_DIR) + "/images/" + name; }
struct Tracker {
    ResourceLoader loader;
    std::vector<std::string> delivered;
    Texture extra;
    bool submitOnce = true;

    static void callback(bool success, void* target, void* context) {
        auto* self = static_cast<Tracker*>(context);
        self->delivered.push_back(std::string(static_cast<Texture*>(target)->name) + (success ? "+" : "-"));
        if (std::exchange(self->submitOnce, false))
            self->loader.loadTexture(&self->extra, &Tracker::callback, self, "late", false);
    }
};
} // namespace

TEST(Exm, TheCubeExampleIs732BytesWithALittleEndianHeaderAndLoadsBackAndBadFilesFailWithTheReadMessage) {
    test::TempDir dir;
    const ExmModel written = cube();
    ASSERT_TRUE(writeExm(dir.file("cube.exm"), written));
    const std::string bytes = test::readFile(dir.file("cube.exm"));
    EXPECT_EQ(bytes.size(), 732u);
    EXPECT_EQ(bytes.substr(0, 12), std::string("\x90\0\0\0\x24\0\0\0\xA5\xA5\0\0", 12));
    ExmModel model;
    ASSERT_TRUE(loadExm(dir.file("cube.exm"), model));
    EXPECT_TRUE(model.floatCount == 144u && model.indexCount == 36u && model.aux == 0xA5A5u);
    EXPECT_TRUE(model.vertices == written.vertices && model.indices == written.indices);

    test::LogCapture log;
    test::writeFile(dir.file("empty.exm"), "");
    test::writeFile(dir.file("short.exm"), bytes.substr(0, bytes.size() - 6));  // cut in the indices
    // 2^30 floats and 2^30 indices: 2^33 bytes, which wraps to 12 in 32 bits.
    test::writeFile(dir.file("wrap.exm"), std::string("\0\0\0\x40\0\0\0\x40\0\0\0\0", 12));
    for (const char* name : {"empty.exm", "short.exm", "wrap.exm", "missing.exm"}) {
        model.floatCount = 5;
        EXPECT_FALSE(loadExm(dir.file(name), model)) << name;
        EXPECT_TRUE(model.floatCount == 0u && model.vertices.empty()) << name;
        // SDL drops the message's final newline.
        EXPECT_TRUE(log.contains("Failed to read model data from '" + dir.file(name) + "'!")) << name;
    }
}

// The decoder (stb) reads every common PNG and JPEG kind; ours is to ask it for four
// bytes a pixel. The fixture is 16x8 grey with alpha: red's luminance on the left, blue's on the right.
TEST(ImageDecode, GreyWithAlphaDecodesToRgbaBadFilesAreRefusedWithAReasonAndCubeFacesStayInside) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(FileIO::readAll(image("grey-alpha.png"), bytes));
    DecodedImage decoded;
    std::string error;
    ASSERT_TRUE(decodeImage(bytes.data(), bytes.size(), decoded, error)) << error;
    ASSERT_TRUE(decoded.width == 16 && decoded.height == 8);
    const uint8_t *left = decoded.pixels + (7 * 16 + 2) * 4, *right = decoded.pixels + (7 * 16 + 13) * 4;
    EXPECT_TRUE(left[0] == left[1] && left[1] == left[2] && right[0] == right[2] && left[0] != right[0]);
    EXPECT_EQ(left[3], 255);

    const std::string png = test::readFile(image("interlaced.png"));
    for (const std::string& text : {png.substr(0, png.size() / 2), std::string("a text file named like an image\n")}) {
        DecodedImage none;
        std::string why;
        EXPECT_FALSE(decodeImage(reinterpret_cast<const uint8_t*>(text.data()), text.size(), none, why));
        EXPECT_TRUE(!why.empty() && none.pixels == nullptr);
    }
    // A fuzzer's JPEG whose Huffman counts add up past 256 symbols: the decoder
    // would write past its tables, so it never sees the file.
    const std::string jpeg = test::readFile(std::string(SOLVANE_SOURCE_DIR) + "/fuzz/regressions/image/jpeg-huffman-counts-over-256");
    DecodedImage refused;
    EXPECT_FALSE(decodeImage(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), refused, error));
    EXPECT_EQ(error, "a JPEG Huffman table holds more than 256 symbols");

    // The faces of a cross come out in the gl tests; here only what stays inside the image.
    const std::vector<uint8_t> cross(100 * 100 * 4, 255);  // cells of 33x25
    EXPECT_EQ(cutCubeFace(cross.data(), 100, 100, 5, 90).size(), 25u * 25u * 4u);  // cut down to the cell
    EXPECT_TRUE(cutCubeFace(cross.data(), 2, 3, 0, 1).empty());  // too small for any face
}

// The libdeflate path must give stb_image's pixels to the byte, for every kind it
// takes (each channel count, each row filter, the shipped textures). A damaged
// file is refused with a reason or, where only a checksum stb_image ignores was
// hit, decodes as before: never to other pixels (stb_image alone made them from
// whatever its buffers held).
TEST(ImageDecode, PlainPngsComeOutAsStbImageReadsThemAndDamagedOnesAreRefused) {
    std::vector<std::string> pngs;
    uint32_t noise = 12345;
    for (int channels = 1; channels <= 4; ++channels) {
        for (int filter = -1; filter <= 4; ++filter) {  // -1: the writer picks a filter per row
            const int width = 37, height = 23;
            std::vector<uint8_t> pixels(static_cast<size_t>(width * height * channels));
            for (size_t i = 0; i < pixels.size(); ++i) {
                noise = noise * 1103515245u + 12345u;
                pixels[i] = i % 5 == 0 ? static_cast<uint8_t>(noise >> 16) : static_cast<uint8_t>(i * 7 / 3);
            }
            stbi_write_force_png_filter = filter;
            std::string png;
            auto append = [](void* to, void* data, int size) {
                static_cast<std::string*>(to)->append(static_cast<const char*>(data), static_cast<size_t>(size));
            };
            ASSERT_TRUE(stbi_write_png_to_func(append, &png, width, height, channels, pixels.data(), width * channels));
            pngs.push_back(png);
        }
    }
    stbi_write_force_png_filter = -1;
    for (const auto& entry : std::filesystem::directory_iterator(SOLVANE_SOURCE_DIR "/res/textures"))
        if (entry.path().extension() == ".png") pngs.push_back(test::readFile(entry.path().string()));

    auto bytesOf = [](const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); };
    for (size_t i = 0; i < pngs.size(); ++i) {
        DecodedImage ours;
        std::string error;
        ASSERT_EQ(decodePlainPng(bytesOf(pngs[i]), pngs[i].size(), ours, error), PlainPng::Decoded) << i;
        int width = 0, height = 0, channels = 0;
        uint8_t* theirs = stbi_load_from_memory(bytesOf(pngs[i]), static_cast<int>(pngs[i].size()), &width, &height,
                                                &channels, 4);
        ASSERT_NE(theirs, nullptr);
        EXPECT_TRUE(ours.width == width && ours.height == height &&
                    std::memcmp(ours.pixels, theirs, static_cast<size_t>(width * height * 4)) == 0)
            << i;
        stbi_image_free(theirs);
    }

    const std::string& sample = pngs[3 * 6 + 5];  // RGBA, Paeth on every row
    DecodedImage original;
    std::string error;
    ASSERT_TRUE(decodeImage(bytesOf(sample), sample.size(), original, error));
    std::vector<std::string> damaged;
    for (size_t cut : {size_t{9}, size_t{40}, sample.size() / 2, sample.size() - 13, sample.size() - 1})
        damaged.push_back(sample.substr(0, cut));
    for (size_t at = 8; at < sample.size(); ++at) {
        damaged.push_back(sample);
        damaged.back()[at] = static_cast<char>(damaged.back()[at] ^ 0x24);
    }
    int refused = 0;
    for (const std::string& file : damaged) {
        DecodedImage decoded;
        std::string why;
        if (!decodeImage(bytesOf(file), file.size(), decoded, why)) {
            EXPECT_FALSE(why.empty());
            ++refused;
            continue;
        }
        EXPECT_TRUE(decoded.width == original.width && decoded.height == original.height &&
                    std::memcmp(decoded.pixels, original.pixels, static_cast<size_t>(decoded.width * decoded.height * 4)) == 0)
            << "damaged at " << &file - damaged.data();
    }
    EXPECT_GT(refused, static_cast<int>(damaged.size()) * 3 / 4);
}

// More requests than the loader's original fixed lists of 32 held.
TEST(ResourceLoader, RequestsRunNewestFirstAndCallbacksFireOldestFirst) {
    test::LogCapture log;
    Tracker tracker;
    ASSERT_TRUE(tracker.loader.init());
    std::vector<std::string> names, performed;
    std::vector<Texture> targets(40);
    for (int i = 0; i < 40; ++i) names.push_back(std::to_string(i));
    for (int i = 0; i < 40; ++i) tracker.loader.loadTexture(&targets[i], &Tracker::callback, &tracker, names[i].c_str(), i == 1);
    tracker.loader.processRequests();
    for (int i = 39; i >= 0; --i) performed.push_back("Loading OGL Texture [" + names[i] + "]!");
    test::expectInOrder(log.messages(), performed);
    EXPECT_EQ(log.count("Failed to Load OGL Texture!"), 40u);
    ASSERT_EQ(tracker.delivered.size(), 40u);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(tracker.delivered[i], names[i] + "-");
    EXPECT_TRUE(targets[1].isCubeMap);  // a failed load still tells the requester which texture it was
    EXPECT_EQ(tracker.loader.pendingCount(), 1);  // a callback's own request waits for the next call
    tracker.loader.processRequests();
    EXPECT_EQ(tracker.delivered.back(), "late-");
}
