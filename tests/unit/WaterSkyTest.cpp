// Water and sky without GL: the meshes, the ocean's spectrum, transforms, vertex pass and
// FFTW wisdom file, the scattering coefficients, and the factory's construction checks.
#include "core/Random.h"
#include "objects/FftWisdom.h"
#include "objects/OceanWaves.h"
#include "objects/SkyScattering.h"
#include "objects/SurfaceMeshes.h"

#include "LuaFixture.h"

#include <sys/stat.h>

#include <complex>

namespace {
using Complex = std::complex<float>;
using Triangles = std::vector<uint32_t>;

Triangles slice(const std::vector<uint32_t>& indices, size_t first, size_t count) {
    return Triangles(indices.begin() + static_cast<long>(first), indices.begin() + static_cast<long>(first + count));
}
OceanParameters smallSea(uint32_t n) { return {n, 0.5f, 0.02f, 3.0f, {2.0f, 1.0f}}; }

// One Gaussian as the spectrum draws it: polar Box-Muller over 15-bit draws.
float referenceGaussian() {
    float a, b, w;
    do {
        a = static_cast<float>(engineRand()) / 32767.0f * 2.0f - 1.0f;
        b = static_cast<float>(engineRand()) / 32767.0f * 2.0f - 1.0f;
        w = b * b + a * a;
    } while (w > 1.0f);
    return b * std::sqrt(-2.0f * std::log(w) / w);
}

// What the waves of a small ocean at t = 3 s move (displacement: height and
// sideways) and how they tilt (normals), planned with `wisdomFile` (none when empty).
std::vector<float> waveMotion(const std::string& wisdomFile) {
    engineSrand(0);
    OceanWaves waves;
    waves.init(smallSea(16), wisdomFile);
    waves.update(3.0f, 1.0f, true);
    std::vector<float> motion;
    for (const OceanVertex& v : waves.vertexData())
        for (const glm::vec3& value : {v.displacement, v.normal}) motion.insert(motion.end(), {value.x, value.y, value.z});
    return motion;
}

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}
} // namespace

TEST(SurfaceMeshes, GridPatchDiscAndDomeSizesCornersAndTriangleOrder) {
    const SurfaceMesh grid = buildGridMesh(64, 8.0f);
    ASSERT_EQ(grid.vertices.size(), 4225u);
    EXPECT_EQ(grid.vertices.front(), glm::vec3(-256.0f, 0.0f, -256.0f));
    EXPECT_EQ(grid.vertices.back(), glm::vec3(256.0f, 0.0f, 256.0f));
    EXPECT_EQ(grid.vertices[1], glm::vec3(-248.0f, 0.0f, -256.0f));  // columns run along x
    const SurfaceMesh one = buildGridMesh(1, 2.0f);
    EXPECT_EQ(one.vertices.size(), 4u);
    EXPECT_EQ(one.indices, (Triangles{0, 1, 0, 2, 3, 2, 3, 1}));
    const std::vector<uint32_t> patch = buildOceanIndices(3);  // the ocean's own patch
    ASSERT_EQ(patch.size(), 24u);
    EXPECT_EQ(slice(patch, 0, 6), (Triangles{4, 0, 3, 4, 1, 0}));

    // The radial disc: rings, spokes and triangle order.
    const SurfaceMesh disc = buildRadialGridMesh();
    ASSERT_EQ(disc.vertices.size(), 46226u);
    ASSERT_EQ(disc.indices.size(), 276702u);
    EXPECT_EQ(disc.vertices[0], glm::vec3(0.0f));
    EXPECT_EQ(disc.vertices[1], glm::vec3(0.1f, 0.0f, 0.0f));
    EXPECT_NEAR(disc.vertices[46011].x, 3000.0f, 0.01f);
    EXPECT_NEAR(glm::length(disc.vertices[1 + 107 * 215]), 187.6f, 0.05f);  // fourth-power ring spacing
    // The last spoke sits at 214/215 of a 6.28-radian turn.
    EXPECT_NEAR(std::atan2(disc.vertices[215].z, disc.vertices[215].x) + 6.2831853f, 6.2508f, 1e-3f);
    EXPECT_EQ(slice(disc.indices, 0, 6), (Triangles{1, 0, 2, 2, 0, 3}));
    EXPECT_EQ(slice(disc.indices, 639, 3), (Triangles{214, 0, 215}));
    EXPECT_EQ(slice(disc.indices, 642, 6), (Triangles{216, 2, 217, 216, 1, 2}));
    EXPECT_EQ(slice(disc.indices, 642 + 214 * 6, 6), (Triangles{430, 1, 216, 430, 215, 1}));  // the closing quad
    for (uint32_t i : disc.indices) ASSERT_LT(i, 46226u);

    // The dome: rings, caps and bands.
    const SurfaceMesh dome = buildDomeMesh(3, 4, 2.0f);
    ASSERT_EQ(dome.vertices.size(), 14u);
    ASSERT_EQ(dome.indices.size(), 72u);
    EXPECT_EQ(dome.vertices[0], glm::vec3(0.0f, 2.0f, 0.0f));
    EXPECT_EQ(dome.vertices[13], glm::vec3(0.0f, -2.0f, 0.0f));
    // Rings at pi/3, pi/2 and 2pi/3 from the top; segment 1 a quarter turn on.
    test::expectNear(dome.vertices[1], glm::vec3(std::sqrt(3.0f), 1.0f, 0.0f), 1e-5f);
    test::expectNear(dome.vertices[6], glm::vec3(0.0f, 0.0f, 2.0f), 1e-5f);
    test::expectNear(dome.vertices[9], glm::vec3(std::sqrt(3.0f), -1.0f, 0.0f), 1e-5f);
    EXPECT_EQ(slice(dome.indices, 0, 12), (Triangles{1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 1, 0}));
    EXPECT_EQ(slice(dome.indices, 12, 6), (Triangles{5, 6, 2, 5, 2, 1}));
    EXPECT_EQ(slice(dome.indices, 60, 12), (Triangles{9, 13, 10, 10, 13, 11, 11, 13, 12, 12, 13, 9}));
    // One segment: the caps and bands close on themselves.
    EXPECT_EQ(buildDomeMesh(2, 1, 1.0f).indices, (Triangles{1, 1, 0, 2, 2, 1, 2, 1, 1, 2, 3, 2}));
}

