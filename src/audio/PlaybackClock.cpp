// Between refills the position runs with the time given to `heard`, at a speed
// within 1% of nominal; each refill compares what the output has consumed with
// the position and nudges the speed, so timing noise never reaches the picture.
#include "audio/PlaybackClock.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// How far back refills count. A refill that woke up on time is the truest one;
// on a loaded machine (PulseAudio at a load of 10 on two cores) whole seconds
// pass without one.
constexpr double kWindowSeconds = 2.0;
// A stall shows sooner: every refill of this long falls a buffer or more behind.
constexpr double kStallSeconds = 0.5;
// An error of E frames sets the speed to 1 + E / (rate * kSteerSeconds): slow
// enough that steering is invisible, quick enough to follow a sound card's crystal.
constexpr double kSteerSeconds = 4.0;
// An output that tells its queue is right whenever its refill runs, so each
// refill may steer, and sooner: a small stall of the output is followed
// within about a second instead of four. Its word needs nothing learnt (a
// crystal 100 ppm off leaves 0.1 ms), and learning from it would turn the
// stalls a busy machine brings into a wrong rate. An error past the lip-sync
// limit is not steered out over seconds but taken at once.
constexpr double kToldSteerSeconds = 1.0;
constexpr double kToldStepSeconds = 0.005;
// An error that persists is the output's crystal differing from the counter's:
// it is learnt with this time constant, so the position follows without a lag.
// Only small errors teach it: a larger one is a step (the output ran dry or
// leapt, as PulseAudio does under load), which steering alone takes out.
constexpr double kLearnSeconds = 4.0 * kSteerSeconds;
constexpr double kLearnBandSeconds = 0.002;
// The most the speed leaves nominal: 10 ms of music per second, unnoticeable;
// of that, crystals differ by a tenth of a percent at most.
constexpr double kMaxSlew = 0.01;
constexpr double kMaxDrift = 0.001;
} // namespace

void PlaybackClock::configure(double sampleRate, bool wallClockOnly, int64_t latencyFrames) {
    rate = sampleRate;
    wallClock = wallClockOnly;
    configuredLatency = latency = std::max<int64_t>(0, latencyFrames);
    speed = 1.0;
    drift = 0.0;
}

void PlaybackClock::start(int64_t frame, double now) {
    running = true;
    startFrame = frame;
    startTime = now;
    anchored = false;
    skipPending = false;
    handedKnown = false;
    floorFrame = frame;
    steeredAt = now;
    forgetRecent();
}

void PlaybackClock::seek(int64_t frame, double now) {
    // What the output holds beyond the position plays out before the new audio,
    // whenever the next refill comes.
    double ahead = -1.0;
    if (running && anchored && handedKnown)
        ahead = std::clamp(static_cast<double>(handedEnd) - position(now), 0.0, static_cast<double>(latency + handedCount));
    start(frame, now);
    anchored = true;
    skipPending = !wallClock;
    skipAhead = ahead;
    anchorFrame = static_cast<double>(frame);
    anchorTime = now;
}

void PlaybackClock::hold(int64_t frame) {
    running = false;
    skipPending = false;
    startFrame = frame;
    floorFrame = frame;
}

double PlaybackClock::position(double now) const {
    return anchorFrame + (now - anchorTime) * rate * speed;
}

void PlaybackClock::rebase(double now) {
    anchorFrame = position(now);
    anchorTime = now;
}

int64_t PlaybackClock::refillFrom(int64_t next, double now) {
    if (!running || !skipPending) return next;
    skipPending = false;
    // Audio queued before the seek plays first; what follows it starts where the position will then be.
    const double from = skipAhead >= 0.0 ? static_cast<double>(startFrame) + skipAhead
                                          : position(now) + static_cast<double>(latency);
    return std::max(next, static_cast<int64_t>(std::llround(from)));
}

void PlaybackClock::refill(int64_t first, int64_t count, double now, int64_t queued) {
    if (!running || wallClock) return;
    const bool told = queued >= 0;
    latency = told ? queued : configuredLatency;
    // What is being heard now was handed out `latency` frames before `first`.
    const double measured = static_cast<double>(first - latency);
    if (!anchored) {
        anchored = true;
        anchorFrame = measured;
        anchorTime = now;
    }
    rebase(now);
    handedKnown = true;
    handedEnd = first + count;
    handedCount = count;
    if (told) {
        steer(measured - anchorFrame, kToldStepSeconds * rate, now, kToldSteerSeconds, false);
        return;
    }
    if (recentCount == 0) recentSince = now;
    recent[static_cast<size_t>(recentNext)] = {now, measured};
    recentNext = (recentNext + 1) % static_cast<int>(recent.size());
    recentCount = std::min(recentCount + 1, static_cast<int>(recent.size()));

    double error = -std::numeric_limits<double>::infinity();
    double lately = error;
    for (int i = 0; i < recentCount; ++i) {
        const Sample& s = recent[static_cast<size_t>(i)];
        if (s.time >= now - kWindowSeconds) error = std::max(error, s.frame - position(s.time));
        if (s.time >= now - kStallSeconds) lately = std::max(lately, s.frame - position(s.time));
    }
    const double step = static_cast<double>(std::max(latency, count));
    if (now - recentSince >= kStallSeconds && lately < -step) error = lately;
    if (std::fabs(error) <= step && now - recentSince < kWindowSeconds) {
        steeredAt = now;
        return;
    }
    steer(error, step, now, kSteerSeconds, true);
}

void PlaybackClock::steer(double error, double step, double now, double steerSeconds, bool learn) {
    // The output stalled or skipped: take the difference at once (the position
    // then stands still until the audio catches up, never steps back).
    if (std::fabs(error) > step) {
        anchorFrame += error;
        forgetRecent();
        return;
    }
    const double correction = error / (rate * steerSeconds);
    if (learn && std::fabs(error) < kLearnBandSeconds * rate)
        drift = std::clamp(drift + correction * (now - steeredAt) / kLearnSeconds, -kMaxDrift, kMaxDrift);
    steeredAt = now;
    speed = 1.0 + std::clamp(drift + correction, -kMaxSlew, kMaxSlew);
}

int64_t PlaybackClock::heard(double now) {
    if (!running) return floorFrame;
    double frame = static_cast<double>(startFrame);
    if (wallClock) frame += std::max(0.0, now - startTime) * rate;
    else if (anchored) frame = std::max(frame, position(now));
    floorFrame = std::max(floorFrame, static_cast<int64_t>(std::floor(frame)));
    return floorFrame;
}
