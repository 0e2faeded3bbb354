// Between refills the heard position runs at the nominal rate from the last
// anchor, but never past what the output has been given; each refill pulls the
// anchor gently toward what the refill says, so uneven refills do not jitter it.
#include "audio/PlaybackClock.h"

#include <algorithm>
#include <cmath>

namespace {
// Share of the difference between prediction and refill taken at each refill.
constexpr double kCorrection = 0.1;
} // namespace

void PlaybackClock::configure(double sampleRate, bool wallClockOnly, int64_t latencyFrames) {
    rate = sampleRate;
    wallClock = wallClockOnly;
    latency = std::max<int64_t>(0, latencyFrames);
}

void PlaybackClock::start(int64_t frame, double now) {
    running = true;
    startFrame = frame;
    startTime = now;
    anchored = false;
    anchorFrame = static_cast<double>(frame);
    anchorTime = now;
    limitFrame = static_cast<double>(frame);
    floorFrame = frame;
}

void PlaybackClock::hold(int64_t frame) {
    running = false;
    startFrame = frame;
    floorFrame = frame;
}

void PlaybackClock::refill(int64_t first, int64_t count, double now) {
    if (!running || wallClock) return;
    // What is playing now was handed out `latency` frames before `first`; never
    // before the start of this run, which the output has not had earlier.
    double measured = std::max(static_cast<double>(first - latency), static_cast<double>(startFrame));
    double predicted = std::min(anchorFrame + (now - anchorTime) * rate, limitFrame);
    // The first refill of a run, or a gap of more than a refill (the output
    // stalled), resets the estimate; otherwise it is steered, not jumped.
    if (!anchored || std::fabs(measured - predicted) > static_cast<double>(std::max<int64_t>(count, 1)))
        anchorFrame = measured;
    else
        anchorFrame = predicted + kCorrection * (measured - predicted);
    anchored = true;
    anchorTime = now;
    limitFrame = std::max(static_cast<double>(startFrame), static_cast<double>(first + count - latency));
}

int64_t PlaybackClock::heard(double now) {
    if (!running) return floorFrame;
    double position;
    if (wallClock) {
        position = static_cast<double>(startFrame) + std::max(0.0, now - startTime) * rate;
    } else {
        position = anchorFrame + std::max(0.0, now - anchorTime) * rate;
        position = std::min(position, limitFrame);
    }
    int64_t frame = static_cast<int64_t>(std::floor(position));
    floorFrame = std::max(floorFrame, frame);
    return floorFrame;
}
