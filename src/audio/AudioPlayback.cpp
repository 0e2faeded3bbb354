// The playback layer: one output (PulseAudio directly when it is the driver,
// else SDL's) fed by a callback that mixes the playing streams, and one
// PlaybackClock per stream for the heard position. The library state is
// shared with the output's thread under one mutex; the samples come from each
// stream's Mp3Stream outside it.
#include "audio/AudioPlayback.h"

#include "audio/Mp3Stream.h"
#include "audio/PlaybackClock.h"
#include "audio/PulseOutput.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace playback {

namespace {

constexpr uint32_t kDefaultUpdatePeriodMs = 100;
// SDL refills its output one whole buffer at a time, so the buffer is also the
// refill period. Shorter than this, a busy machine wakes the audio thread too
// late, the output runs dry and the music falls behind the wall clock (a 16 ms
// buffer lost 40% of the time on a loaded two-core machine).
constexpr uint32_t kMinimumBufferMs = 64;

struct Stream {
    std::shared_ptr<Mp3Stream> source;  // shared with a refill reading it while the stream is freed
    int64_t frames = 0;
    int state = kActiveStopped;
    int64_t readFrame = 0;  // next frame the output takes; the held position when not playing
    PlaybackClock clock;
};

struct Library {
    std::mutex mutex;  // everything below, against the output's thread
    bool initialised = false;
    SDL_AudioDeviceID device = 0;
    // PulseAudio without SDL: its latency is known at every refill. Opened and
    // closed outside the mutex, like SDL's device.
    bool direct = false;
    PulseOutput pulse;
    bool wallClock = false;
    int64_t latencyFrames = 0;
    uint32_t updatePeriodMs = kDefaultUpdatePeriodMs;
    std::string driver;
    std::map<Handle, std::unique_ptr<Stream>> streams;
    Handle nextHandle = 1;
    OutputCount taken;
    int opens = 0;
};

// Never destroyed: SDL's audio thread may still run while static objects die at exit.
Library& library() {
    static Library* instance = new Library();
    return *instance;
}

std::atomic<int> lastError{kOk};

bool fail(int code) {
    lastError = code;
    return false;
}

// The failure value of calls that return something other than bool.
template <typename T>
T failWith(int code, T value) {
    lastError = code;
    return value;
}

// The system's steady clock: the engine times with it, and so does PulseAudio.
double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

Stream* find(Library& lib, Handle handle) {
    auto it = lib.streams.find(handle);
    return it == lib.streams.end() ? nullptr : it->second.get();
}

// A playing stream whose last frame has been heard has ended.
void settle(Stream& s, double t) {
    if (s.state != kActivePlaying) return;
    if (s.clock.heard(t) < s.frames) return;
    s.state = kActiveStopped;
    s.readFrame = s.frames;
    s.clock.hold(s.frames);
}

// The frame being heard, or held, at time t.
int64_t currentFrame(Stream& s, double t) {
    settle(s, t);
    return s.state == kActivePlaying ? std::min(s.clock.heard(t), s.frames) : s.readFrame;
}

// The stream stands where it is heard now, paused or stopped; resuming starts
// from there, and what the output had queued beyond it is played again.
void standStill(Stream& s, int state, double t) {
    s.readFrame = currentFrame(s, t);
    s.state = state;
    s.clock.hold(s.readFrame);
}

// Runs `body` on the stream under the lock; an unknown handle fails with
// kErrorHandle and yields `invalid`.
template <typename Result, typename Body>
Result onStream(Handle handle, Result invalid, Body&& body) {
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    Stream* s = find(lib, handle);
    if (!s) return failWith(kErrorHandle, invalid);
    return body(*s);
}

void configureClock(const Library& lib, Stream& s) {
    s.clock.configure(kOutputRate, lib.wallClock, lib.latencyFrames);
}

// What a refill takes from one stream, read after the mutex is released.
struct Take {
    std::shared_ptr<Mp3Stream> source;
    int64_t first = 0;
    int64_t count = 0;
};

// Only the output's thread touches these (one at a time: a reopen stops the old thread first).
struct Refill {
    std::vector<Take> takes;
    std::vector<int32_t> mix;
    std::vector<int16_t> samples;
};

// `queued`: frames handed out before and not heard yet; -1 when the output cannot tell.
void mixInto(int16_t* samples, int64_t count, double t, int64_t queued) {
    Library& lib = library();
    static Refill refill;
    refill.takes.clear();
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        lib.taken.frames += static_cast<uint64_t>(count);
        lib.taken.time = t;
        for (auto& entry : lib.streams) {
            Stream& s = *entry.second;
            if (s.state != kActivePlaying) continue;
            // The dummy output plays nothing, so only the clock matters there.
            if (!lib.wallClock) {
                const int64_t first = s.clock.refillFrom(s.readFrame, t);
                if (first < s.frames) refill.takes.push_back({s.source, first, std::min(count, s.frames - first)});
                // Past the end the output plays silence, and the clock counts it until the end is heard.
                s.readFrame = first + count;
                s.clock.refill(first, count, t, queued);
            }
            settle(s, t);
        }
    }
    if (refill.takes.empty()) {
        std::memset(samples, 0, static_cast<size_t>(count) * kBytesPerFrame);
        return;
    }
    // A block not decoded yet (right after a seek) is decoded here, without the mutex: a
    // millisecond or so against a refill period of 64 ms or more, and the first refill
    // after a seek plays the samples the clock says it does.
    refill.mix.assign(static_cast<size_t>(count) * 2, 0);
    refill.samples.resize(static_cast<size_t>(count) * 2);
    for (const Take& take : refill.takes) {
        take.source->read(take.first, static_cast<size_t>(take.count), refill.samples.data());
        for (size_t i = 0; i < static_cast<size_t>(take.count) * 2; ++i) refill.mix[i] += refill.samples[i];
    }
    for (size_t i = 0; i < refill.mix.size(); ++i)
        samples[i] = static_cast<int16_t>(std::clamp<int32_t>(refill.mix[i], INT16_MIN, INT16_MAX));
}

