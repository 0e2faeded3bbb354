// The frame profiler's stage timers: nothing happens without a profiler, a
// stage entered again from inside itself counts once, and a finished frame is
// handed over and cleared.
#include "core/Profile.h"

#include "TestSupport.h"

namespace {
void busyFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
    }
}

struct Handed {
    int frames = 0;
    int64_t sync = 0;
    int64_t walk = 0;
};

void keep(const profile::StageTimes& times, void* context) {
    Handed& h = *static_cast<Handed*>(context);
    ++h.frames;
    h.sync = times.nanoseconds[profile::kSync];
    h.walk = times.nanoseconds[profile::kTreeWalk];
}
} // namespace

TEST(StageTimers, CountNestedStagesOnceAndHandEachFrameOverCleared) {
    profile::active = nullptr;
    {
        profile::Scope unprofiled(profile::kSync);  // must not touch anything
    }
    profile::endFrame();

    profile::StageTimes times;
    Handed handed;
    times.frameDone = keep;
    times.context = &handed;
    profile::active = &times;
    // Each stage must lie within a span measured around it: a double count of
    // the nested read, or the walk still counted after its early end, exceeds it.
    int64_t readSpans = 0;
    int64_t walkSpan = 0;
    {
        const int64_t walkStart = profile::nowNanoseconds();
        profile::Scope walk(profile::kTreeWalk);
        for (int i = 0; i < 2; ++i) {
            const int64_t readStart = profile::nowNanoseconds();
            {
                profile::Scope outer(profile::kSync);
                profile::Scope inner(profile::kSync);  // a getBool calling getFloat
                busyFor(std::chrono::milliseconds(20));
            }
            readSpans += profile::nowNanoseconds() - readStart;
        }
        walk.end();
        walkSpan = profile::nowNanoseconds() - walkStart;
        busyFor(std::chrono::milliseconds(30));  // after the early end: not counted
    }
    profile::endFrame();
    EXPECT_EQ(handed.frames, 1);
    EXPECT_GE(handed.sync, 40'000'000);
    EXPECT_LE(handed.sync, readSpans);
    EXPECT_GE(handed.walk, handed.sync);
    EXPECT_LE(handed.walk, walkSpan);
    for (int64_t ns : times.nanoseconds) EXPECT_EQ(ns, 0);
    for (int depth : times.depth) EXPECT_EQ(depth, 0);
    profile::active = nullptr;
}
