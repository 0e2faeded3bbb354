// Generates the show's textures into res/textures/: tileable noise, water
// detail, a sky cube cross and a labelled cube-map test cross. Everything comes
// from fixed seeds and integer hashing, so every run writes the same bytes.
//   make_textures [OUTDIR]      (default res/textures)
#include <stb/stb_image_write.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Image {
    int width;
    int height;
    std::vector<uint8_t> rgba;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 255) {}
    uint8_t* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

uint8_t toByte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

uint32_t hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

double lattice(int x, int y, int period, uint32_t seed) {
    const uint32_t wx = static_cast<uint32_t>(((x % period) + period) % period);
    const uint32_t wy = static_cast<uint32_t>(((y % period) + period) % period);
    return (hash(wx, wy, seed) & 0xffffff) / double(0xffffff);
}

double smooth(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

// Value noise on a lattice of `period` cells across the unit square, wrapping
// at the edges so the texture tiles.
double valueNoise(double u, double v, int period, uint32_t seed) {
    const double x = u * period;
    const double y = v * period;
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const double fx = smooth(x - x0);
    const double fy = smooth(y - y0);
    const double a = lattice(x0, y0, period, seed);
    const double b = lattice(x0 + 1, y0, period, seed);
    const double c = lattice(x0, y0 + 1, period, seed);
    const double d = lattice(x0 + 1, y0 + 1, period, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Octaves double the lattice period, so every octave tiles too. Result in [0, 1].
double fbm(double u, double v, int period, int octaves, uint32_t seed) {
    double sum = 0.0;
    double amplitude = 0.5;
    double total = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * valueNoise(u, v, period << o, seed + 977u * o);
        total += amplitude;
        amplitude *= 0.5;
    }
    return sum / total;
}

// Stretches fbm's narrow middle-heavy range over most of [0, 1].
double contrast(double v, double k) { return std::clamp(0.5 + (v - 0.5) * k, 0.0, 1.0); }

Image makeNoise(int size, int period, int octaves, double stretch, uint32_t seed) {
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size;
            const double v = (y + 0.5) / size;
            uint8_t* p = image.at(x, y);
            for (int c = 0; c < 4; ++c) p[c] = toByte(contrast(fbm(u, v, period, octaves, seed + 101u * c), stretch));
        }
    return image;
}

// Water detail: deep blue-green with bright cell edges, like light caught by
// small ripples. The cells are a wrapped Worley pattern, so it tiles.
Image makeOcean(int size) {
    const int cells = 8;
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // A tileable warp bends the straight cell edges into ripple shapes.
            const double wu = fbm((x + 0.5) / size, (y + 0.5) / size, 4, 3, 53u) - 0.5;
            const double wv = fbm((x + 0.5) / size, (y + 0.5) / size, 4, 3, 59u) - 0.5;
            const double u = (x + 0.5) / size * cells + wu * 1.2;
            const double v = (y + 0.5) / size * cells + wv * 1.2;
            const int cx = static_cast<int>(std::floor(u));
            const int cy = static_cast<int>(std::floor(v));
            double nearest = 9.0;
            double second = 9.0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int gx = cx + dx;
                    const int gy = cy + dy;
                    const double px = gx + lattice(gx, gy, cells, 11u);
                    const double py = gy + lattice(gx, gy, cells, 23u);
                    const double d = std::hypot(px - u, py - v);
                    if (d < nearest) {
                        second = nearest;
                        nearest = d;
                    } else if (d < second) {
                        second = d;
                    }
                }
            const double edge = std::exp(-(second - nearest) * 6.0) * 0.8;
            const double swell = fbm((x + 0.5) / size, (y + 0.5) / size, 4, 4, 37u);
            const double r = 0.02 + 0.10 * swell + 0.55 * edge;
            const double g = 0.20 + 0.22 * swell + 0.65 * edge;
            const double b = 0.32 + 0.25 * swell + 0.60 * edge;
            uint8_t* p = image.at(x, y);
            p[0] = toByte(r);
            p[1] = toByte(g);
            p[2] = toByte(b);
        }
    return image;
}

