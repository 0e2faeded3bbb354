// Ocean wave synthesis. Spectrum cells are indexed (m + N/2) * N + (n + N/2)
// for wave numbers m (FFT rows) and n in [-N/2, N/2); after the transforms a
// cell's sign (-1)^(row + col) undoes that half-size shift.
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

// Plain products: std::complex's checked multiply costs a call per cell.
inline std::complex<float> mul(std::complex<float> a, std::complex<float> b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
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
    sideNormals.assign(count, glm::vec3(0.0f));

    h0.resize(count);
    h0MinusConj.resize(count);
    cells.resize(count);
    const float w0 = 2.0f * glm::pi<float>() / kRepeatPeriod;
    uint32_t highest = 0;
    for (int m = -half; m < half; ++m)
        for (int k = -half; k < half; ++k) {
            const size_t idx = static_cast<size_t>(m + half) * n + static_cast<size_t>(k + half);
            const glm::vec2 wave(2.0f * glm::pi<float>() * static_cast<float>(m) / patch, 2.0f * glm::pi<float>() * static_cast<float>(k) / patch);
            auto amplitudeAt = [&](glm::vec2 at) {
                const float g1 = gaussian();
                const float g2 = gaussian();
                const float scale = std::sqrt(phillips(at, p.amplitude, p.windSpeed, wind) / 2.0f);
                return Complex(g2 * scale, g1 * scale);
            };
            h0[idx] = amplitudeAt(wave);
            h0MinusConj[idx] = std::conj(amplitudeAt(-wave));

            CellConstants& cell = cells[idx];
            cell.kx = wave.x;
            cell.kz = wave.y;
            const float length = std::sqrt(wave.x * wave.x + wave.y * wave.y);
            cell.unitX = length > 0.0f ? wave.x / length : wave.x;
            cell.unitZ = length > 0.0f ? wave.y / length : wave.y;
            // Each cell's phase is fixed; only its dispersion turns with time.
            const float phi = static_cast<float>(k) * wave.x + static_cast<float>(m) * wave.y;
            cell.phase = Complex(std::cos(phi), std::sin(phi));
            cell.frequency = static_cast<uint32_t>(std::floor(std::sqrt(kGravity * length) / w0));
            highest = std::max(highest, cell.frequency);
        }
    frequencies.resize(highest + 1);
    for (uint32_t q = 0; q <= highest; ++q) frequencies[q] = static_cast<float>(q) * w0;
    rotations.resize(highest + 1);

    if (!wisdomFile.empty()) FftWisdom::load(wisdomFile);
    for (int t = 0; t < TransformCount; ++t) {
        work[t] = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * count));
        // Planning with FFTW_MEASURE overwrites the array; it is filled per frame.
        plans[t] = fftwf_plan_dft_2d(static_cast<int>(n), static_cast<int>(n), work[t], work[t], FFTW_BACKWARD,
                                     FFTW_MEASURE);
    }
    if (!wisdomFile.empty()) FftWisdom::save(wisdomFile);
}

void OceanWaves::fillSpectrum(float time) {
    for (size_t q = 0; q < frequencies.size(); ++q) {
        const float wt = frequencies[q] * time;
        rotations[q] = Complex(std::cos(wt), std::sin(wt));
    }
    Complex* height = transformData(Height);
    Complex* dispX = transformData(DisplacementX);
    Complex* dispZ = transformData(DisplacementZ);
    Complex* slopeX = transformData(SlopeX);
    Complex* slopeZ = transformData(SlopeZ);
    const size_t count = cells.size();
    for (size_t idx = 0; idx < count; ++idx) {
        const CellConstants& c = cells[idx];
        const Complex e = rotations[c.frequency];
        const Complex wave = mul(h0[idx], e) + mul(h0MinusConj[idx], std::conj(e));
        const Complex h = mul(wave, c.phase);
        height[idx] = h;
        dispX[idx] = Complex(c.unitX * h.imag(), -c.unitX * h.real());  // -i k^x H
        dispZ[idx] = Complex(c.unitZ * h.imag(), -c.unitZ * h.real());
        slopeX[idx] = Complex(-c.kx * h.imag(), c.kx * h.real());  // i kx H
        slopeZ[idx] = Complex(-c.kz * h.imag(), c.kz * h.real());
    }
}

void OceanWaves::executeTransforms() {
    for (int t = 0; t < TransformCount; ++t) fftwf_execute(plans[t]);
}

void OceanWaves::cellOf(uint32_t n, uint32_t i, uint32_t j, uint32_t& cell, float& sign) {
    uint32_t row = i, col = j;
    if (i == n - 1 && j == n - 1) {
        cell = 0;
        sign = 1.0f;
        return;
    }
    if (j == n - 1) col = 0;
    if (i == n - 1) row = 0, col = j;
    cell = row * n + col;
    sign = ((row + col) % 2 == 0) ? 1.0f : -1.0f;
}

void OceanWaves::buildVertices(float displacementScale, bool goodNormals) {
    const float f = 1.0f / std::sqrt(static_cast<float>(n) * static_cast<float>(n));
    const Complex* height = transformData(Height);
    const Complex* dispX = transformData(DisplacementX);
    const Complex* dispZ = transformData(DisplacementZ);
    const Complex* slopeX = transformData(SlopeX);
    const Complex* slopeZ = transformData(SlopeZ);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < n; ++j) {
            uint32_t s;
            float sign;
            cellOf(n, i, j, s, sign);
            OceanVertex& v = vertices[i * n + j];
            v.displacement = glm::vec3(dispX[s].real() * f * displacementScale * sign, height[s].real() * f * sign,
                                       dispZ[s].real() * f * displacementScale * sign);
            const float nx = -(slopeX[s].real() * f * sign);
            const float nz = -(slopeZ[s].real() * f * sign);
            const float len = std::sqrt(nx * nx + 1.0f + nz * nz);
            const glm::vec3 normal(nx / len, 1.0f / len, nz / len);
            if (goodNormals)
                sideNormals[i * n + j] = normal;
            else
                v.normal = normal;
        }
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
    for (int t = 0; t < TransformCount; ++t) {
        if (plans[t]) fftwf_destroy_plan(plans[t]);
        if (work[t]) fftwf_free(work[t]);
        plans[t] = nullptr;
        work[t] = nullptr;
    }
    vertices = {};
    sideNormals = {};
    cells = {};
    frequencies = {};
    rotations = {};
    n = 0;
}
