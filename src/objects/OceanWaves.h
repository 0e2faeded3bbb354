// The ocean's wave field without GL: a Phillips spectrum drawn once from the
// engine's random sequence, advanced to any time by quantised dispersion, and
// turned into heights, sideways displacements and slopes by five inverse FFTs
// (FFTW, single precision). Only the real part of each is used, so each runs on
// the Hermitian part of its spectrum, whose transform is real: two such fields
// share one complex transform as its real and imaginary parts, and three
// transforms do the work of five. Everything is allocated by init; update
// allocates nothing. Main thread only (FFTW planning is not thread-safe).
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

    // The three steps of update, apart so each can be timed.
    void fillSpectrum(float time);
    void executeTransforms();
    void buildVertices(float displacementScale, bool goodNormals);

    uint32_t size() const { return n; }
    const std::vector<OceanVertex>& vertexData() const { return vertices; }
    const Complex* h0Data() const { return h0.data(); }
    const Complex* h0MinusConjData() const { return h0MinusConj.data(); }

    // Constants of the model.
    static constexpr float kGravity = 9.81f;
    static constexpr float kRepeatPeriod = 100.0f;  // seconds after which the dispersion repeats

private:
    // The complex transforms, one after the other in `spectra`: the height
    // alone, the displacements (x real, z imaginary), the slopes likewise.
    static constexpr int kTransforms = 3;

    uint32_t n = 0;
    OceanParameters params;
    std::vector<OceanVertex> vertices;
    // Before smoothing: x, y and z planes of n rows, each row padded with
    // column n - 1 before and column 0 after, so neighbours need no wrapping.
    std::vector<float> sideNormals;
    std::vector<Complex> h0;
    std::vector<Complex> h0MinusConj;
    // In FFTW's own order (row p holds wave number p, or p - n from n / 2 on),
    // so the fields come out unshifted, without a checkerboard sign. In place.
    fftwf_complex* spectra = nullptr;
    fftwf_plan plan = nullptr;

    // What each cell keeps across frames: its height spectrum this frame is
    // cos(wt) * sum + sin(wt) * turn, w its quantised dispersion. That is the
    // Hermitian part of the model's h~(k) e^(i phi), scaled by 1 / n, in four
    // planes: sum and turn, real and imaginary.
    std::vector<float> cellTerms;
    std::vector<float> inverseLength;        // 1 / |k| per cell, 0 at k = 0
    std::vector<uint16_t> frequencyOf;       // index into frequencies per cell
    std::vector<float> rowWave, columnWave;  // kx of each row, kz of each column
    // On the row of wave number -n/2 a cell is its own mirror along x, so its
    // x fields take the anti-Hermitian part; likewise z on the column -n/2.
    struct Edge {
        uint32_t cell;
        bool x, z;
        float terms[4];  // sum and turn, real and imaginary, of the anti-Hermitian part
    };
    std::vector<Edge> edges;
    std::vector<float> frequencies;  // the distinct quantised omega values
    std::vector<float> rotations;    // cos(omega t), sin(omega t) per frequency, this frame
};
