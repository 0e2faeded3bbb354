// Ocean wave synthesis. The model's cells are indexed (m + N/2) * N + (n + N/2)
// for wave numbers m (rows) and n in [-N/2, N/2): h0, h0MinusConj and the
// phase follow that order; the transforms take FFTW's order.
//
// Why the Hermitian part: the real part of an inverse DFT of X is the inverse
// DFT of Y(k) = (X(k) + conj X(k'))/2, k' the mirror cell (-m, -n), where -(-N/2)
// is -N/2 again; and the DFT of a Hermitian Y is real, so Y1 + i Y2 gives two
// fields at once. The mirror has the same |k|, hence the same dispersion, so
// Y = e a + conj(e) b with per-cell constants a and b, e = e^(i w t). A field
// c(k) X(k) folds to c(k) Y(k) when conj c(k') = c(k): true of the height and,
// off the -N/2 row, of the x fields (-i kx/|k|, i kx are odd in m); on that
// row kx does not change sign and the x fields take the anti-Hermitian part
// (X(k) - conj X(k'))/2 instead. Likewise the z fields on the column n = -N/2.
#include "objects/OceanWaves.h"

#include "core/Random.h"
#include "objects/FftWisdom.h"

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <glm/gtc/constants.hpp>

namespace {

float uniformDraw() { return static_cast<float>(engineRand()) / 32767.0f * 2.0f - 1.0f; }

// Polar Box-Muller; w = 1 is accepted.
float gaussian() {
    float a, b, w;
    do {
        a = uniformDraw();
        b = uniformDraw();
        w = b * b + a * a;
    } while (w > 1.0f);
    return b * std::sqrt(-2.0f * std::log(w) / w);
}

// The vertex pass works on four cells at once where the machine has SSE (every
// x86-64), else on one: the same operations in the same order either way, so
// the lanes round exactly as single floats do. Generic code takes a `float` or
// `Lanes` value only for its type.
inline float splat(float x, float) { return x; }
inline float squareRoot(float x) { return std::sqrt(x); }
inline float load(const float* p, float) { return *p; }
inline float realParts(const float* complexes, float) { return complexes[0]; }
inline float imaginaryParts(const float* complexes, float) { return complexes[1]; }
inline void store(float* to, float x) { *to = x; }
inline float reversed(float x) { return x; }
inline void storeComplex(float* to, float re, float im) {
    to[0] = re;
    to[1] = im;
}
// A cell's cosine and sine this frame: pairs in `table` at the cell's frequency index.
inline void rotationOf(const float* table, const uint16_t* index, float& cosine, float& sine) {
    cosine = table[2 * index[0]];
    sine = table[2 * index[0] + 1];
}
// A vertex's normal and displacement, six floats in a row.
inline void emit(OceanVertex* v, const float (&values)[6]) {
    v->normal = glm::vec3(values[0], values[1], values[2]);
    v->displacement = glm::vec3(values[3], values[4], values[5]);
}
#if defined(__SSE2__)
struct Lanes {
    __m128 v;  // no initialiser: arrays of lanes are filled before use, and zeroing them cost a third of the pass
};
constexpr uint32_t kLanes = 4;
inline Lanes operator+(Lanes a, Lanes b) { return {_mm_add_ps(a.v, b.v)}; }
inline Lanes operator-(Lanes a, Lanes b) { return {_mm_sub_ps(a.v, b.v)}; }
inline Lanes operator*(Lanes a, Lanes b) { return {_mm_mul_ps(a.v, b.v)}; }
inline Lanes operator/(Lanes a, Lanes b) { return {_mm_div_ps(a.v, b.v)}; }
inline Lanes operator-(Lanes a) { return {_mm_xor_ps(a.v, _mm_set1_ps(-0.0f))}; }  // flips the sign bit, as -x does
inline Lanes splat(float x, Lanes) { return {_mm_set1_ps(x)}; }
inline Lanes squareRoot(Lanes x) { return {_mm_sqrt_ps(x.v)}; }
inline Lanes load(const float* p, Lanes) { return {_mm_loadu_ps(p)}; }
inline Lanes realParts(const float* complexes, Lanes) {
    return {_mm_shuffle_ps(_mm_loadu_ps(complexes), _mm_loadu_ps(complexes + 4), _MM_SHUFFLE(2, 0, 2, 0))};
}
inline Lanes imaginaryParts(const float* complexes, Lanes) {
    return {_mm_shuffle_ps(_mm_loadu_ps(complexes), _mm_loadu_ps(complexes + 4), _MM_SHUFFLE(3, 1, 3, 1))};
}
inline void store(float* to, Lanes x) { _mm_storeu_ps(to, x.v); }
inline Lanes reversed(Lanes x) { return {_mm_shuffle_ps(x.v, x.v, _MM_SHUFFLE(0, 1, 2, 3))}; }
inline void storeComplex(float* to, Lanes re, Lanes im) {
    _mm_storeu_ps(to, _mm_unpacklo_ps(re.v, im.v));
    _mm_storeu_ps(to + 4, _mm_unpackhi_ps(re.v, im.v));
}
inline void rotationOf(const float* table, const uint16_t* index, Lanes& cosine, Lanes& sine) {
    auto pairs = [&](int a, int b) {  // two cells' cosine and sine, eight bytes each
        const __m128d low = _mm_load_sd(reinterpret_cast<const double*>(table + 2 * index[a]));
        return _mm_castpd_ps(_mm_loadh_pd(low, reinterpret_cast<const double*>(table + 2 * index[b])));
    };
    const __m128 first = pairs(0, 1), second = pairs(2, 3);
    cosine.v = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
    sine.v = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
}
// Four vertices' normals and displacements, transposed into place (each vertex
// is nine floats: position, then the six written here).
inline void emit(OceanVertex* v, const Lanes (&values)[6]) {
    __m128 a = values[0].v, b = values[1].v, c = values[2].v, d = values[3].v;
    _MM_TRANSPOSE4_PS(a, b, c, d);  // normal x, y, z and displacement x of one vertex each
    const __m128 low = _mm_unpacklo_ps(values[4].v, values[5].v), high = _mm_unpackhi_ps(values[4].v, values[5].v);
    float* at = reinterpret_cast<float*>(v) + 3;
    _mm_storeu_ps(at, a);
    _mm_storel_pi(reinterpret_cast<__m64*>(at + 4), low);
    _mm_storeu_ps(at + 9, b);
    _mm_storeh_pi(reinterpret_cast<__m64*>(at + 13), low);
    _mm_storeu_ps(at + 18, c);
    _mm_storel_pi(reinterpret_cast<__m64*>(at + 22), high);
    _mm_storeu_ps(at + 27, d);
    _mm_storeh_pi(reinterpret_cast<__m64*>(at + 31), high);
}
#else
using Lanes = float;
constexpr uint32_t kLanes = 1;
#endif
} // namespace