// The surface as the model defines it, computed the slow way: four draws per
// cell in row order; per frame the five fields per cell (one sine and cosine
// each for the dispersion and the phase), then a direct inverse DFT in double
// of each, of which the real part is used. The update may round differently
// but must give the same waves: within 1e-5 of the largest height.
TEST(OceanWaves, DrawsFollowTheDefinitionAndTheSurfaceIsTheSpectrumTransformed) {
    const OceanParameters p = smallSea(16);
    OceanWaves waves;
    engineSrand(0);
    waves.init(p);
    const int n = 16, half = 8;
    const float pi = 3.14159265f, patch = 0.2f * 16.0f, w0 = 2.0f * pi / 100.0f;
    const glm::vec2 wind = glm::normalize(p.windDirection);
    engineSrand(0);
    std::vector<Complex> h0(n * n), h0Minus(n * n);
    for (int m = -half; m < half; ++m)
        for (int k = -half; k < half; ++k) {
            const int idx = (m + half) * n + (k + half);
            const glm::vec2 wave(2.0f * pi * static_cast<float>(m) / patch, 2.0f * pi * static_cast<float>(k) / patch);
            for (int side = 0; side < 2; ++side) {
                const float g1 = referenceGaussian(), g2 = referenceGaussian();
                const float s = std::sqrt(phillips(side ? -wave : wave, p.amplitude, p.windSpeed, wind) / 2.0f);
                (side ? h0Minus : h0)[idx] = side ? std::conj(Complex(g2 * s, g1 * s)) : Complex(g2 * s, g1 * s);
            }
        }
    for (int idx = 0; idx < n * n; ++idx) {
        ASSERT_EQ(waves.h0Data()[idx], h0[idx]) << idx;
        ASSERT_EQ(waves.h0MinusConjData()[idx], h0Minus[idx]) << idx;
    }
    EXPECT_EQ(h0[half * n + half], Complex(0.0f));  // k = 0 has no energy

    using Field = std::vector<std::complex<double>>;
    for (float t : {0.0f, 1.5f, 37.25f, 99.9f}) {
        std::vector<Field> fields(5, Field(n * n));  // height, displacement x and z, slope x and z
        for (int m = -half; m < half; ++m)
            for (int k = -half; k < half; ++k) {
                const int idx = (m + half) * n + (k + half);
                const float kx = 2.0f * pi * static_cast<float>(m) / patch, kz = 2.0f * pi * static_cast<float>(k) / patch;
                const float len = std::sqrt(kx * kx + kz * kz);
                const float ux = len > 0.0f ? kx / len : kx, uz = len > 0.0f ? kz / len : kz;
                const float omega = std::floor(std::sqrt(9.81f * len) / w0) * w0;
                const Complex e(std::cos(omega * t), std::sin(omega * t));
                const float phi = static_cast<float>(k) * kx + static_cast<float>(m) * kz;
                const Complex h = (h0[idx] * e + h0Minus[idx] * std::conj(e)) * Complex(std::cos(phi), std::sin(phi));
                const Complex cell[5] = {h, Complex(0, -ux) * h, Complex(0, -uz) * h, Complex(0, kx) * h,
                                         Complex(0, kz) * h};
                for (int f = 0; f < 5; ++f) fields[f][idx] = cell[f];
            }
        waves.update(t, 0.75f, false);
        std::vector<double> real(5);
        double highest = 0.0;
        std::vector<glm::vec3> displacement, normal;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const int r = i % (n - 1), c = j % (n - 1);  // the last row and column repeat the first
                for (int f = 0; f < 5; ++f) {
                    std::complex<double> sum = 0.0;
                    for (int m = -half; m < half; ++m)
                        for (int k = -half; k < half; ++k)
                            sum += fields[f][(m + half) * n + k + half] *
                                   std::polar(1.0, 6.283185307179586 * (m * r + k * c) / n);
                    real[f] = sum.real() / n;
                }
                highest = std::max(highest, std::abs(real[0]));
                displacement.emplace_back(real[1] * 0.75, real[0], real[2] * 0.75);
                normal.push_back(glm::normalize(glm::vec3(-real[3], 1.0, -real[4])));
            }
        ASSERT_GT(highest, 1e-3);
        for (int v = 0; v < n * n; ++v) {
            test::expectNear(waves.vertexData()[v].displacement, displacement[v], 1e-5f * static_cast<float>(highest));
            test::expectNear(waves.vertexData()[v].normal, normal[v], 1e-5f);
            if (HasFailure()) FAIL() << "t " << t << " vertex " << v;
        }
    }
}