// Cube-map face directions, as GL samples them: face f, with u and v running
// from -1 to 1 across the face's columns and rows (row 0 uploaded first).
std::array<double, 3> faceDirection(int face, double u, double v) {
    switch (face) {
    case 0: return {1.0, -v, -u};   // +X
    case 1: return {-1.0, -v, u};   // -X
    case 2: return {u, 1.0, v};     // +Y
    case 3: return {u, -1.0, -v};   // -Y
    case 4: return {u, -v, 1.0};    // +Z
    default: return {-u, -v, -1.0}; // -Z
    }
}

// Where each face sits in the vertical cross (column, row); -Z is stored
// turned by 180 degrees, as the texture loader expects.
const int kCrossColumn[6] = {2, 0, 1, 1, 1, 1};
const int kCrossRow[6] = {1, 1, 0, 2, 1, 3};

// Fills a vertical cross (3 x 4 cells of `face` pixels; the unused cells stay
// black) by asking `shade` for the colour of every face pixel's direction.
Image makeCross(int face, const std::function<void(int, int, int, const std::array<double, 3>&, uint8_t*)>& shade) {
    Image image(face * 3, face * 4);
    std::fill(image.rgba.begin(), image.rgba.end(), 0);
    for (int f = 0; f < 6; ++f)
        for (int row = 0; row < face; ++row)
            for (int col = 0; col < face; ++col) {
                const double u = 2.0 * (col + 0.5) / face - 1.0;
                const double v = 2.0 * (row + 0.5) / face - 1.0;
                std::array<double, 3> d = faceDirection(f, u, v);
                const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                for (double& c : d) c /= len;
                const int cellRow = f == 5 ? face - 1 - row : row;
                const int cellCol = f == 5 ? face - 1 - col : col;
                uint8_t* p = image.at(kCrossColumn[f] * face + cellCol, kCrossRow[f] * face + cellRow);
                shade(f, col, row, d, p);
                p[3] = 255;
            }
    return image;
}

// A late-afternoon sky: deep blue zenith, hazy horizon, a warm sun low in the
// -Z/+X quarter with a glow, drifting cumulus, and a dark sea below.
Image makeSky(int face) {
    const double sun[3] = {0.42, 0.26, -0.87};
    const double sunLen = std::sqrt(sun[0] * sun[0] + sun[1] * sun[1] + sun[2] * sun[2]);
    return makeCross(face, [&](int, int, int, const std::array<double, 3>& d, uint8_t* p) {
        const double cosSun = (d[0] * sun[0] + d[1] * sun[1] + d[2] * sun[2]) / sunLen;
        const double glow = std::pow(std::max(cosSun, 0.0), 8.0);
        const double halo = std::pow(std::max(cosSun, 0.0), 120.0);
        const double disc = cosSun > 0.9993 ? 1.0 : 0.0;
        double r, g, b;
        if (d[1] >= 0.0) {
            const double h = std::pow(1.0 - d[1], 4.0);  // 1 at the horizon
            r = 0.10 + 0.55 * h;
            g = 0.28 + 0.50 * h;
            b = 0.62 + 0.30 * h;
            // Clouds on a flat layer above the camera: project the ray onto it.
            if (d[1] > 0.02) {
                const double t = 1.0 / d[1];
                const double cu = d[0] * t * 0.08;
                const double cv = d[2] * t * 0.08;
                const double n = fbm(cu - std::floor(cu), cv - std::floor(cv), 4, 6, 71u);
                const double cover = std::clamp((n - 0.48) * 4.0, 0.0, 1.0);
                const double fade = std::clamp((d[1] - 0.02) * 6.0, 0.0, 1.0);
                const double lit = 0.85 + 0.15 * glow;
                const double a = cover * fade * 0.9;
                r = r * (1.0 - a) + a * lit * 1.00;
                g = g * (1.0 - a) + a * lit * 0.97;
                b = b * (1.0 - a) + a * lit * 0.94;
            }
        } else {
            const double depth = std::min(-d[1] * 3.0, 1.0);
            r = 0.08 * (1.0 - depth) + 0.02 * depth;
            g = 0.16 * (1.0 - depth) + 0.06 * depth;
            b = 0.24 * (1.0 - depth) + 0.12 * depth;
        }
        r += 0.55 * glow + 0.6 * halo + disc;
        g += 0.38 * glow + 0.5 * halo + disc;
        b += 0.18 * glow + 0.3 * halo + disc;
        p[0] = toByte(r);
        p[1] = toByte(g);
        p[2] = toByte(b);
    });
}