// SDL2 cannot say how much of its output is still unheard.
void SDLCALL outputCallback(void*, Uint8* out, int len) {
    mixInto(reinterpret_cast<int16_t*>(out), len / static_cast<int>(kBytesPerFrame), now(), -1);
}

void pulseFill(void*, int16_t* out, int64_t frames, double t, int64_t queued) { mixInto(out, frames, t, queued); }

// Opens the output: PulseAudio directly when `lib.direct`, else on the audio
// driver SDL has started. Caller does not hold the mutex.
bool openDevice(Library& lib, uint32_t periodMs) {
    const uint32_t bufferFrames = kOutputRate * std::max(periodMs, kMinimumBufferMs) / 1000;
    SDL_AudioDeviceID id = 0;
    std::string driver = "pulseaudio";
    // Until the output says otherwise, at a refill the previous buffer is still playing.
    int64_t latency = bufferFrames;
    if (lib.direct) {
        // PulseAudio asks for audio as the speaker needs it; the buffer only bounds the queue.
        std::string reason;
        if (!lib.pulse.open(kOutputRate, bufferFrames, kOutputRate * periodMs / 1000, pulseFill, nullptr, reason))
            return false;
    } else {
        SDL_AudioSpec want{};
        SDL_AudioSpec have{};
        want.freq = static_cast<int>(kOutputRate);
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = static_cast<Uint16>(bufferFrames);
        want.callback = outputCallback;
        // No changes allowed: SDL converts to whatever the hardware wants.
        id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id == 0) return false;
        const char* name = SDL_GetCurrentAudioDriver();
        driver = name ? name : "";
        latency = have.samples;
    }
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        lib.device = id;
        ++lib.opens;
        lib.driver = driver;
        lib.wallClock = lib.driver == "dummy";
        lib.latencyFrames = lib.wallClock ? 0 : latency;
        lib.updatePeriodMs = periodMs;
        lib.taken = {};
        const double t = now();
        for (auto& entry : lib.streams) {
            Stream& s = *entry.second;
            int64_t frame = currentFrame(s, t);
            configureClock(lib, s);
            s.readFrame = frame;
            if (s.state == kActivePlaying) s.clock.start(frame, t); else s.clock.hold(frame);
        }
    }
    if (lib.direct) lib.pulse.start();
    else SDL_PauseAudioDevice(id, 0);
    return true;
}

