// The engine's one random sequence: the classic 15-bit linear congruential
// rule, so every machine builds the same needles, flocks, spectra and
// particles whatever its C library's rand() does. One state for the engine,
// seeded where the scene starts (engineSrand(0)). Main thread only.
#pragma once
#include <cstdint>

constexpr int kEngineRandMax = 32767;

void engineSrand(uint32_t seed);
// An integer in [0, 32767]: state = state * 214013 + 2531011 (mod 2^32),
// value = (state >> 16) & 0x7fff.
int engineRand();
