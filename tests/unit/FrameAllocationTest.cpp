// Work done every fixed step or frame allocates nothing once built: counted
// with this test binary's own operator new, on the calling thread only.
#include "core/Random.h"
#include "objects/Flock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;

// Allocations made by `work` on this thread.
template <typename Work>
long allocationsOf(Work&& work) {
    allocations = 0;
    counting = true;
    work();
    counting = false;
    return allocations;
}
} // namespace

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(FrameAllocation, AFlockStepAllocatesNothing) {
    engineSrand(0);
    Flock flock;
    flock.init(200);
    // Packed close together, so that every boid sees many neighbours.
    for (Boid& b : flock.boids) b.position *= 0.05f;
    EXPECT_EQ(allocationsOf([&] {
                  for (int i = 0; i < 60; ++i) flock.update(1.0f / 60.0f);
              }),
              0);
}
