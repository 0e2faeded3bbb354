// A direct PulseAudio playback stream, used instead of SDL's output when
// PulseAudio is the driver: unlike SDL2, it can tell how much of what was
// handed out the listener has not heard yet. libpulse is loaded at run time,
// so a machine without it runs on SDL's output as before.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

class PulseOutput {
public:
    // Fills `out` with `frames` frames of 16-bit stereo at time `now` (seconds of
    // std::chrono::steady_clock). `queued`: frames handed out before these that
    // the listener has not heard yet, from PulseAudio's latency; -1 when the
    // server has not said yet. Runs on PulseAudio's thread.
    using Fill = void (*)(void* user, int16_t* out, int64_t frames, double now, int64_t queued);

    // True when PulseAudio should be asked before SDL: SDL_AUDIODRIVER is unset
    // or names "pulseaudio" (any other choice stays with SDL).
    static bool wanted();

    // Connects to the server without starting one and opens a stream holding
    // `bufferFrames` ahead of the speaker, asking for `periodFrames` at a time.
    // It stays silent until `start`. False, with `reason`, when any step fails.
    bool open(uint32_t rate, uint32_t bufferFrames, uint32_t periodFrames, Fill fill, void* user, std::string& reason);
    void start();
    // Waits for a running fill to end; nothing is filled afterwards.
    void close();
    bool isOpen() const { return stream != nullptr; }

private:
    static void onWrite(pa_stream* s, size_t bytes, void* self);
    // Fills and hands over `bytes`; the loop's lock is held.
    void write(size_t bytes);

    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    Fill fill = nullptr;
    void* user = nullptr;
    uint32_t rate = 44100;
    uint32_t period = 0;
    bool started = false;  // requests before `start` wait for it
    bool prioritised = false;  // the loop's thread asked for the audio thread's priority
    std::vector<int16_t> chunk;
};
