#include "core/Random.h"

namespace {
uint32_t state = 0;
}

void engineSrand(uint32_t seed) { state = seed; }

int engineRand() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fffu);
}
