/* The reference for bench/audio_clock on PulseAudio: what the sink plays, and
 * when. Records the default sink's monitor in 16 ms blocks; after each, PulseAudio's own record latency says which recorded
 * frame the sink is playing now. Prints the sink's played position against
 * the wall clock (slope, drift over the run, largest fall) and, with --record,
 * keeps the recording (PREFIX.raw, 16-bit stereo at 44100 Hz) and one line per
 * block (PREFIX.times: wall time of CLOCK_MONOTONIC, as std::chrono::steady_clock,
 * and the recorded frame being played then), for bench/heard_position to find
 * the soundtrack in. Built and run by bench/audio_clock_pulse.sh.
 *   pulse_sink_clock SECONDS [--record PREFIX] */
#include <pulse/pulseaudio.h>

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

static pa_threaded_mainloop* loop;

static void wake(void) { pa_threaded_mainloop_signal(loop, 0); }
static void on_context(pa_context* c, void* u) { (void)c, (void)u, wake(); }
static void on_stream(pa_stream* s, void* u) { (void)s, (void)u, wake(); }
static void on_read(pa_stream* s, size_t bytes, void* u) { (void)s, (void)bytes, (void)u, wake(); }

int main(int argc, char** argv) {
    const double run = argc > 1 ? atof(argv[1]) : 60.0;
    FILE* raw = NULL;
    FILE* times = NULL;
    if (argc > 3 && strcmp(argv[2], "--record") == 0) {
        char path[4096];
        snprintf(path, sizeof path, "%s.raw", argv[3]);
        raw = fopen(path, "wb");
        snprintf(path, sizeof path, "%s.times", argv[3]);
        times = fopen(path, "w");
        if (!raw || !times) {
            fprintf(stderr, "pulse_sink_clock: cannot write %s.*\n", argv[3]);
            return 1;
        }
    }
    const pa_sample_spec format = {PA_SAMPLE_S16LE, 44100, 2};
    pa_buffer_attr attr;
    memset(&attr, 0xff, sizeof attr); /* server defaults, except: */
    attr.fragsize = (uint32_t)pa_usec_to_bytes(16000, &format);
    /* The full API rather than the simple one: a monitor's latency is often
     * negative (the sink renders ahead of playing), which pa_simple hides. */
    loop = pa_threaded_mainloop_new();
    pa_threaded_mainloop_start(loop);
    pa_threaded_mainloop_lock(loop);
    pa_context* context = pa_context_new(pa_threaded_mainloop_get_api(loop), "solvane-reference");
    pa_context_set_state_callback(context, on_context, NULL);
    pa_context_connect(context, NULL, PA_CONTEXT_NOAUTOSPAWN, NULL);
    while (pa_context_get_state(context) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        pa_threaded_mainloop_wait(loop);
    pa_stream* in = NULL;
    if (pa_context_get_state(context) == PA_CONTEXT_READY) {
        in = pa_stream_new(context, "reference", &format, NULL);
        pa_stream_set_state_callback(in, on_stream, NULL);
        pa_stream_set_read_callback(in, on_read, NULL);
        pa_stream_connect_record(in, "@DEFAULT_MONITOR@", &attr,
                                 PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        while (pa_stream_get_state(in) != PA_STREAM_READY && PA_STREAM_IS_GOOD(pa_stream_get_state(in)))
            pa_threaded_mainloop_wait(loop);
    }
    if (!in || pa_stream_get_state(in) != PA_STREAM_READY) {
        fprintf(stderr, "pulse_sink_clock: %s\n", pa_strerror(pa_context_errno(context)));
        return 1;
    }
    uint64_t recorded = 0;
    double start = 0.0, first = 0.0, previous = 0.0, largestFall = 0.0;
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    long n = 0;
    for (;;) {
        const void* data = NULL;
        size_t bytes = 0;
        while (pa_stream_readable_size(in) == 0) pa_threaded_mainloop_wait(loop);
        if (pa_stream_peek(in, &data, &bytes) < 0) {
            fprintf(stderr, "pulse_sink_clock: %s\n", pa_strerror(pa_context_errno(context)));
            return 1;
        }
        if (bytes == 0) continue;
        if (raw) {
            if (data) fwrite(data, bytes, 1, raw);
            else for (size_t i = 0; i < bytes; ++i) fputc(0, raw); /* a hole: silence */
        }
        recorded += bytes / 4;
        pa_stream_drop(in);
        /* What the sink plays now is still to be recorded, `latency` beyond the
         * last frame read; a negative latency: already recorded. */
        pa_usec_t latency = 0;
        int negative = 0;
        if (pa_stream_get_latency(in, &latency, &negative) < 0) continue;
        const double now = seconds_now();
        const double playing = (double)recorded + (negative ? -1.0 : 1.0) * (double)latency * 44100e-6;
        if (times) fprintf(times, "%.6f %.3f\n", now, playing);
        if (start == 0.0) start = now;
        const double t = now - start;
        const double lead = playing / 44100.0 - t; /* played - wall */
        if (t < 2.0) continue;                     /* the stream settling */
        if (n == 0) first = previous = lead;
        if (previous - lead > largestFall) largestFall = previous - lead;
        previous = lead;
        sx += t, sy += lead, sxx += t * t, sxy += t * lead;
        ++n;
        if (t > run) break;
    }
    pa_stream_disconnect(in);
    pa_stream_unref(in);
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    if (raw) fclose(raw);
    if (times) fclose(times);
    const double slope = ((double)n * sxy - sx * sy) / ((double)n * sxx - sx * sx);
    printf("sink reference: %ld samples, played - wall: slope %+.1f ppm (%+.2f ms over %.0f s), "
           "end - start %+.2f ms, largest fall %.2f ms\n",
           n, slope * 1e6, slope * (run - 2.0) * 1e3, run - 2.0, (previous - first) * 1e3, largestFall * 1e3);
    return 0;
}
