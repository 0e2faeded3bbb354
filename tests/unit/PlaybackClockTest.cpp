// The heard-position arithmetic, driven with made-up refill times: latency,
// smoothness between refills, never running ahead of the output, monotony.
#include "audio/PlaybackClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {
constexpr double kRate = 44100.0;
constexpr int64_t kBuffer = 705;  // 16 ms refills
} // namespace

TEST(PlaybackClock, DeviceClockWaitsForTheLatencyThenRunsBetweenRefills) {
    PlaybackClock clock;
    clock.configure(kRate, false, kBuffer);
    clock.start(1000, 10.0);
    EXPECT_EQ(clock.heard(10.005), 1000);  // nothing handed to the output yet
    clock.refill(1000, kBuffer, 10.0);
    EXPECT_EQ(clock.heard(10.010), 1000);  // the first buffer is still queued behind the latency
    clock.refill(1000 + kBuffer, kBuffer, 10.016);
    EXPECT_EQ(clock.heard(10.016), 1000);
    EXPECT_EQ(clock.heard(10.024), 1000 + static_cast<int64_t>(std::floor(0.008 * kRate)));
    // A late refill never lets the position run past what the output was given.
    EXPECT_EQ(clock.heard(10.5), 1000 + kBuffer);
    clock.start(500, 10.5);  // a seek backwards while playing lands exactly
    EXPECT_EQ(clock.heard(10.501), 500);
    clock.hold(123);
    EXPECT_EQ(clock.heard(99.0), 123);
}

TEST(PlaybackClock, UnevenRefillsGiveASmoothMonotonePosition) {
    PlaybackClock clock;
    clock.configure(kRate, false, kBuffer);
    const double period = static_cast<double>(kBuffer) / kRate;
    clock.start(0, 0.0);
    // The output consumes at exactly the rate; its thread wakes up to 3 ms late.
    double jitter[7] = {0.0, 0.003, 0.0005, 0.002, 0.0, 0.0025, 0.001};
    int64_t previous = 0;
    double worst = 0.0;
    double nextPoll = 0.0;
    for (int k = 0; k < 600; ++k) {
        const double refillTime = k * period + jitter[k % 7];
        while (nextPoll < refillTime) {
            const int64_t heard = clock.heard(nextPoll);
            ASSERT_GE(heard, previous) << "went backwards at " << nextPoll;
            previous = heard;
            // Audio handed out at refill k is heard one buffer later.
            if (nextPoll > 0.1) worst = std::fmax(worst, std::fabs(heard / kRate - (nextPoll - period)));
            nextPoll += 1.0 / 60.0;
        }
        clock.refill(k * kBuffer, kBuffer, refillTime);
    }
    EXPECT_LT(worst, 0.004);  // within the refill jitter, not a whole buffer
}

TEST(PlaybackClock, WallClockRunsWithTheTimeGiven) {
    PlaybackClock clock;
    clock.configure(kRate, true, 0);
    clock.start(44100, 5.0);
    clock.refill(0, kBuffer, 5.0);  // the silent output's refills do not steer it
    EXPECT_EQ(clock.heard(5.0), 44100);
    EXPECT_EQ(clock.heard(6.5), 44100 + 66150);
    EXPECT_EQ(clock.heard(6.0), 44100 + 66150);  // an earlier time never moves it back
}
