// The ocean's FFTW wisdom file: whatever the file holds (nothing, garbage, a
// cut-off copy) the waves come out the same and the file then holds wisdom
// FFTW reads back; a file that already holds it is left as it is.
#include "core/Random.h"
#include "objects/FftWisdom.h"
#include "objects/OceanWaves.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>

namespace {
// Heights of a small ocean at t = 3 s, planned with `wisdomFile` (none when empty).
std::vector<float> heights(const std::string& wisdomFile) {
    engineSrand(0);
    OceanParameters p;
    p.gridSize = 16;
    OceanWaves waves;
    waves.init(p, wisdomFile);
    waves.update(3.0f, 1.0f, true);
    std::vector<float> y;
    for (const OceanVertex& v : waves.vertexData()) y.push_back(v.position.y);
    return y;
}

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}
} // namespace

TEST(FftWisdom, AnyFileGivesTheSameWavesAndEndsHoldingWisdom) {
    const std::vector<float> reference = heights("");
    test::TempDir dir;
    const std::string file = dir.file(FftWisdom::kFileName);
    ASSERT_FALSE(FftWisdom::load(file)) << "no file yet";
    const std::string garbage = "(fftw-3.3.10 fftwf_wisdom #x1 #x2 (not a codelet";
    struct Case {
        const char* name;
        const char* content;  // null: no file
    };
    for (const Case& c : {Case{"missing", nullptr}, Case{"empty", ""}, Case{"garbage", garbage.c_str()},
                          Case{"binary", "\x01\xff\x00"}}) {
        SCOPED_TRACE(c.name);
        std::remove(file.c_str());
        if (c.content) {
            test::writeFile(file, c.content);
            EXPECT_FALSE(FftWisdom::load(file));
        }
        EXPECT_EQ(heights(file), reference);
        EXPECT_TRUE(FftWisdom::load(file)) << "the file now holds wisdom";
    }

    // Wisdom cut off halfway is refused as a whole and replaced.
    const std::string whole = test::readFile(file);
    test::writeFile(file, whole.substr(0, whole.size() / 2));
    EXPECT_FALSE(FftWisdom::load(file));
    EXPECT_EQ(heights(file), reference);
    EXPECT_EQ(test::readFile(file), whole);

    // Planning again learns nothing new: the file is not rewritten.
    const ino_t before = inodeOf(file);
    EXPECT_EQ(heights(file), reference);
    EXPECT_EQ(inodeOf(file), before);
}