// Closes the output; SDL and PulseAudio join their threads, so the mutex must not be held.
void closeDevice(Library& lib) {
    lib.pulse.close();
    SDL_AudioDeviceID id = 0;
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        id = lib.device;
        lib.device = 0;
    }
    if (id != 0) SDL_CloseAudioDevice(id);
}

} // namespace

namespace {

struct Opened {
    bool ok = false;
    bool fellBack = false;  // on the dummy driver though a real output was asked for
    std::string reason;     // why no real output opened
};

// Starts SDL's audio and opens the output, falling back to the dummy driver.
// Logs nothing (it may run on a worker while the main thread logs); SDL's own
// error lines are kept out by the caller.
Opened openOutput(Library& lib, int device, uint32_t period) {
    Opened result;
    result.reason = "silent output requested";
    // PulseAudio, when it answers, without SDL: only then is the latency known.
    if (device != kSilentDevice && PulseOutput::wanted()) {
        lib.direct = true;
        result.ok = openDevice(lib, period);
        lib.direct = result.ok;
        if (result.ok) return result;
    }
    // SDL_AudioInit, not SDL_InitSubSystem: this may run on a worker while the
    // main thread creates the window, and SDL_InitSubSystem also changes state
    // the whole library shares (its init counts, D-Bus), which SDL only keeps
    // for one thread. The audio driver's own state is ours alone.
    if (device != kSilentDevice) {
        result.ok = SDL_AudioInit(nullptr) == 0 && openDevice(lib, period);
        if (!result.ok) {
            result.reason = SDL_GetError();
            SDL_AudioQuit();
        }
    }
    if (result.ok) return result;
    result.fellBack = device != kSilentDevice;
    result.ok = SDL_AudioInit("dummy") == 0 && openDevice(lib, period);
    if (!result.ok) SDL_AudioQuit();
    return result;
}

// Closes the output and stops SDL's audio (free, or an output opened for a device nobody asked for after all).
void closeOutput(Library& lib) {
    closeDevice(lib);
    SDL_AudioQuit();
    lib.direct = false;
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.driver.clear();
}

struct Preopen {
    std::mutex mutex;
    std::future<Opened> result;  // waited for at exit if never taken
    int device = kDefaultDevice;
    uint32_t period = 0;
    SDL_LogPriority errorPriority = SDL_LOG_PRIORITY_VERBOSE;
};

Preopen& preopened() {
    static Preopen instance;
    return instance;
}

// SDL logs every error it sets while it tries its drivers; the one line init
// writes says it all. Set and restored on the calling (main) thread.
SDL_LogPriority quietSdlErrors() {
    const SDL_LogPriority previous = SDL_LogGetPriority(SDL_LOG_CATEGORY_ERROR);
    SDL_LogSetPriority(SDL_LOG_CATEGORY_ERROR, SDL_LOG_PRIORITY_CRITICAL);
    return previous;
}

} // namespace

void preopen(int device) {
    Library& lib = library();
    Preopen& p = preopened();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.result.valid() || device == kSilentDevice) return;
    {
        std::lock_guard<std::mutex> libLock(lib.mutex);
        if (lib.initialised) return;
    }
    const uint32_t period = lib.updatePeriodMs;
    const SDL_LogPriority previous = quietSdlErrors();
    try {
        p.result = std::async(std::launch::async, [&lib, device, period] {
            const Opened opened = openOutput(lib, device, period);
            // SDL frees a thread's error text itself only for threads it made.
#if SDL_VERSION_ATLEAST(2, 0, 16)
            SDL_TLSCleanup();
#endif
            return opened;
        });
        p.device = device;
        p.period = period;
        p.errorPriority = previous;
    } catch (const std::system_error&) {
        // No thread to spare: init opens the output itself.
        SDL_LogSetPriority(SDL_LOG_CATEGORY_ERROR, previous);
    }
}

