// The soundtrack's loudness and spectrum at the play position, for scripts that
// move with the music. Measured on the decoded samples at the clock's position
// (IAudioDevice::readSoundtrack), never on what the output happens to play, so
// a capture and a real-time run read the same values at the same time, paused
// or after a seek. Each value is measured at most once per position.
#pragma once
#include "audio/IAudioDevice.h"

#include <array>
#include <cstdint>
#include <vector>

class SoundtrackMeter {
public:
    static constexpr int kBandCount = 32;
    static constexpr double kLowestHz = 40.0;    // the first band's lower edge
    static constexpr double kHighestHz = 16000.0;  // the last band's upper edge
    static constexpr int kLevelFrames = 735;     // 1/60 s at 44100 Hz
    // 93 ms: 10.8 Hz between bins, so that every band, even the 8 Hz wide
    // first one, holds a bin of its own (a window half as long left the lowest
    // bands sharing bins and reading the same values).
    static constexpr int kSpectrumFrames = 4096;

    SoundtrackMeter() = default;
    ~SoundtrackMeter();
    SoundtrackMeter(const SoundtrackMeter&) = delete;
    SoundtrackMeter& operator=(const SoundtrackMeter&) = delete;

    // Plans the transform (on the main thread: FFTW's planner is not thread-safe).
    // False, with one log line, when it cannot; the meter then reads 0 throughout.
    bool init();
    void shutdown();

    // Where the next reads measure: `seconds` into what `source` decoded. The
    // values measured at the same sample of the same source are kept.
    void moveTo(IAudioDevice* source, double seconds);

    // RMS of the mono mix over the 1/60 s before the position, 1 = full scale.
    float level();
    // Band `index` (0-based) of kBandCount, spaced evenly in log frequency from
    // kLowestHz to kHighestHz: the amplitude of what sounds in that band over a
    // Hann window centred on the position, as a fraction of full scale (a
    // full-scale sine wave in the band reads 1), clamped to 0..1. 0 for an index out of range.
    float band(int index);

    // How many times the spectrum was computed (for tests of the once-per-position rule).
    long spectrumCount() const { return computed; }

private:
    void measureSpectrum();

    IAudioDevice* source = nullptr;
    int64_t frame = 0;  // the position, in samples
    static constexpr int64_t kNowhere = INT64_MIN;
    int64_t levelFrame = kNowhere;
    int64_t spectrumFrame = kNowhere;
    float levelValue = 0.0f;
    std::array<float, kBandCount> bands{};
    long computed = 0;

    // The transform and its buffers (FFTW's types stay out of this header).
    void* plan = nullptr;
    float* input = nullptr;
    void* output = nullptr;
    std::vector<float> window;
    float windowScale = 0.0f;
    std::vector<int16_t> stereo;
    // Bins [first, last) of each band; a band narrower than a bin reads the bin nearest its middle.
    std::array<int, kBandCount> firstBin{};
    std::array<int, kBandCount> lastBin{};
};
