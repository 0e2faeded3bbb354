// The playback layer behind the audio device: a small process-wide library
// with the calls and meaning of the closed audio library the engine was made
// for. Decodes through Mp3Decoder, plays through PulseAudio when it is the
// driver and through SDL2's audio output otherwise.
#pragma once
#include <cstdint>
#include <string>

namespace playback {

using Handle = uint32_t;  // a stream; 0 is never a valid one

// Error codes, numbered as the original library numbers them.
enum Error : int {
    kOk = 0,
    kErrorFileOpen = 2,       // the file cannot be opened
    kErrorHandle = 5,         // not a stream of ours
    kErrorPosition = 7,       // invalid position
    kErrorInit = 8,           // init has not been called
    kErrorAlready = 14,       // init called twice
    kErrorDevice = 23,        // illegal device number
    kErrorNotPlaying = 24,    // pause of a channel that is not playing
    kErrorFileFormat = 41,    // unsupported or undecodable file format
    kErrorUnknown = -1,
};

// Channel activity.
enum Activity : int { kActiveStopped = 0, kActivePlaying = 1, kActiveStalled = 2, kActivePaused = 3 };

constexpr int kDefaultDevice = -1;     // the default output
constexpr int kSilentDevice = 0;       // no sound: SDL's dummy driver from the start
constexpr uint32_t kOutputRate = 44100;
constexpr uint32_t kBytesPerFrame = 4;  // 16-bit stereo
constexpr uint32_t kConfigUpdatePeriod = 1;
constexpr uint32_t kStreamPrescan = 0x20000;
constexpr uint32_t kPosByte = 0;
constexpr uint64_t kInvalidPosition = ~0ull;  // all bits set: the failure value of 64-bit results

// Output. `init` opens `device` at `frequency` (only 44100 is offered); when no
// real output can be opened it falls back to SDL's dummy driver, which plays in
// silence at the speed of the wall clock, and logs one info line saying so.
bool init(int device, uint32_t frequency, uint32_t flags);
// Opens `device` on a worker thread at the refill period set so far (probing
// SDL's drivers and setting the output up take a few hundred ms), so start-up
// can create the window meanwhile; the next init takes that output. Call after
// SDL_Init on the main thread; nothing is logged until init. SDL's error lines
// stay out of the log until then. Does nothing for the silent device or when
// an output is open or being opened.
void preopen(int device);
// Waits for a preopened output nobody took and closes it (start-up failed).
void discardPreopen();
// kConfigUpdatePeriod: milliseconds between refills of the output (5 to 100);
// refills come no more often than every 64 ms, the shortest buffer that holds.
bool setConfig(uint32_t option, uint32_t value);
// Frees every stream and closes the output.
bool free();
// The audio driver in use ("dummy" after the fallback); empty before init.
std::string outputDriver();
// True when the output tells how much of its audio is still unheard (PulseAudio
// opened directly, not through SDL); else the clock assumes one buffer.
bool outputTellsLatency();

// For measurements: the frames the output has taken since it opened, and the
// time of the refill that took the last of them (seconds of std::chrono::steady_clock).
struct OutputCount {
    uint64_t frames = 0;
    double time = 0.0;
};
OutputCount outputCount();
// How many times an output has been opened in this process (each open starts
// SDL's audio thread; each reopen first joins the old one).
int outputOpens();

// Streams. The file is scanned here (length and seeks exact to the sample) and
// decoded into 16-bit stereo PCM at 44100 Hz in blocks, on a worker, ahead of
// the output (Mp3Stream). `offset` and `length` must be 0.
Handle streamCreateFile(bool fromMemory, const char* path, uint64_t offset, uint64_t length, uint32_t flags);
bool streamFree(Handle stream);
// Copies `count` decoded frames from frame `first` (16-bit stereo, interleaved)
// into `out`, reading silence before the start and past the end. What the file
// holds there, not what the output plays: analysis reads ahead and behind freely.
bool streamRead(Handle stream, int64_t first, size_t count, int16_t* out);

// Channels. Positions are bytes of the decoded stream (4 per sample frame).
bool channelPlay(Handle stream, bool restart);
bool channelPause(Handle stream);
bool channelStop(Handle stream);
int channelIsActive(Handle stream);
uint64_t channelGetLength(Handle stream, uint32_t mode);
// The byte of the sample being heard: run by the high-resolution counter,
// steered slowly toward what the output has consumed less its latency (as the
// output reports it, or one buffer when it cannot), never decreasing while
// playing except by a seek; a seek lands on its target at once.
uint64_t channelGetPosition(Handle stream, uint32_t mode);
bool channelSetPosition(Handle stream, uint64_t position, uint32_t mode);
double channelBytes2Seconds(Handle stream, uint64_t bytes);
uint64_t channelSeconds2Bytes(Handle stream, double seconds);

// The code of the last call that failed (kOk if none has).
int errorGetCode();

} // namespace playback
