// Layer I in brief: a frame is 12 samples in each of 32 subbands (384 output
// samples). A subband holding a constant value plays a tone at the middle of its
// band, so a click is a decaying constant in one low subband; the decoder's
// synthesis filter shapes its edges. Silence is a subband with no bits at all.
#include "audio/ClickTrack.h"

#include <algorithm>
#include <cmath>

namespace ClickTrack {

namespace {
constexpr int kSubbands = 32;
constexpr int kSamplesPerSubband = 12;
constexpr int kBitrate = 64000;
constexpr int kBitrateIndex = 2;  // 64 kbit/s in the Layer I table
constexpr int kBits = 12;         // bits per subband sample of a click (allocation code kBits - 1)
// The synthesis filter spreads a subband sample over 512 output samples centred
// about 240 after its slot; a click's tone grows loud (a tenth of its peak)
// about 190 samples after its first slot, so it is written that much early to be
// heard starting on its beat.
constexpr int kSynthesisDelay = 190;
constexpr double kAmplitude = 0.5;     // of full scale
constexpr double kDecaySeconds = 0.012;  // the tone falls by e in this time
constexpr double kClickSeconds = 0.06;
constexpr int kBeatSubband = 1;  // about 1.03 kHz
constexpr int kBarSubband = 3;   // about 2.41 kHz: the first beat of a bar

struct BitWriter {
    std::vector<uint8_t>& out;
    int free = 0;  // bits left in the last byte
    void put(uint32_t value, int bits) {
        for (int b = bits - 1; b >= 0; --b) {
            if (free == 0) {
                out.push_back(0);
                free = 8;
            }
            --free;
            if ((value >> b) & 1u) out.back() |= static_cast<uint8_t>(1u << free);
        }
    }
};

// The scale factor table's index whose factor (2 * 2^(-i/3)) is the smallest at or above `peak`.
int scaleIndex(double peak) {
    int index = 0;
    while (index < 62 && 2.0 * std::pow(2.0, -(index + 1) / 3.0) >= peak) ++index;
    return index;
}

// The code of `x` (-1..1 of the scale factor) with 2^bits - 1 levels; all ones is never written.
uint32_t quantise(double x, int bits) {
    const double levels = std::ldexp(1.0, bits) - 1.0;
    const double code = std::floor((x * levels + levels - 1.0) / 2.0 + 0.5);
    return static_cast<uint32_t>(std::clamp(code, 0.0, levels - 1.0));
}
} // namespace

std::vector<uint8_t> write(double bpm, double seconds, int beatsPerBar) {
    const long frames = std::max(1L, static_cast<long>(std::ceil(seconds * kSampleRate / kFrameSamples - 1e-9)));
    const long slots = frames * kSamplesPerSubband;  // subband samples in the file

    // The subband signals, one value per 32 output samples.
    std::vector<double> band[kSubbands];
    for (int sb : {kBeatSubband, kBarSubband}) band[sb].assign(static_cast<size_t>(slots), 0.0);
    const double beatSeconds = 60.0 / bpm;
    const long clickSlots = static_cast<long>(kClickSeconds * kSampleRate / kSubbands);
    for (long beat = 0; beat * beatSeconds < seconds; ++beat) {
        std::vector<double>& into = band[beat % std::max(beatsPerBar, 1) == 0 ? kBarSubband : kBeatSubband];
        const double start = beat * beatSeconds * kSampleRate - kSynthesisDelay;
        for (long slot = std::max(0L, static_cast<long>(std::ceil(start / kSubbands)));
             slot < slots && slot * kSubbands < start + clickSlots * kSubbands; ++slot) {
            // The first beat cannot start early: its click starts whole at 0.
            const double t = (slot * kSubbands - std::max(start, 0.0)) / kSampleRate;
            into[static_cast<size_t>(slot)] = kAmplitude * std::exp(-t / kDecaySeconds);
        }
    }

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(frames) * 72);
    // Bytes per frame, 17.4 four-byte slots at 64 kbit/s: the padding bit adds a
    // slot to some frames so that the file keeps the exact bit rate.
    const long slotsPerSecondNumerator = 12L * kBitrate;
    for (long f = 0; f < frames; ++f) {
        const bool padded = (f + 1) * slotsPerSecondNumerator / kSampleRate - f * slotsPerSecondNumerator / kSampleRate >
                            slotsPerSecondNumerator / kSampleRate;
        const size_t frameStart = out.size();
        const size_t frameBytes = static_cast<size_t>(slotsPerSecondNumerator / kSampleRate + (padded ? 1 : 0)) * 4;
        BitWriter bits{out};
        // Sync, MPEG-1, Layer I, no CRC; bit rate, 44.1 kHz, padding; mono.
        bits.put(0xFFF, 12);
        bits.put(1, 1);
        bits.put(3, 2);
        bits.put(1, 1);
        bits.put(kBitrateIndex, 4);
        bits.put(0, 2);
        bits.put(padded ? 1 : 0, 1);
        bits.put(0, 1);
        bits.put(3, 2);
        bits.put(0, 2);
        bits.put(0, 4);

        const long first = f * kSamplesPerSubband;
        int scale[kSubbands] = {};
        bool used[kSubbands] = {};
        for (int sb = 0; sb < kSubbands; ++sb) {
            double peak = 0.0;
            if (!band[sb].empty())
                for (int s = 0; s < kSamplesPerSubband; ++s) peak = std::max(peak, std::fabs(band[sb][first + s]));
            used[sb] = peak > 1e-6;
            if (used[sb]) scale[sb] = scaleIndex(peak);
            bits.put(used[sb] ? kBits - 1 : 0, 4);
        }
        for (int sb = 0; sb < kSubbands; ++sb)
            if (used[sb]) bits.put(static_cast<uint32_t>(scale[sb]), 6);
        for (int s = 0; s < kSamplesPerSubband; ++s)
            for (int sb = 0; sb < kSubbands; ++sb)
                if (used[sb]) {
                    const double factor = 2.0 * std::pow(2.0, -scale[sb] / 3.0);
                    bits.put(quantise(band[sb][first + s] / factor, kBits), kBits);
                }
        out.resize(frameStart + frameBytes, 0);  // the rest of the frame is empty ancillary data
    }
    return out;
}

} // namespace ClickTrack
