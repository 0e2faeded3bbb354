// An audio device without sound whose position is set by its owner: the clock
// for rendering at a fixed frame rate, for tests and for benchmarks.
#pragma once
#include "audio/IAudioDevice.h"
#include "audio/Mp3Stream.h"
#include "core/ShowTiming.h"

class ManualAudioDevice : public IAudioDevice {
public:
    explicit ManualAudioDevice(float beatsPerMinute = static_cast<float>(showTiming().beatsPerMinute)) : bpm(beatsPerMinute) {}

    bool init() override { return true; }
    void shutdown() override {}
    void update() override {}
    // Opens the file as a stream (for the capture's soundtrack meter and
    // length); false, with one log line, when it does not decode.
    bool createSoundtrack(std::string path, float beatsPerMinute) override;
    void play() override { playing = true; }
    void pause() override { playing = false; }
    void stop() override { playing = false; }
    bool isPlaying() override { return playing; }
    float getPosition() override { return position; }
    void setPosition(float seconds) override { position = seconds; }
    float getBPM() override { return bpm; }
    // Seconds of the soundtrack; 0 without one.
    double getLength() override;
    void readSoundtrack(int64_t first, size_t count, int16_t* stereo) override;

    float position = 0.0f;
    float bpm;
    bool playing = false;
    Mp3Stream soundtrack;  // 16-bit stereo at 44100 Hz
};