TEST(OceanWaves, SurfaceWrapsKeepsItsShapeWithoutDisplacementAndSmoothsNormals) {
    const uint32_t n = 16;
    OceanWaves waves;
    engineSrand(0);
    waves.init(smallSea(n));
    const std::vector<OceanVertex>& v = waves.vertexData();
    auto at = [&](uint32_t i, uint32_t j) { return v[i * n + j]; };
    EXPECT_EQ(at(0, 0).position, glm::vec3(-3.75f, 0.0f, -3.75f));
    EXPECT_EQ(at(0, 1).position, glm::vec3(-3.25f, 0.0f, -3.75f));

    waves.update(4.0f, 1.0f, false);
    const std::vector<OceanVertex> at4 = v;
    float highest = 0.0f, sideways = 0.0f;
    for (const OceanVertex& x : at4) {
        highest = std::max(highest, std::abs(x.displacement.y));
        sideways = std::max(sideways, std::abs(x.displacement.x) + std::abs(x.displacement.z));
    }
    EXPECT_GT(highest, 1e-4f);
    EXPECT_GT(sideways, 1e-4f);
    for (float t : {0.0f, 4.0f, 11.3f})
        for (float scale : {0.0f, 1.0f}) {
            waves.update(t, scale, false);
            for (uint32_t k = 0; k < n; ++k) {
                EXPECT_EQ(at(n - 1, k).displacement, at(0, k % (n - 1)).displacement) << t << " column " << k;
                EXPECT_EQ(at(k, n - 1).displacement, at(k % (n - 1), 0).displacement) << t << " row " << k;
                EXPECT_EQ(at(n - 1, k).normal, at(0, k % (n - 1)).normal);
            }
        }
    // Without sideways scale the heights stay and only x and z lose their displacement.
    waves.update(4.0f, 0.0f, false);
    for (size_t i = 0; i < v.size(); ++i) {
        EXPECT_EQ(v[i].displacement, glm::vec3(0.0f, at4[i].displacement.y, 0.0f)) << i;
        EXPECT_EQ(v[i].normal, at4[i].normal);
    }
    waves.update(4.0f, 1.0f, false);  // the same time gives the same surface
    for (size_t i = 0; i < v.size(); ++i) ASSERT_EQ(v[i].displacement, at4[i].displacement) << i;
    // Good normals: each the sum of its eight wrapped neighbours' own; the displacement stays.
    waves.update(4.0f, 1.0f, true);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < n; ++j) {
            glm::vec3 sum(0.0f);
            for (int di = -1; di <= 1; ++di)
                for (int dj = -1; dj <= 1; ++dj)
                    if (di || dj) sum += at4[((i + n + di) % n) * n + (j + n + dj) % n].normal;
            test::expectNear(at(i, j).normal, glm::normalize(sum), 1e-6f);
            EXPECT_EQ(at(i, j).displacement, at4[i * n + j].displacement);
        }
}

