// A metronome soundtrack written without an encoder: MPEG-1 Layer I frames made
// directly in the subband domain, which libmpg123 (and any MPEG audio player)
// decodes. A starter show gets music that runs at its tempo at once, on a
// machine with no encoder installed. Relies on nothing but the standard library.
#pragma once
#include <cstdint>
#include <vector>

namespace ClickTrack {

inline constexpr long kSampleRate = 44100;
// Samples of one Layer I frame: the file's length is a whole number of them.
inline constexpr int kFrameSamples = 384;

// Mono 44.1 kHz MPEG-1 Layer I at 64 kbit/s, `seconds` long (rounded up to a
// whole frame, under 9 ms): a short tone starts on every beat at `bpm`, higher
// on the first beat of each bar of `beatsPerBar`. Silence between clicks.
std::vector<uint8_t> write(double bpm, double seconds, int beatsPerBar = 4);

} // namespace ClickTrack
