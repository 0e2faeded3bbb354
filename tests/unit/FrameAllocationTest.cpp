// Work done every fixed step or frame allocates nothing once built: counted
// with this test binary's own operator new, on the calling thread only.
#include "core/Random.h"
#include "objects/Flock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

// Every plain form is replaced, all on malloc and free, so that a sanitizer's
// own forms never meet these (it would report new against free).
namespace {
thread_local bool counting = false;
thread_local long allocations = 0;

void* allocate(std::size_t size) noexcept {
    if (counting) ++allocations;
    return std::malloc(size ? size : 1);
}
void* allocateOrThrow(std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

TEST(FrameAllocation, AFlockStepAllocatesNothing) {
    engineSrand(0);
    Flock flock;
    flock.init(200);
    for (Boid& b : flock.boids) b.position *= 0.05f;  // packed close: every boid sees many neighbours
    allocations = 0;
    counting = true;
    for (int i = 0; i < 60; ++i) flock.update(1.0f / 60.0f);
    counting = false;
    EXPECT_EQ(allocations, 0);
}