float phillips(glm::vec2 k, float amplitude, float windSpeed, glm::vec2 windUnit) {
    const float length = std::sqrt(k.x * k.x + k.y * k.y);
    if (length < 0.00001f) return 0.0f;
    const float largest = windSpeed * windSpeed / OceanWaves::kGravity;  // Lw
    const float smallest = largest / 10000.0f;                          // waves below this are damped
    const glm::vec2 unit = k / length;
    const float along = unit.x * windUnit.x + unit.y * windUnit.y;
    const float kl = length * largest;
    return amplitude * std::exp(-1.0f / (kl * kl)) / (length * length * length * length) * (along * along) *
           std::exp(-length * length * smallest * smallest);
}

void OceanWaves::init(const OceanParameters& p, const std::string& wisdomFile) {
    release();
    params = p;
    n = p.gridSize;
    const size_t count = static_cast<size_t>(n) * n;
    const int half = static_cast<int>(n / 2);
    const float patch = 0.2f * static_cast<float>(n);  // spectral patch length Lp
    const glm::vec2 wind = p.windDirection / std::sqrt(glm::dot(p.windDirection, p.windDirection));

    vertices.resize(count);
    const float centre = static_cast<float>(n - 1) * p.spacing / 2.0f;
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < n; ++j)
            vertices[i * n + j] = {glm::vec3(static_cast<float>(j) * p.spacing - centre, 0.0f,
                                             static_cast<float>(i) * p.spacing - centre),
                                   glm::vec3(0.0f, 1.0f, 0.0f), glm::vec3(0.0f)};
    sideNormals.assign(3 * static_cast<size_t>(n + 2) * n, 0.0f);

    // The draws, in the model's cell order; and each cell's fixed phase e^(i phi),
    // phi = n kx + m kz.
    auto waveOf = [&](int m, int k) {
        return glm::vec2(2.0f * glm::pi<float>() * static_cast<float>(m) / patch,
                         2.0f * glm::pi<float>() * static_cast<float>(k) / patch);
    };
    auto indexOf = [&](int m, int k) { return static_cast<size_t>(m + half) * n + static_cast<size_t>(k + half); };
    h0.resize(count);
    h0MinusConj.resize(count);
    std::vector<std::complex<double>> phase(count);
    for (int m = -half; m < half; ++m)
        for (int k = -half; k < half; ++k) {
            const size_t idx = indexOf(m, k);
            const glm::vec2 wave = waveOf(m, k);
            auto amplitudeAt = [&](glm::vec2 at) {
                const float g1 = gaussian();
                const float g2 = gaussian();
                const float scale = std::sqrt(phillips(at, p.amplitude, p.windSpeed, wind) / 2.0f);
                return Complex(g2 * scale, g1 * scale);
            };
            h0[idx] = amplitudeAt(wave);
            h0MinusConj[idx] = std::conj(amplitudeAt(-wave));
            const float phi = static_cast<float>(k) * wave.x + static_cast<float>(m) * wave.y;
            phase[idx] = std::complex<double>(std::cos(phi), std::sin(phi));
        }

    // Every cell in the transforms' order.
    cellTerms.resize(4 * count);
    inverseLength.resize(count);
    frequencyOf.resize(count);
    rowWave.resize(n);
    columnWave.resize(n);
    edges.clear();
    const float w0 = 2.0f * glm::pi<float>() / kRepeatPeriod;
    const double scale = 1.0 / static_cast<double>(n);  // the model's 1 / sqrt(N * N), folded in here
    auto waveNumber = [&](uint32_t at) {
        return at < n / 2 ? static_cast<int>(at) : static_cast<int>(at) - static_cast<int>(n);
    };
    uint32_t highest = 0;
    for (uint32_t row = 0; row < n; ++row)
        for (uint32_t col = 0; col < n; ++col) {
            const int m = waveNumber(row), k = waveNumber(col);
            const size_t idx = indexOf(m, k), mirror = indexOf(m == -half ? m : -m, k == -half ? k : -k);
            const glm::vec2 wave = waveOf(m, k);
            rowWave[row] = wave.x;
            columnWave[col] = wave.y;
            const size_t cell = static_cast<size_t>(row) * n + col;
            const float length = std::sqrt(wave.x * wave.x + wave.y * wave.y);
            inverseLength[cell] = length > 0.0f ? 1.0f / length : 0.0f;
            const uint32_t frequency = static_cast<uint32_t>(std::floor(std::sqrt(kGravity * length) / w0));
            frequencyOf[cell] = static_cast<uint16_t>(frequency);  // at most 236 for any N
            highest = std::max(highest, frequency);

            // X(k) = (h0 e + h0MinusConj conj(e)) phase, folded with the
            // mirror's conjugate (sign +1) or its negative (-1).
            auto fold = [&](double sign, float* terms, size_t stride) {
                using C = std::complex<double>;
                const C forward = 0.5 * scale *
                                  (C(h0[idx]) * phase[idx] + sign * std::conj(C(h0MinusConj[mirror]) * phase[mirror]));
                const C backward =
                    0.5 * scale * (C(h0MinusConj[idx]) * phase[idx] + sign * std::conj(C(h0[mirror]) * phase[mirror]));
                // e a + conj(e) b = cos(wt) (a + b) + sin(wt) i (a - b)
                const C sum = forward + backward, turn = C(0.0, 1.0) * (forward - backward);
                terms[0] = static_cast<float>(sum.real());
                terms[stride] = static_cast<float>(sum.imag());
                terms[2 * stride] = static_cast<float>(turn.real());
                terms[3 * stride] = static_cast<float>(turn.imag());
            };
            fold(1.0, &cellTerms[cell], count);
            if (m == -half || k == -half) {
                edges.push_back({static_cast<uint32_t>(cell), m == -half, k == -half, {}});
                fold(-1.0, edges.back().terms, 1);
            }
        }
    frequencies.resize(highest + 1);
    for (uint32_t q = 0; q <= highest; ++q) frequencies[q] = static_cast<float>(q) * w0;
    rotations.resize(2 * (highest + 1));

    spectra = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * count * kTransforms));
    if (!wisdomFile.empty()) FftWisdom::load(wisdomFile);
    // One plan for the three: planning with FFTW_MEASURE overwrites the
    // array, which is filled per frame.
    const int sizes[2] = {static_cast<int>(n), static_cast<int>(n)};
    plan = fftwf_plan_many_dft(2, sizes, kTransforms, spectra, nullptr, 1, static_cast<int>(count), spectra, nullptr, 1,
                               static_cast<int>(count), FFTW_BACKWARD, FFTW_MEASURE);
    if (!wisdomFile.empty()) FftWisdom::save(wisdomFile);
}