namespace {
// Waits for the output opened early, if one was started, and gives SDL's error
// lines back their priority. False when nothing was opened early.
bool takePreopen(Opened& opened) {
    Preopen& p = preopened();
    std::future<Opened> early;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        early = std::move(p.result);
    }
    if (!early.valid()) return false;
    opened = early.get();
    SDL_LogSetPriority(SDL_LOG_CATEGORY_ERROR, p.errorPriority);
    return true;
}
} // namespace

void discardPreopen() {
    Opened opened;
    if (takePreopen(opened) && opened.ok) closeOutput(library());
}

bool init(int device, uint32_t frequency, uint32_t) {
    Library& lib = library();
    const Preopen& p = preopened();
    Opened opened;
    if (takePreopen(opened) && opened.ok &&
        (device != p.device || lib.updatePeriodMs != p.period || frequency != kOutputRate)) {
        closeOutput(lib);
        opened = Opened();
    }
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        if (lib.initialised) return fail(kErrorAlready);
    }
    if (device < kDefaultDevice || device > 1) return fail(kErrorDevice);
    if (frequency != kOutputRate) return fail(kErrorUnknown);

    if (!opened.ok) {
        const SDL_LogPriority previous = quietSdlErrors();
        opened = openOutput(lib, device, lib.updatePeriodMs);
        SDL_LogSetPriority(SDL_LOG_CATEGORY_ERROR, previous);
    }
    if (!opened.ok) return fail(kErrorDevice);
    if (opened.fellBack)
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM,
                    "No audio output could be opened (%s); playing in silence on SDL's dummy audio driver",
                    opened.reason.c_str());
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.initialised = true;
    return true;
}

bool setConfig(uint32_t option, uint32_t value) {
    Library& lib = library();
    if (option != kConfigUpdatePeriod || value < 5 || value > 100) return fail(kErrorUnknown);
    bool reopen = false;
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        reopen = lib.initialised && lib.device != 0 && value != lib.updatePeriodMs;
        if (!reopen) lib.updatePeriodMs = value;
    }
    if (!reopen) return true;
    // The refill size is fixed when the output opens: reopen on the same driver.
    const uint32_t previous = lib.updatePeriodMs;
    closeDevice(lib);
    if (openDevice(lib, value)) return true;
    openDevice(lib, previous);
    return fail(kErrorUnknown);
}

bool free() {
    Library& lib = library();
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        if (!lib.initialised) return fail(kErrorInit);
        lib.initialised = false;
    }
    closeOutput(lib);
    std::map<Handle, std::unique_ptr<Stream>> streams;
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        streams.swap(lib.streams);
    }
    for (auto& entry : streams) entry.second->source->close();  // joins its worker
    return true;
}

std::string outputDriver() {
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.driver;
}

bool outputTellsLatency() {
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.direct && !lib.driver.empty();
}

int outputOpens() {
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.opens;
}

OutputCount outputCount() {
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.taken;
}

Handle streamCreateFile(bool fromMemory, const char* path, uint64_t offset, uint64_t length, uint32_t) {
    Library& lib = library();
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        if (!lib.initialised) return failWith(kErrorInit, Handle{0});
    }
    if (fromMemory || offset != 0 || length != 0) return failWith(kErrorUnknown, Handle{0});
    if (!path) return failWith(kErrorFileOpen, Handle{0});

    // The scan is the pre-scan: length and seeks are exact. Decoding follows on a worker.
    auto stream = std::make_unique<Stream>();
    stream->source = std::make_shared<Mp3Stream>();
    switch (stream->source->open(path, kOutputRate)) {
    case Mp3Decoder::Result::CannotOpen: return failWith(kErrorFileOpen, Handle{0});
    case Mp3Decoder::Result::BadFormat: return failWith(kErrorFileFormat, Handle{0});
    case Mp3Decoder::Result::Ok: break;
    }
    stream->frames = stream->source->frames();

    std::lock_guard<std::mutex> lock(lib.mutex);
    if (!lib.initialised) return failWith(kErrorInit, Handle{0});
    configureClock(lib, *stream);
    stream->clock.hold(0);
    Handle handle = lib.nextHandle++;
    if (lib.nextHandle == 0) lib.nextHandle = 1;
    lib.streams[handle] = std::move(stream);
    return handle;
}

