// libpulse through dlopen: the functions used are looked up once, by name, in
// the library SDL loads as well. Everything runs on a threaded main loop; the
// fill callback is called on its thread with the loop's lock held.
#include "audio/PulseOutput.h"

#include <SDL.h>
#include <pulse/pulseaudio.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

#define PULSE_FUNCTIONS(X)                                                                                            \
    X(pa_threaded_mainloop_new) X(pa_threaded_mainloop_free) X(pa_threaded_mainloop_start)                            \
    X(pa_threaded_mainloop_stop) X(pa_threaded_mainloop_lock) X(pa_threaded_mainloop_unlock)                         \
    X(pa_threaded_mainloop_wait) X(pa_threaded_mainloop_signal) X(pa_threaded_mainloop_get_api) X(pa_context_new)     \
    X(pa_context_connect) X(pa_context_disconnect) X(pa_context_unref) X(pa_context_get_state)                        \
    X(pa_context_set_state_callback) X(pa_context_errno) X(pa_strerror) X(pa_stream_new)                              \
    X(pa_stream_set_state_callback) X(pa_stream_set_write_callback) X(pa_stream_connect_playback)                     \
    X(pa_stream_get_state) X(pa_stream_writable_size) X(pa_stream_write) X(pa_stream_get_latency)                     \
    X(pa_stream_disconnect) X(pa_stream_unref)

struct Api {
#define SOLVANE_PULSE_DECLARE(name) decltype(&::name) name = nullptr;
    PULSE_FUNCTIONS(SOLVANE_PULSE_DECLARE)
#undef SOLVANE_PULSE_DECLARE
};

// Null when the library or one of its functions is missing. Never unloaded:
// SDL may hold the same library.
const Api* api() {
    static const Api* loaded = [] () -> const Api* {
        void* library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) return nullptr;
        static Api table;
        bool complete = true;
#define SOLVANE_PULSE_LOOK_UP(name)                                                                                   \
    table.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name));                                          \
    complete = complete && table.name != nullptr;
        PULSE_FUNCTIONS(SOLVANE_PULSE_LOOK_UP)
#undef SOLVANE_PULSE_LOOK_UP
        return complete ? &table : nullptr;
    }();
    return loaded;
}

double steadyNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

bool PulseOutput::wanted() {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    return !driver || !*driver || strcasecmp(driver, "pulseaudio") == 0;
}

bool PulseOutput::open(uint32_t sampleRate, uint32_t bufferFrames, uint32_t periodFrames, Fill fillWith, void* userData,
                       std::string& reason) {
    const Api* pa = api();
    if (!pa) {
        reason = "libpulse.so.0 could not be loaded";
        return false;
    }
    fill = fillWith;
    user = userData;
    rate = sampleRate;
    period = std::max<uint32_t>(1, periodFrames);
    started = false;
    prioritised = false;
    loop = pa->pa_threaded_mainloop_new();
    if (!loop || pa->pa_threaded_mainloop_start(loop) < 0) {
        reason = "PulseAudio's main loop did not start";
        if (loop) pa->pa_threaded_mainloop_free(loop);
        loop = nullptr;
        return false;
    }
    pa->pa_threaded_mainloop_lock(loop);
    // Every state change wakes the waits below.
    context = pa->pa_context_new(pa->pa_threaded_mainloop_get_api(loop), "Solvane");
    bool ok = context != nullptr;
    if (ok) {
        pa->pa_context_set_state_callback(
            context, [](pa_context*, void* self) { api()->pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->loop, 0); },
            this);
        ok = pa->pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
        while (ok && pa->pa_context_get_state(context) != PA_CONTEXT_READY) {
            ok = PA_CONTEXT_IS_GOOD(pa->pa_context_get_state(context));
            if (ok) pa->pa_threaded_mainloop_wait(loop);
        }
    }
    if (ok) {
        const pa_sample_spec format = {PA_SAMPLE_S16LE, sampleRate, 2};
        // The queue ahead of the speaker is the whole buffer; PulseAudio may
        // grow it under load, and says so through the latency read at each fill.
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.tlength = bufferFrames * 4;
        attr.minreq = period * 4;
        stream = pa->pa_stream_new(context, "Soundtrack", &format, nullptr);
        ok = stream != nullptr;
        if (ok) {
            pa->pa_stream_set_state_callback(
                stream, [](pa_stream*, void* self) { api()->pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->loop, 0); },
                this);
            pa->pa_stream_set_write_callback(stream, onWrite, this);
            const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                              PA_STREAM_ADJUST_LATENCY);
            ok = pa->pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) >= 0;
        }
        while (ok && pa->pa_stream_get_state(stream) != PA_STREAM_READY) {
            ok = PA_STREAM_IS_GOOD(pa->pa_stream_get_state(stream));
            if (ok) pa->pa_threaded_mainloop_wait(loop);
        }
    }
    if (!ok) reason = context ? pa->pa_strerror(pa->pa_context_errno(context)) : "no PulseAudio context";
    pa->pa_threaded_mainloop_unlock(loop);
    if (!ok) close();
    return ok;
}

void PulseOutput::start() {
    if (!stream) return;
    const Api* pa = api();
    pa->pa_threaded_mainloop_lock(loop);
    // The requests that came in before are answered now, in one go.
    started = true;
    write(pa->pa_stream_writable_size(stream));
    pa->pa_threaded_mainloop_unlock(loop);
}

void PulseOutput::close() {
    if (!loop) return;
    const Api* pa = api();
    pa->pa_threaded_mainloop_lock(loop);
    if (stream) {
        pa->pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa->pa_stream_disconnect(stream);
        pa->pa_stream_unref(stream);
        stream = nullptr;
    }
    if (context) {
        pa->pa_context_disconnect(context);
        pa->pa_context_unref(context);
        context = nullptr;
    }
    pa->pa_threaded_mainloop_unlock(loop);
    pa->pa_threaded_mainloop_stop(loop);
    pa->pa_threaded_mainloop_free(loop);
    loop = nullptr;
    started = false;
}

void PulseOutput::onWrite(pa_stream*, size_t bytes, void* self) {
    PulseOutput& out = *static_cast<PulseOutput*>(self);
    // The loop's thread gets the priority SDL gives its own audio thread (a
    // refill starved by a busy machine is a gap in the music); once is enough.
    if (!out.prioritised) {
        SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
        out.prioritised = true;
    }
    out.write(bytes);
}

void PulseOutput::write(size_t bytes) {
    if (!started || !stream) return;
    const Api* pa = api();
    // One period at a time, each with the queue as it stands, so the clock
    // sees every refill as SDL's output would show it.
    for (int64_t left = static_cast<int64_t>(bytes / 4); left > 0;) {
        const int64_t frames = std::min<int64_t>(left, period);
        pa_usec_t usec = 0;
        int negative = 0;
        int64_t queued = -1;
        if (pa->pa_stream_get_latency(stream, &usec, &negative) == 0)
            queued = negative ? 0 : static_cast<int64_t>(std::llround(static_cast<double>(usec) * rate * 1e-6));
        chunk.resize(static_cast<size_t>(frames) * 2);
        fill(user, chunk.data(), frames, steadyNow(), queued);
        if (pa->pa_stream_write(stream, chunk.data(), chunk.size() * sizeof(int16_t), nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
        left -= frames;
    }
}