void OceanWaves::fillSpectrum(float time) {
    for (size_t q = 0; q < frequencies.size(); ++q) {
        const float wt = frequencies[q] * time;
        rotations[2 * q] = std::cos(wt);
        rotations[2 * q + 1] = std::sin(wt);
    }
    const size_t count = static_cast<size_t>(n) * n;
    float* height = reinterpret_cast<float*>(spectra);
    float* displacement = height + 2 * count;
    float* slope = displacement + 2 * count;
    const float* rotation = rotations.data();
    const float* sumRe = cellTerms.data();
    const float* sumIm = sumRe + count;
    const float* turnRe = sumIm + count;
    const float* turnIm = turnRe + count;
    const float* inverse = inverseLength.data();
    const uint16_t* frequency = frequencyOf.data();
    // Rows 0 to n/2, each also written mirrored into row n - p: the mirror
    // cell of (p, q) is (n - p, n - q) (both mod n), its spectrum the
    // conjugate, its wave vector the negative; written from these terms it
    // has exactly the bits it would have computed itself. Rows 0 and n/2 are
    // their own mirrors; on column n/2 and row n/2 the fields the fold gets
    // wrong are put right by the edges below.
    for (uint32_t row = 0; row <= n / 2; ++row) {
        const float kx = rowWave[row];
        const size_t first = static_cast<size_t>(row) * n;
        const uint32_t mirrorRow = (n - row) % n;
        const bool mirrored = mirrorRow != row;
        const size_t mirrorFirst = static_cast<size_t>(mirrorRow) * n;
        auto cells = [&](auto lanes, uint32_t col) {
            using V = decltype(lanes);
            constexpr uint32_t width = sizeof(V) / sizeof(float);
            const size_t c = first + col;
            V cosine, sine;
            rotationOf(rotation, frequency + c, cosine, sine);
            const V yr = cosine * load(sumRe + c, lanes) + sine * load(turnRe + c, lanes);
            const V yi = cosine * load(sumIm + c, lanes) + sine * load(turnIm + c, lanes);
            const V kz = load(&columnWave[col], lanes), along = splat(kx, lanes);
            // slope x + i slope z = i kx Y + i (i kz Y); displacement x + i
            // displacement z = -i (kx/|k|) Y + i (-i (kz/|k|) Y) = -slopes / |k|.
            const V sr = -kz * yr - along * yi, si = along * yr - kz * yi;
            const V shrink = -load(inverse + c, lanes);
            storeComplex(height + 2 * c, yr, yi);
            storeComplex(slope + 2 * c, sr, si);
            storeComplex(displacement + 2 * c, shrink * sr, shrink * si);
            if (!mirrored) return;
            // The same with Y conjugated and kx, kz negated, columns in reverse.
            const size_t m = mirrorFirst + (n - col - (width - 1)) % n;
            const V mr = kz * yr - along * yi, mi = -along * yr - kz * yi;
            storeComplex(height + 2 * m, reversed(yr), reversed(-yi));
            storeComplex(slope + 2 * m, reversed(mr), reversed(mi));
            storeComplex(displacement + 2 * m, reversed(shrink * mr), reversed(shrink * mi));
        };
        // Column 0 is its own mirror column; columns 1 to n - 1 mirror one another.
        cells(0.0f, 0);
        uint32_t col = 1;
        for (; col + kLanes <= n; col += kLanes) cells(Lanes(), col);
        for (; col < n; ++col) cells(0.0f, col);
    }
    for (const Edge& edge : edges) {
        const size_t c = edge.cell;
        const float cosine = rotation[2 * frequency[c]], sine = rotation[2 * frequency[c] + 1];
        const float own[4] = {sumRe[c], sumIm[c], turnRe[c], turnIm[c]};
        const float* x = edge.x ? edge.terms : own;
        const float* z = edge.z ? edge.terms : own;
        const float xr = cosine * x[0] + sine * x[2], xi = cosine * x[1] + sine * x[3];
        const float zr = cosine * z[0] + sine * z[2], zi = cosine * z[1] + sine * z[3];
        const float kx = rowWave[c / n], kz = columnWave[c % n];
        slope[2 * c] = -kx * xi - kz * zr;
        slope[2 * c + 1] = kx * xr - kz * zi;
        displacement[2 * c] = inverse[c] * (kx * xi + kz * zr);
        displacement[2 * c + 1] = inverse[c] * (kz * zi - kx * xr);
    }
}

