// The position a listener hears, in sample frames, worked out from the output's
// refills and a high-resolution time. Plain arithmetic: times are passed in, so
// it can be driven and checked without an audio device.
#pragma once
#include <cstdint>

class PlaybackClock {
public:
    // `wallClock`: the output only pretends to play (SDL's dummy driver, whose
    // refills are paced by millisecond sleeps and drift); the heard position then
    // runs with the time given to `heard`. Otherwise it follows the refills, held
    // back by `latencyFrames`, the audio queued ahead of the speaker.
    void configure(double rate, bool wallClock, int64_t latencyFrames);

    // Playback runs from `frame` from time `now` (play, resume, seek while playing).
    void start(int64_t frame, double now);
    // Playback stands at `frame` (pause, stop, seek while not playing).
    void hold(int64_t frame);
    // The output took `count` frames starting at `first` at time `now`.
    void refill(int64_t first, int64_t count, double now);
    // The frame being heard at `now`; never less than a value it returned
    // before, since the last start or hold.
    int64_t heard(double now);

    bool isRunning() const { return running; }

private:
    double rate = 44100.0;
    bool wallClock = true;
    int64_t latency = 0;
    bool running = false;
    int64_t startFrame = 0;  // where the current run began
    double startTime = 0.0;
    bool anchored = false;   // a refill has been seen in this run
    double anchorFrame = 0.0;  // heard position at anchorTime
    double anchorTime = 0.0;
    double limitFrame = 0.0;   // the last frame handed to the output, less the latency
    int64_t floorFrame = 0;    // the last value returned
};
