// The heard-position clock against a made-up output with its own crystal, a queue one buffer
// deep, a refill thread that wakes up late, and stalls; the frame at the speaker is the truth.
#include "audio/PlaybackClock.h"

#include "TestSupport.h"

#include <algorithm>
#include <cstdint>

namespace {
constexpr double kRate = 44100.0;
constexpr int64_t kBuffer = 2822;  // 64 ms: the refill size and the queue ahead of the speaker

// Plays a queue at `kRate * (1 + ppm / 1e6)` of the clock's time; whenever one
// buffer is left it asks for the next, `late[k % size]` seconds late. The queue
// starts with one buffer of silence; running dry, it waits for the next refill
// unless it `dropsLate`.
struct FakeOutput {
    PlaybackClock clock;
    double deviceRate;
    std::vector<double> late;
    double origin = 0.0;      // time the device would have played queue index 0
    int64_t queued = kBuffer;  // queue length handed out so far
    int64_t next = 0;          // next stream frame in order
    int refills = 0;
    bool dropsLate = false;  // PulseAudio: run dry, the speaker runs on and drops the late audio's start
    bool tells = false;      // says at each refill how much it holds unheard, as PulseAudio does
    int64_t deeper = 0;      // frames it keeps queued beyond one buffer (PulseAudio grows this under load)
    struct Segment {
        int64_t index;  // queue index
        int64_t frame;  // stream frame played there
    };
    std::vector<Segment> segments;

    FakeOutput(double ppm, std::vector<double> lateness) : deviceRate(kRate * (1.0 + ppm * 1e-6)), late(lateness) {
        clock.configure(kRate, false, kBuffer);
    }
    double nextRefill() const {
        return origin + static_cast<double>(queued - kBuffer - deeper) / deviceRate + late[refills % late.size()];
    }
    void refill(double t) {
        const double played = (t - origin) * deviceRate;
        if (played > static_cast<double>(queued) && !dropsLate) origin = t - static_cast<double>(queued) / deviceRate;
        const int64_t first = clock.refillFrom(next, t);
        segments.push_back({queued, first});
        clock.refill(first, kBuffer, t, tells ? queued - static_cast<int64_t>(std::max(played, 0.0)) : -1);
        next = first + kBuffer;
        queued += kBuffer;
        ++refills;
    }
    // The stream frame at the speaker (-1: silence queued before any audio).
    double truth(double t) const {
        const double index = (t - origin) * deviceRate;
        double frame = -1.0;
        for (const Segment& s : segments)
            if (static_cast<double>(s.index) <= index) frame = static_cast<double>(s.frame) + index - static_cast<double>(s.index);
        return frame;
    }
    // Runs to `until`, polling at 60 Hz from `from`; refills happen between polls in time order.
    template <typename Poll>
    void run(double from, double until, Poll&& poll) {
        for (int k = 0; from + k / 60.0 <= until; ++k) {
            const double t = from + k / 60.0;
            while (nextRefill() <= t) refill(nextRefill());
            poll(t);
        }
    }
};

const std::vector<double> kPunctual = {0.0};
// A loaded machine: most refills a little late, one in seven by 20 ms.
const std::vector<double> kLoaded = {0.001, 0.003, 0.0005, 0.002, 0.0, 0.020, 0.004};
} // namespace

