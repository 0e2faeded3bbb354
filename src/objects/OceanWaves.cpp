// Ocean wave synthesis. The model's cells are indexed (m + N/2) * N + (n + N/2)
// for wave numbers m (rows) and n in [-N/2, N/2): h0, h0MinusConj and the
// phase follow that order. The transforms take their spectra in FFTW's own
// order instead (row p holds m = p, or p - N from N/2 on), which leaves the
// output unshifted, and only the columns n = -N/2 .. 0 (complex-to-real).
//
// Why the Hermitian part: the real part of an inverse DFT of X is the inverse
// DFT of Y(k) = (X(k) + conj X(k'))/2, k' the mirror cell (-m, -n), where -(-N/2)
// is -N/2 again. The mirror has the same |k|, hence the same dispersion, so
// Y = e a + conj(e) b with per-cell constants a and b, e = e^(i w t). A field
// c(k) X(k) folds to c(k) Y(k) when conj c(k') = c(k): true of the height and,
// off the -N/2 row, of the x fields (-i kx/|k|, i kx are odd in m); on that
// row kx does not change sign and the x fields fold with the minus sign
// instead. Likewise the z fields on the column n = -N/2.
#include "objects/OceanWaves.h"

#include "core/Random.h"
#include "objects/FftWisdom.h"

#include <algorithm>
#include <cmath>

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
    columns = n / 2 + 1;
    const size_t count = static_cast<size_t>(n) * n;
    const size_t stored = static_cast<size_t>(n) * columns;
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
    sideNormals.assign(count, glm::vec3(0.0f));

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

    // The stored half, in the transforms' order.
    cellTerms.resize(stored);
    inverseLength.resize(stored);
    frequencyOf.resize(stored);
    rowWave.resize(n);
    columnWave.resize(columns);
    edges.clear();
    const float w0 = 2.0f * glm::pi<float>() / kRepeatPeriod;
    const double scale = 1.0 / static_cast<double>(n);  // the model's 1 / sqrt(N * N), folded in here
    uint32_t highest = 0;
    for (uint32_t row = 0; row < n; ++row)
        for (uint32_t col = 0; col < columns; ++col) {
            const int m = row < n / 2 ? static_cast<int>(row) : static_cast<int>(row) - static_cast<int>(n);
            const int k = col < n / 2 ? static_cast<int>(col) : -half;
            const int mirrorM = m == -half ? m : -m;
            const int mirrorK = k == -half ? k : -k;
            const size_t idx = indexOf(m, k), mirror = indexOf(mirrorM, mirrorK);
            const glm::vec2 wave = waveOf(m, k);
            rowWave[row] = wave.x;
            columnWave[col] = wave.y;
            const size_t cell = static_cast<size_t>(row) * columns + col;
            const float length = std::sqrt(wave.x * wave.x + wave.y * wave.y);
            inverseLength[cell] = length > 0.0f ? 1.0f / length : 0.0f;
            const uint32_t frequency = static_cast<uint32_t>(std::floor(std::sqrt(kGravity * length) / w0));
            frequencyOf[cell] = static_cast<uint16_t>(frequency);
            highest = std::max(highest, frequency);

            // X(k) = (h0 e + h0MinusConj conj(e)) phase; fold with the mirror's
            // conjugate (sign +1) or its negative (-1).
            auto fold = [&](double sign) {
                using C = std::complex<double>;
                const C forward = 0.5 * scale *
                                  (C(h0[idx]) * phase[idx] + sign * std::conj(C(h0MinusConj[mirror]) * phase[mirror]));
                const C backward =
                    0.5 * scale * (C(h0MinusConj[idx]) * phase[idx] + sign * std::conj(C(h0[mirror]) * phase[mirror]));
                // e a + conj(e) b = cos(wt) (a + b) + sin(wt) i (a - b)
                const C sum = forward + backward, turn = C(0.0, 1.0) * (forward - backward);
                return Cell{Complex(static_cast<float>(sum.real()), static_cast<float>(sum.imag())),
                            Complex(static_cast<float>(turn.real()), static_cast<float>(turn.imag()))};
            };
            cellTerms[cell] = fold(1.0);
            if (m == -half || k == -half)
                edges.push_back({static_cast<uint32_t>(cell), m == -half, k == -half, fold(-1.0)});
        }
    frequencies.resize(highest + 1);
    for (uint32_t q = 0; q <= highest; ++q) frequencies[q] = static_cast<float>(q) * w0;
    rotations.resize(highest + 1);

    spectra = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * stored * TransformCount));
    fields = static_cast<float*>(fftwf_malloc(sizeof(float) * count * TransformCount));
    if (!wisdomFile.empty()) FftWisdom::load(wisdomFile);
    // One plan for all five: planning with FFTW_MEASURE overwrites both arrays,
    // and every run overwrites the spectra; both are filled per frame.
    const int sizes[2] = {static_cast<int>(n), static_cast<int>(n)};
    plan = fftwf_plan_many_dft_c2r(2, sizes, TransformCount, spectra, nullptr, 1, static_cast<int>(stored), fields,
                                   nullptr, 1, static_cast<int>(count), FFTW_MEASURE);
    if (!wisdomFile.empty()) FftWisdom::save(wisdomFile);
}

