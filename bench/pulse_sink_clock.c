/* The reference for bench/audio_clock on PulseAudio: how closely the sink
 * itself keeps to the wall clock. Plays silence through libpulse-simple and,
 * after every 16 ms written, takes PulseAudio's own latency: written - latency
 * is what the sink has played. Prints that position against the wall clock:
 * its slope, its drift over the run and its largest fall, the figures the
 * engine's clock is measured by. Built and run by bench/audio_clock_pulse.sh.
 *   pulse_sink_clock SECONDS */
#include <pulse/error.h>
#include <pulse/simple.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double seconds_now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

int main(int argc, char** argv) {
    const double run = argc > 1 ? atof(argv[1]) : 60.0;
    const pa_sample_spec format = {PA_SAMPLE_S16LE, 44100, 2};
    pa_buffer_attr attr;
    memset(&attr, 0xff, sizeof attr); /* server defaults, except: */
    attr.tlength = (uint32_t)pa_usec_to_bytes(64000, &format); /* the engine's 64 ms buffer */
    attr.minreq = (uint32_t)pa_usec_to_bytes(16000, &format);
    int error = 0;
    pa_simple* out = pa_simple_new(NULL, "solvane-reference", PA_STREAM_PLAYBACK, NULL, "reference", &format, NULL,
                                   &attr, &error);
    if (!out) {
        fprintf(stderr, "pulse_sink_clock: %s\n", pa_strerror(error));
        return 1;
    }
    static int16_t silence[706 * 2]; /* 16 ms */
    uint64_t written = 0;
    double start = 0.0, first = 0.0, previous = 0.0, largestFall = 0.0;
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    long n = 0;
    for (;;) {
        if (pa_simple_write(out, silence, sizeof silence, &error) < 0) {
            fprintf(stderr, "pulse_sink_clock: %s\n", pa_strerror(error));
            return 1;
        }
        written += 706;
        const pa_usec_t latency = pa_simple_get_latency(out, &error);
        const double now = seconds_now();
        if (start == 0.0) start = now;
        const double t = now - start;
        const double lead = (double)written / 44100.0 - (double)latency * 1e-6 - t; /* played - wall */
        if (t < 2.0) continue;                                                 /* the stream settling */
        if (n == 0) first = previous = lead;
        if (previous - lead > largestFall) largestFall = previous - lead;
        previous = lead;
        sx += t, sy += lead, sxx += t * t, sxy += t * lead;
        ++n;
        if (t > run) break;
    }
    pa_simple_free(out);
    const double slope = ((double)n * sxy - sx * sy) / ((double)n * sxx - sx * sx);
    printf("sink reference: %ld samples, played - wall: slope %+.1f ppm (%+.2f ms over %.0f s), "
           "end - start %+.2f ms, largest fall %.2f ms\n",
           n, slope * 1e6, slope * (run - 2.0) * 1e3, run - 2.0, (previous - first) * 1e3, largestFall * 1e3);
    return 0;
}
