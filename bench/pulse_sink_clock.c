/* The reference for bench/audio_clock on PulseAudio: where the sink itself is
 * in its playing. Plays silence through libpulse-simple and, after every 16 ms
 * written, takes PulseAudio's own latency: written - latency is what the sink
 * has played. Prints that position against the wall clock (its slope, its
 * drift over the run, its largest fall) and, with --trace, keeps one line per
 * sample: wall time (CLOCK_MONOTONIC, as std::chrono::steady_clock) and played
 * less wall, in seconds. With --compare it lays audio_clock's trace over such a
 * trace: the clock against the audio the sink has played, the main figure.
 * Built and run by bench/audio_clock_pulse.sh.
 *   pulse_sink_clock SECONDS [--trace FILE]
 *   pulse_sink_clock --compare SINK_TRACE CLOCK_TRACE */
#include <pulse/error.h>
#include <pulse/simple.h>

#include <math.h>
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

/* Samples of one trace: time and lead (a position less the wall clock). */
typedef struct {
    double* time;
    double* lead;
    long n;
} Trace;

/* Reads `columns` numbers a line; time from column 0, the lead from column
 * `positionColumn` less the time. */
static int read_trace(const char* path, int columns, int positionColumn, Trace* trace) {
    FILE* f = fopen(path, "r");
    if (!f) {
        fprintf(stderr, "pulse_sink_clock: cannot read %s\n", path);
        return 0;
    }
    long capacity = 1024;
    trace->time = malloc(sizeof(double) * (size_t)capacity);
    trace->lead = malloc(sizeof(double) * (size_t)capacity);
    trace->n = 0;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        double v[4] = {0, 0, 0, 0};
        if (sscanf(line, "%lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3]) < columns) continue;
        if (trace->n == capacity) {
            capacity *= 2;
            trace->time = realloc(trace->time, sizeof(double) * (size_t)capacity);
            trace->lead = realloc(trace->lead, sizeof(double) * (size_t)capacity);
        }
        trace->time[trace->n] = v[0];
        trace->lead[trace->n] = positionColumn == 0 ? v[1] : v[positionColumn] - v[0];
        ++trace->n;
    }
    fclose(f);
    return trace->n >= 2;
}

/* The clock less the sink's played position, both against the wall clock, at
 * every poll of the clock inside the sink's trace: its drift (line fit and end
 * less start, a second averaged at each end), how far it strays from the line. */
static int compare(const char* sinkPath, const char* clockPath) {
    Trace sink, clock;
    if (!read_trace(sinkPath, 2, 0, &sink) || !read_trace(clockPath, 4, 1, &clock)) return 1;
    double* t = malloc(sizeof(double) * (size_t)clock.n);
    double* d = malloc(sizeof(double) * (size_t)clock.n);
    long n = 0, j = 0;
    for (long i = 0; i < clock.n; ++i) {
        const double w = clock.time[i];
        if (w < sink.time[0] || w > sink.time[sink.n - 1]) continue;
        while (j + 1 < sink.n && sink.time[j + 1] < w) ++j;
        const double f = (w - sink.time[j]) / (sink.time[j + 1] - sink.time[j]);
        t[n] = w - clock.time[0];
        d[n] = clock.lead[i] - (sink.lead[j] + f * (sink.lead[j + 1] - sink.lead[j]));
        ++n;
    }
    if (n < 120) {
        fprintf(stderr, "pulse_sink_clock: the traces overlap by %ld polls only\n", n);
        return 1;
    }
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (long i = 0; i < n; ++i) sx += t[i], sy += d[i], sxx += t[i] * t[i], sxy += t[i] * d[i];
    const double slope = ((double)n * sxy - sx * sy) / ((double)n * sxx - sx * sx);
    const double offset = (sy - slope * sx) / (double)n;
    double spread = 0.0, largest = 0.0, head = 0.0, tail = 0.0;
    long heads = 0, tails = 0;
    const double span = t[n - 1] - t[0];
    for (long i = 0; i < n; ++i) {
        const double r = d[i] - (offset + slope * t[i]);
        spread += r * r;
        if (fabs(r) > largest) largest = fabs(r);
        if (t[i] - t[0] < 1.0) head += d[i], ++heads;
        if (t[n - 1] - t[i] < 1.0) tail += d[i], ++tails;
    }
    printf("CLOCK AGAINST THE SINK'S PLAYED POSITION over %.1f s (%ld polls): drift %+.3f ms by the line fit, "
           "%+.3f ms end less start; off the line: standard deviation %.3f ms, largest %.3f ms\n",
           span, n, slope * span * 1e3, (tail / (double)tails - head / (double)heads) * 1e3,
           sqrt(spread / (double)n) * 1e3, largest * 1e3);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "--compare") == 0) return compare(argv[2], argv[3]);
    const double run = argc > 1 ? atof(argv[1]) : 60.0;
    FILE* trace = NULL;
    if (argc > 3 && strcmp(argv[2], "--trace") == 0 && !(trace = fopen(argv[3], "w"))) {
        fprintf(stderr, "pulse_sink_clock: cannot write %s\n", argv[3]);
        return 1;
    }
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
        if (trace) fprintf(trace, "%.6f %.9f\n", now, lead);
        if (n == 0) first = previous = lead;
        if (previous - lead > largestFall) largestFall = previous - lead;
        previous = lead;
        sx += t, sy += lead, sxx += t * t, sxy += t * lead;
        ++n;
        if (t > run) break;
    }
    pa_simple_free(out);
    if (trace) fclose(trace);
    const double slope = ((double)n * sxy - sx * sy) / ((double)n * sxx - sx * sx);
    printf("sink reference: %ld samples, played - wall: slope %+.1f ppm (%+.2f ms over %.0f s), "
           "end - start %+.2f ms, largest fall %.2f ms\n",
           n, slope * 1e6, slope * (run - 2.0) * 1e3, run - 2.0, (previous - first) * 1e3, largestFall * 1e3);
    return 0;
}
