// The spectrum is one real transform of 4096 samples; the bands sum the power
// of their bins. With a Hann window w, a sine of amplitude A puts A² N Σw² / 4
// into the bins around it, so sqrt(4 E / (N Σw²)) reads A back for a band's
// power E wherever in the band the sine lies.
#include "audio/SoundtrackMeter.h"

#include "audio/AudioPlayback.h"

#include <SDL.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = playback::kOutputRate;

float monoSample(const int16_t* frame) { return (static_cast<float>(frame[0]) + static_cast<float>(frame[1])) / 65536.0f; }
} // namespace

SoundtrackMeter::~SoundtrackMeter() { shutdown(); }

bool SoundtrackMeter::init() {
    shutdown();
    constexpr int n = kSpectrumFrames;
    input = static_cast<float*>(fftwf_malloc(sizeof(float) * n));
    output = fftwf_malloc(sizeof(fftwf_complex) * (n / 2 + 1));
    if (input && output)
        plan = fftwf_plan_dft_r2c_1d(n, input, static_cast<fftwf_complex*>(output), FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
    if (!plan) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Cannot plan the soundtrack's spectrum; audio.band reads 0");
        shutdown();
        return false;
    }
    window.resize(n);
    double sumSquares = 0.0;
    for (int i = 0; i < n; ++i) {
        window[static_cast<size_t>(i)] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * i / n));
        sumSquares += static_cast<double>(window[static_cast<size_t>(i)]) * window[static_cast<size_t>(i)];
    }
    windowScale = static_cast<float>(4.0 / (n * sumSquares));
    stereo.resize(2 * static_cast<size_t>(n));

    const double binHz = kRate / n;
    const double ratio = std::log(kHighestHz / kLowestHz) / kBandCount;
    for (int b = 0; b < kBandCount; ++b) {
        const double low = kLowestHz * std::exp(ratio * b), high = kLowestHz * std::exp(ratio * (b + 1));
        firstBin[b] = static_cast<int>(std::ceil(low / binHz));
        lastBin[b] = static_cast<int>(std::ceil(high / binHz));
        if (firstBin[b] >= lastBin[b]) {
            firstBin[b] = static_cast<int>(std::lround(std::sqrt(low * high) / binHz));
            lastBin[b] = firstBin[b] + 1;
        }
    }
    levelFrame = spectrumFrame = kNowhere;
    return true;
}

void SoundtrackMeter::shutdown() {
    if (plan) fftwf_destroy_plan(static_cast<fftwf_plan>(plan));
    if (input) fftwf_free(input);
    if (output) fftwf_free(output);
    plan = nullptr;
    input = nullptr;
    output = nullptr;
    levelFrame = spectrumFrame = kNowhere;
    levelValue = 0.0f;
    bands.fill(0.0f);
}

void SoundtrackMeter::moveTo(IAudioDevice* device, double seconds) {
    if (device != source) levelFrame = spectrumFrame = kNowhere;
    source = device;
    frame = std::isfinite(seconds) ? static_cast<int64_t>(std::llround(std::clamp(seconds, -1e9, 1e9) * kRate)) : 0;
}

float SoundtrackMeter::level() {
    if (!source) return 0.0f;
    if (levelFrame == frame) return levelValue;
    int16_t samples[2 * kLevelFrames];
    source->readSoundtrack(frame - kLevelFrames, kLevelFrames, samples);
    double sum = 0.0;
    for (int i = 0; i < kLevelFrames; ++i) {
        const double m = monoSample(samples + 2 * i);
        sum += m * m;
    }
    levelValue = std::min(1.0f, static_cast<float>(std::sqrt(sum / kLevelFrames)));
    levelFrame = frame;
    return levelValue;
}

float SoundtrackMeter::band(int index) {
    if (index < 0 || index >= kBandCount || !source || !plan) return 0.0f;
    if (spectrumFrame != frame) measureSpectrum();
    return bands[static_cast<size_t>(index)];
}

void SoundtrackMeter::measureSpectrum() {
    constexpr int n = kSpectrumFrames;
    source->readSoundtrack(frame - n / 2, n, stereo.data());
    for (int i = 0; i < n; ++i) input[i] = monoSample(stereo.data() + 2 * i) * window[static_cast<size_t>(i)];
    fftwf_execute(static_cast<fftwf_plan>(plan));
    const auto* bins = static_cast<const fftwf_complex*>(output);
    for (int b = 0; b < kBandCount; ++b) {
        double power = 0.0;
        for (int k = firstBin[b]; k < lastBin[b]; ++k) power += bins[k][0] * bins[k][0] + bins[k][1] * bins[k][1];
        bands[static_cast<size_t>(b)] = std::min(1.0f, std::sqrt(static_cast<float>(power) * windowScale));
    }
    spectrumFrame = frame;
    ++computed;
}