// Crystals off by 400 ppm, late refills, and at 5 s one disturbance: a refill `stall` seconds late so
// that the output runs dry, or a speaker that leaps `skip` seconds ahead. By 30 s the clock is back on the speaker.
TEST(PlaybackClock, FollowsTheOutputsCrystalSmoothlyWhateverItsRefillsDoAndRejoinsAfterAStall) {
    const struct { const char* name; double ppm; std::vector<double> late; double stall; bool dropsLate; double skip; }
    cases[] = {{"exact, loaded", 0.0, kLoaded, 0.0, false, 0.0},
                 {"fast crystal, loaded", 400.0, kLoaded, 0.0, false, 0.0},
                 {"slow crystal, loaded", -400.0, kLoaded, 0.0, false, 0.0},
                 {"waits, 136 ms behind", 0.0, kPunctual, 0.2, false, 0.0},
                 {"drops the late audio, on time", 0.0, kPunctual, 0.08, true, 0.0},
                 {"skips 15 ms", 0.0, kPunctual, 0.0, false, 0.015}};
    for (const auto& c : cases) {
        FakeOutput out(c.ppm, c.late);
        out.dropsLate = c.dropsLate;
        out.clock.start(0, 0.0);
        int64_t previous = 0;
        double lastTime = 0.0, worstError = 0.0, worstStep = 0.0;
        auto poll = [&](double t) {
            const int64_t heard = out.clock.heard(t);
            ASSERT_GE(heard, previous) << c.name << " went back at " << t;
            if (t > 30.0) {
                worstError = std::fmax(worstError, std::fabs(static_cast<double>(heard) - out.truth(t)));
                worstStep = std::fmax(worstStep, std::fabs(static_cast<double>(heard - previous) - (t - lastTime) * kRate));
            }
            previous = heard;
            lastTime = t;
        };
        out.run(0.0, 5.0, poll);
        double at = 5.0 + 1.0 / 60.0;
        if (c.stall > 0.0 || c.skip > 0.0) {
            at = out.nextRefill() + c.stall - c.skip;
            out.origin -= c.skip;
            do out.refill(at);  // dropping, it asks until its queue is full again
            while (static_cast<double>(out.queued) - (at - out.origin) * out.deviceRate < kBuffer);
            previous = out.clock.heard(at);
        }
        out.run(at, 60.0, poll);
        EXPECT_LT(worstError / kRate, 0.0005) << c.name;
        EXPECT_LT(worstStep / kRate, 0.00005) << c.name;  // frame to frame, against the time that passed
    }
}

TEST(PlaybackClock, PlayWaitsForTheAudioASeekRunsAtOnceAndTheAudioMeetsIt) {
    FakeOutput out(0.0, kLoaded);
    out.next = 44100;
    out.clock.start(44100, 0.0);
    // Play: the queued silence is heard first, and the position stands until the music is.
    out.run(0.0, 0.06, [&](double t) { EXPECT_EQ(out.clock.heard(t), 44100) << t; });
    out.run(0.1, 5.0, [&](double t) { EXPECT_NEAR(out.clock.heard(t), out.truth(t), 0.0015 * kRate) << t; });
    for (const int64_t target : {441000, 88200}) {  // forward, then back
        const double at = out.nextRefill() - 0.01;  // between refills, as a frame would
        out.clock.seek(target, at);
        out.next = target;
        EXPECT_EQ(out.clock.heard(at), target);
        EXPECT_NEAR(out.clock.heard(at + 0.005), target + 0.005 * kRate, 1.0);  // no refill yet: it runs
        int64_t previous = target;
        out.run(at + 1.0 / 60.0, at + 5.0, [&](double t) {
            const int64_t heard = out.clock.heard(t);
            ASSERT_GE(heard, previous) << t;
            previous = heard;
            EXPECT_NEAR(heard, target + (t - at) * kRate, 0.001 * kRate) << target << " at " << t;
            // Once the queue ahead of the seek has played, the speaker has the same frame.
            if (t > at + kBuffer / kRate + 0.02) {
                EXPECT_NEAR(heard, out.truth(t), 0.001 * kRate) << t;
            }
        });
    }
    out.clock.hold(1000);
    EXPECT_EQ(out.clock.heard(99.0), 1000);
}

// An output that tells its queue is followed wherever the queue stands: one that
// deepens it by 30 ms under load (the clock assuming one buffer would run 30 ms
// early), and one that stalls for 20 ms, less than a buffer, which is past the
// lip-sync limit and so taken at once, not steered out over seconds.
TEST(PlaybackClock, FollowsTheQueueTheOutputTellsAsItDeepensOrStalls) {
    for (const bool stalls : {false, true}) {
        FakeOutput out(400.0, kLoaded);
        out.tells = true;
        out.clock.start(0, 0.0);
        out.run(0.0, 5.0, [](double) {});
        if (stalls) out.origin += 0.02;
        else out.deeper = static_cast<int64_t>(0.03 * kRate);
        int64_t previous = out.clock.heard(5.0);
        out.run(5.0 + 1.0 / 60.0, 20.0, [&](double t) {
            const int64_t heard = out.clock.heard(t);
            ASSERT_GE(heard, previous) << t;
            previous = heard;
            if (t > 5.5) {
                EXPECT_NEAR(heard, out.truth(t), 0.0005 * kRate) << (stalls ? "stalls" : "deepens") << " at " << t;
            }
        });
    }
}
