// The ocean's wave field without GL: a Phillips spectrum drawn once from the
// engine's random sequence, advanced to any time by quantised dispersion, and
// turned into heights, sideways displacements and slopes by five in-place
// inverse FFTs (FFTW, single precision). Everything is allocated by init;
// update allocates nothing. Main thread only (FFTW planning is not thread-safe).
#pragma once
#include <fftw3.h>
#include <glm/glm.hpp>

#include <complex>
#include <cstdint>
#include <string>
#include <vector>

// The 36-byte vertex the ocean uploads: attributes 0, 1 and 2.
struct OceanVertex {
    glm::vec3 position;
    glm::vec3 normal;
    glm::vec3 displacement;
};
static_assert(sizeof(OceanVertex) == 36, "the ocean's vertex layout is three packed vec3");

struct OceanParameters {
    uint32_t gridSize = 64;  // N: vertices per side and FFT size; even, 2 to 1024
    float spacing = 1.0f;
    float amplitude = 1.0f;
    float windSpeed = 10.0f;
    glm::vec2 windDirection{1.0f, 0.0f};
};

// Phillips spectrum P(k) for wind direction `windUnit` (unit length); 0 near k = 0.
float phillips(glm::vec2 k, float amplitude, float windSpeed, glm::vec2 windUnit);

class OceanWaves {
public:
    enum Transform { Height, DisplacementX, DisplacementZ, SlopeX, SlopeZ, TransformCount };
    using Complex = std::complex<float>;

    OceanWaves() = default;
    ~OceanWaves() { release(); }
    OceanWaves(const OceanWaves&) = delete;
    OceanWaves& operator=(const OceanWaves&) = delete;

    // Draws the spectrum (two Gaussians for h0(k), two for h0(-k), per cell in
    // row order), allocates the arrays and plans the transforms (FFTW_MEASURE).
    // The parameters must be valid (the script factory checks them). FFTW's
    // wisdom is read from `wisdomFile` before planning and written back after
    // (FftWisdom); empty: none kept.
    void init(const OceanParameters& parameters, const std::string& wisdomFile = std::string());
    // Spectrum, transforms and vertex pass for time t (seconds).
    void update(float time, float displacementScale, bool goodNormals);
    void release();

    // The three steps of update, apart so each can be checked and timed.
    void fillSpectrum(float time);
    void executeTransforms();
    void buildVertices(float displacementScale, bool goodNormals);

    uint32_t size() const { return n; }
    const std::vector<OceanVertex>& vertexData() const { return vertices; }
    const Complex* h0Data() const { return h0.data(); }
    const Complex* h0MinusConjData() const { return h0MinusConj.data(); }
    Complex* transformData(Transform t) const { return reinterpret_cast<Complex*>(work[t]); }
    fftwf_plan transformPlan(Transform t) const { return plans[t]; }
    // FFT cell and sign feeding vertex (i, j): the last row and column repeat the first.
    static void cellOf(uint32_t n, uint32_t i, uint32_t j, uint32_t& cell, float& sign);

    // Constants of the model.
    static constexpr float kGravity = 9.81f;
    static constexpr float kRepeatPeriod = 100.0f;  // seconds after which the dispersion repeats

private:
    uint32_t n = 0;
    OceanParameters params;
    std::vector<OceanVertex> vertices;
    std::vector<glm::vec3> sideNormals;
    std::vector<Complex> h0;
    std::vector<Complex> h0MinusConj;
    fftwf_complex* work[TransformCount] = {};
    fftwf_plan plans[TransformCount] = {};

    // Per-cell values that do not change with time, so a frame costs one sine
    // and cosine per distinct quantised frequency instead of two pairs per cell.
    struct CellConstants {
        float kx, kz;        // wave vector
        float unitX, unitZ;  // k / |k|, zero at k = 0
        Complex phase;       // cos(phi) + i sin(phi), phi = n kx + m kz
        uint32_t frequency;  // index into frequencies
    };
    std::vector<CellConstants> cells;
    std::vector<float> frequencies;   // the distinct quantised omega values
    std::vector<Complex> rotations;   // cos(omega t) + i sin(omega t) per frequency, this frame
};
