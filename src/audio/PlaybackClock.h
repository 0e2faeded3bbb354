// The position a listener hears, in sample frames: an anchor run on by a
// high-resolution time and steered slowly toward what the output has consumed.
// Plain arithmetic: times are passed in, so it runs without an audio device.
#pragma once
#include <array>
#include <cstdint>

class PlaybackClock {
public:
    // `wallClock`: the output only pretends to play (SDL's dummy driver, whose
    // refills are paced by millisecond sleeps and drift); the heard position then
    // runs with the time alone. Otherwise the refills steer it: audio handed out
    // is heard `latencyFrames` later, the audio queued ahead of the speaker.
    void configure(double rate, bool wallClock, int64_t latencyFrames);

    // Playback runs from `frame` (play, resume): the position stands there until
    // the output has played what it had queued before this audio.
    void start(int64_t frame, double now);
    // A jump while playing: the position is `frame` at `now` and runs on at once;
    // the next refill skips ahead so the audio meets it (see `refillFrom`).
    void seek(int64_t frame, double now);
    // Playback stands at `frame` (pause, stop, seek while not playing).
    void hold(int64_t frame);

    // The frame a refill at `now` starts from, given the next one in order:
    // after a seek, the frame that will be heard when this refill reaches the speaker.
    int64_t refillFrom(int64_t next, double now);
    // The output took `count` frames starting at `first` at time `now`. An
    // output that knows how much of what it took before is still unheard says
    // so in `queued`; -1 stands for the latency given to `configure`.
    void refill(int64_t first, int64_t count, double now, int64_t queued = -1);
    // The frame being heard at `now`; never less than a value it returned
    // before, since the last start, seek or hold.
    int64_t heard(double now);

    bool isRunning() const { return running; }

private:
    double position(double now) const;
    void rebase(double now);
    // Takes out `error` frames: at once beyond `step`, else by steering the
    // speed, learning the output's rate from it when `learn`.
    void steer(double error, double step, double now, double steerSeconds, bool learn);

    double rate = 44100.0;
    bool wallClock = true;
    int64_t configuredLatency = 0;
    int64_t latency = 0;  // frames ahead of the speaker at the last refill
    bool running = false;
    int64_t startFrame = 0;    // where the current run began; the position never shows less
    double startTime = 0.0;
    bool anchored = false;     // the position runs (after a seek, or the first refill of a run)
    bool skipPending = false;  // a seek the output has not caught up with yet
    double skipAhead = -1.0;   // audio queued at that seek, in frames; < 0 unknown
    bool handedKnown = false;  // a refill since the last start or seek
    int64_t handedEnd = 0;     // one past the last frame handed out
    int64_t handedCount = 0;
    double anchorFrame = 0.0;  // position at anchorTime
    double anchorTime = 0.0;
    double speed = 1.0;        // frames per nominal frame of time, steered within a small band
    double drift = 0.0;        // the part of speed - 1 learnt over many refills: the output's own rate
    double steeredAt = 0.0;    // time of the last steering refill
    int64_t floorFrame = 0;    // the last value returned

    // Refills whose thread woke up late see less audio queued than there is, so
    // only the largest error of the recent ones (the timely refill) steers.
    struct Sample {
        double time;
        double frame;  // heard then, as the refill tells it
    };
    std::array<Sample, 64> recent{};
    double recentSince = 0.0;  // steering waits until the refills seen span the window
    int recentCount = 0;
    int recentNext = 0;
    void forgetRecent() { recentCount = recentNext = 0; }
};
