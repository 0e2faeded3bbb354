// FFTW's wisdom (what FFTW_MEASURE learnt about the fastest transforms on this
// machine) kept in a file between runs: measuring the ocean's first transform
// size costs 0.15-0.35 s of start-up, importing the wisdom a few ms. FFTW's
// planner is not thread-safe: call these where the plans are made.
#pragma once
#include <string>

namespace FftWisdom {

extern const char* const kFileName;  // beside Log.txt (core/StateFolder.h)

// Adds the file's wisdom to FFTW's. False, with FFTW's wisdom unchanged, when
// the file is missing or is not wisdom FFTW reads: planning then measures anew.
bool load(const std::string& path);

// Writes FFTW's wisdom to `path` (a reader never sees half a file) unless the
// file already holds exactly that. False when it cannot be written.
bool save(const std::string& path);

} // namespace FftWisdom