TEST(SkyScattering, RayleighIsPhysicalAndMieFollowsTurbidity) {
    // Sea-level air at 680, 550 and 450 nm, falling with the fourth power of the wavelength.
    const glm::vec3 rayleigh = totalRayleigh();
    EXPECT_NEAR(rayleigh.x, 5.8e-6f, 0.3e-6f);
    EXPECT_NEAR(rayleigh.b / rayleigh.r, std::pow(680.0 / 450.0, 4.0), 1e-3);
    EXPECT_NEAR(rayleigh.g / rayleigh.r, std::pow(680.0 / 550.0, 4.0), 1e-3);
    // Mie grows with the turbidity, from none in clean air, and scatters blue most.
    const glm::vec3 mie = totalMie(2.0f);
    EXPECT_EQ(totalMie(0.0f), glm::vec3(0.0f));
    test::expectNear(totalMie(10.0f) / mie, glm::vec3(5.0f));
    EXPECT_TRUE(mie.r > 0.0f && mie.r < mie.g && mie.g < mie.b) << mie.r << " " << mie.g << " " << mie.b;
}

using WaterSkyFactory = LuaFixture;

TEST_F(WaterSkyFactory, ClassesAreMadeWithTheirValuesAndBadValuesCreateNothing) {
    // A size is truncated (64.9 is an even 64); the smallest dome and any wind but (0, 0) are taken.
    for (const char* made : {"object.new('grid')", "object.new('radial_grid')",
                             "object.new('skybox', 'res/textures/SkyboxTex.jpg')",
                             "object.new('ocean', 64.9, 0.5, 1, 10, 0, -1)", "object.new('skydome', 2, 1, 100)"})
        ASSERT_EQ(run(made), "") << made;
    const std::string size = "bad argument #2 to 'new' (ocean grid size must be even, from 2 to 1024)";
    const std::string spacing = "bad argument #3 to 'new' (ocean spacing must be finite and above 0)";
    const std::string wind = "bad argument #6 to 'new' (ocean wind direction must be finite and not (0, 0))";
    const std::string segments = "bad argument #3 to 'new' (sky dome segments must be from 1 to 2048)";
    expectRefused({
        {"object.new('ocean', 63, 1, 1, 10, 1, 0)", size}, {"object.new('ocean', 1026, 1, 1, 10, 1, 0)", size},
        {"object.new('ocean', 0/0, 1, 1, 10, 1, 0)", size}, {"object.new('ocean', 64, 0, 1, 10, 1, 0)", spacing},
        {"object.new('ocean', 64, 1/0, 1, 10, 1, 0)", spacing}, {"object.new('ocean', 64, 1, 1, 10, 0, 0)", wind},
        {"object.new('ocean', 64, 1, 1, 10, 0/0, 1)", wind},
        {"object.new('skydome', 1, 8, 100)", "bad argument #2 to 'new' (sky dome rings must be from 2 to 2048)"},
        {"object.new('skydome', 8, 0, 100)", segments}, {"object.new('skydome', 8, 1e12, 100)", segments},
        {"object.new('skybox')", "bad argument #2 to 'new' (string expected, got no value)"},
    });
}

// Whatever the wisdom file holds (nothing, garbage, a cut-off copy) the waves come out the same and the
// file then holds wisdom FFTW reads back; a file that already holds it is left as it is.
TEST(FftWisdom, AnyFileGivesTheSameWavesAndEndsHoldingWisdom) {
    const std::vector<float> reference = waveMotion("");  // the surface test shows this sea has waves
    test::TempDir dir;
    const std::string file = dir.file(FftWisdom::kFileName);
    const char* garbage = "(fftw-3.3.10 fftwf_wisdom #x1 #x2 (not a codelet";
    for (const char* content : {static_cast<const char*>(nullptr), "", garbage, "\x01\xff"}) {  // null: no file
        std::filesystem::remove(file);
        if (content) test::writeFile(file, content);
        EXPECT_FALSE(FftWisdom::load(file)) << (content ? content : "no file");
        EXPECT_EQ(waveMotion(file), reference);
        EXPECT_TRUE(FftWisdom::load(file)) << "the file now holds wisdom";
    }

    // Wisdom cut off halfway is refused as a whole and replaced.
    const std::string whole = test::readFile(file);
    test::writeFile(file, whole.substr(0, whole.size() / 2));
    EXPECT_FALSE(FftWisdom::load(file));
    EXPECT_EQ(waveMotion(file), reference);
    EXPECT_EQ(test::readFile(file), whole);

    // Planning again learns nothing new: the file is not rewritten.
    const ino_t before = inodeOf(file);
    EXPECT_EQ(waveMotion(file), reference);
    EXPECT_EQ(inodeOf(file), before);
}