// 5 x 7 glyphs for the face labels, seven rows of five, '#' set.
const char* glyph(char c) {
    switch (c) {
    case '+': return "....."
                     "..#.."
                     "..#.."
                     "#####"
                     "..#.."
                     "..#.."
                     ".....";
    case '-': return "....."
                     "....."
                     "....."
                     "#####"
                     "....."
                     "....."
                     ".....";
    case 'X': return "#...#"
                     "#...#"
                     ".#.#."
                     "..#.."
                     ".#.#."
                     "#...#"
                     "#...#";
    case 'Y': return "#...#"
                     "#...#"
                     ".#.#."
                     "..#.."
                     "..#.."
                     "..#.."
                     "..#..";
    default: return "#####"  // Z
                    "....#"
                    "...#."
                    "..#.."
                    ".#..."
                    "#...."
                    "#####";
    }
}

// Two glyphs with one blank column between them, centred on the face.
void drawLabel(int col, int row, int face, const char* text, uint8_t* p) {
    const int cell = face / 16;
    const int width = 11 * cell;
    const int height = 7 * cell;
    const int x = col - (face - width) / 2;
    const int y = row - (face - height) / 2;
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    const int gx = x / cell;
    const int gy = y / cell;
    if (gx == 5) return;
    const char* g = glyph(text[gx < 5 ? 0 : 1]);
    if (g[gy * 5 + (gx < 5 ? gx : gx - 6)] == '#') p[0] = p[1] = p[2] = 255;
}

// Each face its own colour and name, with a white frame and a dark bar along
// the face's top edge, so a face in the wrong place or turned shows at once.
Image makeCubeTest(int face) {
    static const uint8_t colours[6][3] = {{200, 40, 40}, {230, 140, 30}, {40, 90, 210},
                                          {120, 80, 40}, {40, 160, 60}, {120, 60, 170}};
    static const char* names[6] = {"+X", "-X", "+Y", "-Y", "+Z", "-Z"};
    return makeCross(face, [&](int f, int col, int row, const std::array<double, 3>&, uint8_t* p) {
        const int border = face / 32;
        p[0] = colours[f][0];
        p[1] = colours[f][1];
        p[2] = colours[f][2];
        if (row < face / 8) p[0] = p[1] = p[2] = 30;
        if (col < border || row < border || col >= face - border || row >= face - border) p[0] = p[1] = p[2] = 255;
        drawLabel(col, row, face, names[f], p);
    });
}

bool writePng(const std::string& path, const Image& image) {
    if (stbi_write_png(path.c_str(), image.width, image.height, 4, image.rgba.data(), image.width * 4)) return true;
    std::fprintf(stderr, "Failed to write '%s'\n", path.c_str());
    return false;
}

bool writeJpeg(const std::string& path, const Image& image) {
    if (stbi_write_jpg(path.c_str(), image.width, image.height, 4, image.rgba.data(), 92)) return true;
    std::fprintf(stderr, "Failed to write '%s'\n", path.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "res/textures";
    bool ok = writePng(dir + "/noise.png", makeNoise(256, 16, 4, 2.2, 1u));
    ok = writePng(dir + "/smoothNoise.png", makeNoise(256, 4, 3, 2.0, 2u)) && ok;
    ok = writePng(dir + "/ocean.png", makeOcean(512)) && ok;
    ok = writeJpeg(dir + "/SkyboxTex.jpg", makeSky(512)) && ok;
    ok = writePng(dir + "/CubeTest.png", makeCubeTest(256)) && ok;
    return ok ? 0 : 1;
}