void OceanWaves::fillSpectrum(float time) {
    for (size_t q = 0; q < frequencies.size(); ++q) {
        const float wt = frequencies[q] * time;
        rotations[q] = Complex(std::cos(wt), std::sin(wt));
    }
    const size_t plane = static_cast<size_t>(n) * columns * 2;  // floats per spectrum
    float* height = reinterpret_cast<float*>(spectra);
    float* dispX = height + plane;
    float* dispZ = dispX + plane;
    float* slopeX = dispZ + plane;
    float* slopeZ = slopeX + plane;
    for (uint32_t row = 0; row < n; ++row) {
        const float kx = rowWave[row];
        const size_t first = static_cast<size_t>(row) * columns;
        for (size_t c = first; c < first + columns; ++c) {
            const Complex e = rotations[frequencyOf[c]];
            const Cell& terms = cellTerms[c];
            const float yr = e.real() * terms.sum.real() + e.imag() * terms.turn.real();
            const float yi = e.real() * terms.sum.imag() + e.imag() * terms.turn.imag();
            const float kz = columnWave[c - first];
            const float ux = kx * inverseLength[c], uz = kz * inverseLength[c];
            height[2 * c] = yr;
            height[2 * c + 1] = yi;
            dispX[2 * c] = ux * yi;  // -i k^x Y
            dispX[2 * c + 1] = -ux * yr;
            dispZ[2 * c] = uz * yi;
            dispZ[2 * c + 1] = -uz * yr;
            slopeX[2 * c] = -kx * yi;  // i kx Y
            slopeX[2 * c + 1] = kx * yr;
            slopeZ[2 * c] = -kz * yi;
            slopeZ[2 * c + 1] = kz * yr;
        }
    }
    for (const Edge& edge : edges) {
        const size_t c = edge.cell;
        const Complex e = rotations[frequencyOf[c]];
        const float yr = e.real() * edge.terms.sum.real() + e.imag() * edge.terms.turn.real();
        const float yi = e.real() * edge.terms.sum.imag() + e.imag() * edge.terms.turn.imag();
        if (edge.x) {
            const float kx = rowWave[c / columns], ux = kx * inverseLength[c];
            dispX[2 * c] = ux * yi;
            dispX[2 * c + 1] = -ux * yr;
            slopeX[2 * c] = -kx * yi;
            slopeX[2 * c + 1] = kx * yr;
        }
        if (edge.z) {
            const float kz = columnWave[c % columns], uz = kz * inverseLength[c];
            dispZ[2 * c] = uz * yi;
            dispZ[2 * c + 1] = -uz * yr;
            slopeZ[2 * c] = -kz * yi;
            slopeZ[2 * c + 1] = kz * yr;
        }
    }
}

void OceanWaves::executeTransforms() { fftwf_execute(plan); }

void OceanWaves::buildVertices(float displacementScale, bool goodNormals) {
    const size_t plane = static_cast<size_t>(n) * n;
    const float* height = fields;
    const float* dispX = height + plane;
    const float* dispZ = dispX + plane;
    const float* slopeX = dispZ + plane;
    const float* slopeZ = slopeX + plane;
    // Normals go straight to the vertices, or to sideNormals for the smoothing below.
    auto surface = [&](auto normalAt) {
        const uint32_t last = n - 1;
        for (uint32_t i = 0; i < last; ++i) {
            const size_t first = static_cast<size_t>(i) * n;
            OceanVertex* v = &vertices[first];
            for (uint32_t j = 0; j < last; ++j) {
                const size_t c = first + j;
                v[j].displacement = glm::vec3(dispX[c] * displacementScale, height[c], dispZ[c] * displacementScale);
                const float nx = -slopeX[c];
                const float nz = -slopeZ[c];
                const float inverse = 1.0f / std::sqrt(nx * nx + 1.0f + nz * nz);
                normalAt(c) = glm::vec3(nx * inverse, inverse, nz * inverse);
            }
            // The last column and then the last row repeat the first: copied, not computed again.
            v[last].displacement = v[0].displacement;
            normalAt(first + last) = normalAt(first);
        }
        const size_t lastRow = static_cast<size_t>(last) * n;
        for (uint32_t j = 0; j < n; ++j) {
            vertices[lastRow + j].displacement = vertices[j].displacement;
            normalAt(lastRow + j) = normalAt(j);
        }
    };
    if (goodNormals)
        surface([this](size_t at) -> glm::vec3& { return sideNormals[at]; });
    else
        surface([this](size_t at) -> glm::vec3& { return vertices[at].normal; });
    if (!goodNormals) return;
    // Smoother shading: each normal from its eight neighbours, wrapping at the edges.
    // Wrapped rows and columns are found once per row and column, not per
    // neighbour; the sum keeps the order (i, j+1), (i-1, j+1), (i-1, j),
    // (i-1, j-1), (i, j-1), (i+1, j-1), (i+1, j), (i+1, j+1).
    for (uint32_t i = 0; i < n; ++i) {
        const glm::vec3* above = &sideNormals[((i + n - 1) % n) * n];
        const glm::vec3* same = &sideNormals[i * n];
        const glm::vec3* below = &sideNormals[((i + 1) % n) * n];
        for (uint32_t j = 0; j < n; ++j) {
            const uint32_t left = j == 0 ? n - 1 : j - 1;
            const uint32_t right = j + 1 == n ? 0 : j + 1;
            glm::vec3 sum(0.0f);
            sum += same[right];
            sum += above[right];
            sum += above[j];
            sum += above[left];
            sum += same[left];
            sum += below[left];
            sum += below[j];
            sum += below[right];
            vertices[i * n + j].normal = glm::normalize(sum);
        }
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
    if (fields) fftwf_free(fields);
    plan = nullptr;
    spectra = nullptr;
    fields = nullptr;
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
    columns = 0;
}
