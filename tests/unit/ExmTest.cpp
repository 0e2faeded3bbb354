// ".exm" models: the layout of the cube example, and files that are empty,
// hold no data or are shorter than their header says.
#include "gfx/Exm.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
// 24 vertices (position + normal) and 12 triangles: the cube of the format's example.
ExmModel cube() {
    ExmModel model;
    for (int v = 0; v < 24; ++v)
        for (int k = 0; k < 6; ++k) model.vertices.push_back(static_cast<float>(v) + 0.125f * static_cast<float>(k));
    for (uint32_t face = 0; face < 6; ++face)
        for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) model.indices.push_back(face * 4 + i);
    model.aux = 0xA5A5u;
    return model;
}
} // namespace

TEST(Exm, TheCubeExampleIs732BytesAndLoadsBack) {
    test::TempDir dir;
    ExmModel written = cube();
    ASSERT_TRUE(writeExm(dir.file("cube.exm"), written));
    EXPECT_EQ(test::readFile(dir.file("cube.exm")).size(), 732u);

    ExmModel model;
    ASSERT_TRUE(loadExm(dir.file("cube.exm"), model));
    EXPECT_EQ(model.floatCount, 144u);
    EXPECT_EQ(model.indexCount, 36u);
    EXPECT_EQ(model.aux, 0xA5A5u);
    EXPECT_EQ(model.vertices, written.vertices);
    EXPECT_EQ(model.indices, written.indices);
    freeExm(model);
    EXPECT_TRUE(model.vertices.empty());
    EXPECT_EQ(model.indexCount, 36u);  // the counts stay for the draw call
}

TEST(Exm, HeaderIsLittleEndian) {
    const uint8_t bytes[] = {1, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0x80, 0x3f, 0x02, 0x01, 0, 0};
    ExmModel model;
    ASSERT_TRUE(parseExm(bytes, sizeof bytes, model));
    EXPECT_EQ(model.vertices, std::vector<float>{1.0f});
    EXPECT_EQ(model.indices, std::vector<uint32_t>{0x0102u});
    EXPECT_EQ(model.aux, 9u);
}

TEST(Exm, EmptyZeroAndTruncatedFiles) {
    test::TempDir dir;
    test::LogCapture log;
    auto message = [&](const std::string& path) {
        return "Failed to read model data from '" + path + "'!";  // SDL drops the final newline
    };

    test::writeFile(dir.file("empty.exm"), "");
    ExmModel model;
    model.floatCount = 5;
    EXPECT_FALSE(loadExm(dir.file("empty.exm"), model));
    EXPECT_EQ(model.floatCount, 0u);
    EXPECT_TRUE(log.contains(message(dir.file("empty.exm"))));

    test::writeFile(dir.file("zero.exm"), std::string(12, '\0'));
    ASSERT_TRUE(loadExm(dir.file("zero.exm"), model));
    EXPECT_EQ(model.floatCount, 0u);
    EXPECT_EQ(model.indexCount, 0u);
    EXPECT_TRUE(model.vertices.empty());
    EXPECT_TRUE(model.indices.empty());

    auto bytes = encodeExm(cube());
    std::string truncated(bytes.begin(), bytes.end() - 6);  // cut inside the index block
    test::writeFile(dir.file("short.exm"), truncated);
    EXPECT_FALSE(loadExm(dir.file("short.exm"), model));
    EXPECT_TRUE(log.contains(message(dir.file("short.exm"))));
    EXPECT_TRUE(model.vertices.empty());

    EXPECT_FALSE(loadExm(dir.file("missing.exm"), model));
    EXPECT_TRUE(log.contains(message(dir.file("missing.exm"))));
}

TEST(Exm, CountsWhoseByteSizeWrapsAroundAreRefused) {
    // 0x40000000 floats + 0x40000000 indices is 2^33 bytes: wraps to 12 in 32 bits.
    const uint8_t bytes[] = {0, 0, 0, 0x40, 0, 0, 0, 0x40, 0, 0, 0, 0};
    ExmModel model;
    EXPECT_FALSE(parseExm(bytes, sizeof bytes, model));
}