bool streamFree(Handle handle) {
    Library& lib = library();
    std::unique_ptr<Stream> stream;
    {
        std::lock_guard<std::mutex> lock(lib.mutex);
        auto it = lib.streams.find(handle);
        if (it == lib.streams.end()) return fail(kErrorHandle);
        stream = std::move(it->second);
        lib.streams.erase(it);
    }
    stream->source->close();  // joins its worker, outside the mutex
    return true;
}

bool streamRead(Handle handle, int64_t first, size_t count, int16_t* out) {
    std::shared_ptr<Mp3Stream> source =
        onStream(handle, std::shared_ptr<Mp3Stream>(), [](Stream& s) { return s.source; });
    if (!source) return false;
    source->read(first, count, out);  // may decode: not under the mutex
    return true;
}

bool channelPlay(Handle handle, bool restart) {
    return onStream(handle, false, [restart](Stream& s) {
        const double t = now();
        settle(s, t);
        if (s.state == kActivePlaying && !restart) return true;
        if (restart) s.readFrame = 0;
        s.source->expect(s.readFrame);
        s.state = kActivePlaying;
        s.clock.start(s.readFrame, t);
        settle(s, t);  // a stream standing at its end ends again at once
        return true;
    });
}

bool channelPause(Handle handle) {
    return onStream(handle, false, [](Stream& s) {
        const double t = now();
        settle(s, t);
        if (s.state != kActivePlaying) return fail(kErrorNotPlaying);
        standStill(s, kActivePaused, t);
        return true;
    });
}

bool channelStop(Handle handle) {
    return onStream(handle, false, [](Stream& s) {
        standStill(s, kActiveStopped, now());
        return true;
    });
}

int channelIsActive(Handle handle) {
    return onStream(handle, static_cast<int>(kActiveStopped), [](Stream& s) {
        settle(s, now());
        return s.state;
    });
}

uint64_t channelGetLength(Handle handle, uint32_t mode) {
    return onStream(handle, kInvalidPosition, [mode](Stream& s) {
        if (mode != kPosByte) return failWith(kErrorUnknown, kInvalidPosition);
        return static_cast<uint64_t>(s.frames) * kBytesPerFrame;
    });
}

uint64_t channelGetPosition(Handle handle, uint32_t mode) {
    return onStream(handle, kInvalidPosition, [mode](Stream& s) {
        if (mode != kPosByte) return failWith(kErrorUnknown, kInvalidPosition);
        return static_cast<uint64_t>(currentFrame(s, now())) * kBytesPerFrame;
    });
}

bool channelSetPosition(Handle handle, uint64_t position, uint32_t mode) {
    return onStream(handle, false, [position, mode](Stream& s) {
        if (mode != kPosByte) return fail(kErrorUnknown);
        if (position > static_cast<uint64_t>(s.frames) * kBytesPerFrame) return fail(kErrorPosition);
        const double t = now();
        settle(s, t);
        s.readFrame = static_cast<int64_t>(position / kBytesPerFrame);  // a sample boundary
        s.source->expect(s.readFrame);
        if (s.state == kActivePlaying) {
            s.clock.seek(s.readFrame, t);
            settle(s, t);
        } else {
            s.clock.hold(s.readFrame);
        }
        return true;
    });
}

double channelBytes2Seconds(Handle handle, uint64_t bytes) {
    return onStream(handle, -1.0, [bytes](Stream&) {
        if (bytes == kInvalidPosition) return failWith(kErrorPosition, -1.0);
        return static_cast<double>(bytes) / (kOutputRate * kBytesPerFrame);
    });
}

uint64_t channelSeconds2Bytes(Handle handle, double seconds) {
    return onStream(handle, kInvalidPosition, [seconds](Stream&) {
        // Rounded to the nearest sample, so seconds from channelBytes2Seconds come back exact.
        const double frames = std::round(seconds * kOutputRate);
        if (!(frames >= 0.0) || frames > 1e15) return failWith(kErrorPosition, kInvalidPosition);
        return static_cast<uint64_t>(frames) * kBytesPerFrame;
    });
}

int errorGetCode() { return lastError; }

} // namespace playback
