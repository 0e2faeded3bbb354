/* Preloaded into the player by bench/startup_memory.sh: notes, in milliseconds
 * since the player was loaded, every line it writes (its log) and the end of
 * its first two buffer swaps (the warm frame and the first frame of the show).
 * At the first swap (the warm frame) it also notes how long the main thread had
 * been on a core and how long it had waited for one (Linux's schedstat): the
 * first says what the player's own work costs, the second what other threads
 * and processes took from it.
 * Relies on glibc's dlsym(RTLD_NEXT); active only in a process named solvane. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

extern char* program_invocation_short_name;
static double start;
static FILE* out;

static double now(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

__attribute__((constructor)) static void begin(void) {
    start = now();
    const char* path = getenv("SOLVANE_TIMELINE");
    if (path && strcmp(program_invocation_short_name, "solvane") == 0) out = fopen(path, "w");
}

static void note(const char* what, const char* text, size_t length) {
    if (!out) return;
    fprintf(out, "%8.1f %s %.*s\n", (now() - start) * 1000.0, what, (int)(length > 80 ? 80 : length), text);
    fflush(out);
}

ssize_t write(int fd, const void* buffer, size_t length) {
    static ssize_t (*real)(int, const void*, size_t);
    if (!real) real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    const char* text = buffer;
    if (fd > 2 && length > 0 && text[0] >= ' ' && text[0] < 127) {
        size_t n = length;
        while (n > 0 && text[n - 1] == '\n') --n;
        note("log", text, n);
    }
    return real(fd, buffer, length);
}

void SDL_GL_SwapWindow(void* window) {
    static void (*real)(void*);
    static int swaps;
    if (!real) real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    real(window);
    if (swaps >= 2) return;
    note("swap", "done", 4);
    if (swaps++ == 0) {
        char path[64], line[128] = "";
        snprintf(path, sizeof path, "/proc/self/task/%d/schedstat", (int)getpid());
        FILE* file = fopen(path, "r");
        double onCore = 0, waiting = 0;
        if (file && fscanf(file, "%lf %lf", &onCore, &waiting) == 2) {
            int length = snprintf(line, sizeof line, "%.1f %.1f", onCore / 1e6, waiting / 1e6);
            note("main-thread", line, (size_t)length);
        }
        if (file) fclose(file);
    }
}