void OceanWaves::executeTransforms() { fftwf_execute(plan); }

void OceanWaves::buildVertices(float displacementScale, bool goodNormals) {
    const size_t count = static_cast<size_t>(n) * n;
    const float* height = reinterpret_cast<const float*>(spectra);
    const float* displacement = height + 2 * count;
    const float* slope = displacement + 2 * count;
    const uint32_t last = n - 1;

    // Normal from the slopes of the cells from c on, into out[0..2].
    auto slopeNormal = [&](auto lanes, size_t c, decltype(lanes)(&out)[6]) {
        using V = decltype(lanes);
        const V one = splat(1.0f, lanes);
        const V nx = -realParts(slope + 2 * c, lanes);
        const V nz = -imaginaryParts(slope + 2 * c, lanes);
        const V inverse = one / squareRoot(nx * nx + one + nz * nz);
        out[0] = nx * inverse;
        out[1] = inverse;
        out[2] = nz * inverse;
    };
    // One row of vertices: normal (from `normalOf`) and displacement of each.
    // The last row and column repeat the first: their cells are row and column 0.
    auto vertexRow = [&](uint32_t i, auto normalOf) {
        const size_t cells = static_cast<size_t>(i < last ? i : 0) * n;
        OceanVertex* row = &vertices[static_cast<size_t>(i) * n];
        auto group = [&](auto lanes, uint32_t j, size_t c) {
            using V = decltype(lanes);
            const V scale = splat(displacementScale, lanes);
            V out[6];
            normalOf(lanes, j, c, out);
            out[3] = realParts(displacement + 2 * c, lanes) * scale;
            out[4] = realParts(height + 2 * c, lanes);
            out[5] = imaginaryParts(displacement + 2 * c, lanes) * scale;
            emit(row + j, out);
        };
        uint32_t j = 0;
        for (; j + kLanes <= last; j += kLanes) group(Lanes(), j, cells + j);
        for (; j < n; ++j) group(0.0f, j, cells + (j < last ? j : 0));
    };
    if (!goodNormals) {
        for (uint32_t i = 0; i < n; ++i)
            vertexRow(i, [&](auto lanes, uint32_t, size_t c, decltype(lanes)(&out)[6]) { slopeNormal(lanes, c, out); });
        return;
    }

    // Smoother shading: first each cell's own normal into sideNormals...
    const size_t stride = n + 2;  // a side-normal row: column n - 1, the n columns, column 0
    float* side[3] = {sideNormals.data(), sideNormals.data() + stride * n, sideNormals.data() + 2 * stride * n};
    for (uint32_t i = 0; i < last; ++i) {
        auto group = [&](auto lanes, uint32_t j) {
            decltype(lanes) out[6];
            slopeNormal(lanes, static_cast<size_t>(i) * n + j, out);
            for (int axis = 0; axis < 3; ++axis) store(side[axis] + i * stride + 1 + j, out[axis]);
        };
        uint32_t j = 0;
        for (; j + kLanes <= last; j += kLanes) group(Lanes(), j);
        for (; j < last; ++j) group(0.0f, j);
        for (float* plane : side) {
            float* row = plane + i * stride;
            row[n] = row[1];
            row[0] = row[n];
            row[n + 1] = row[1];
        }
    }
    for (float* plane : side) std::copy(plane, plane + stride, plane + last * stride);
    // ... then each vertex's from its eight neighbours, wrapping at the edges,
    // summed in the order (i, j+1), (i-1, j+1), (i-1, j), (i-1, j-1), (i, j-1),
    // (i+1, j-1), (i+1, j), (i+1, j+1), and normalised as glm::normalize does.
    for (uint32_t i = 0; i < n; ++i) {
        const size_t same = i * stride + 1, above = (i == 0 ? last : i - 1) * stride + 1,
                     below = (i == last ? 0 : i + 1) * stride + 1;
        vertexRow(i, [&](auto lanes, uint32_t j, size_t, decltype(lanes)(&out)[6]) {
            for (int axis = 0; axis < 3; ++axis) {
                const float* at = side[axis] + j;
                out[axis] = load(at + same + 1, lanes) + load(at + above + 1, lanes) + load(at + above, lanes) +
                            load(at + above - 1, lanes) + load(at + same - 1, lanes) + load(at + below - 1, lanes) +
                            load(at + below, lanes) + load(at + below + 1, lanes);
            }
            const auto inverse = splat(1.0f, lanes) / squareRoot(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
            for (int axis = 0; axis < 3; ++axis) out[axis] = out[axis] * inverse;
        });
    }
}

void OceanWaves::update(float time, float displacementScale, bool goodNormals) {
    if (n == 0) return;
    fillSpectrum(time);
    executeTransforms();
    buildVertices(displacementScale, goodNormals);
}

void OceanWaves::release() {
    h0 = {};
    h0MinusConj = {};
    if (plan) fftwf_destroy_plan(plan);
    if (spectra) fftwf_free(spectra);
    plan = nullptr;
    spectra = nullptr;
    vertices = {};
    sideNormals = {};
    cellTerms = {};
    inverseLength = {};
    frequencyOf = {};
    rowWave = {};
    columnWave = {};
    edges = {};
    frequencies = {};
    rotations = {};
    n = 0;
}
