// An audio device without sound whose position is set by its owner: the clock
// for rendering at a fixed frame rate, for tests and for benchmarks.
#pragma once
#include "audio/IAudioDevice.h"
#include "core/ShowTiming.h"

class ManualAudioDevice : public IAudioDevice {
public:
    explicit ManualAudioDevice(float beatsPerMinute = static_cast<float>(showTiming().beatsPerMinute)) : bpm(beatsPerMinute) {}

    bool init() override { return true; }
    void shutdown() override {}
    void update() override {}
    bool createSoundtrack(std::string path, float beatsPerMinute) override;
    void play() override { playing = true; }
    void pause() override { playing = false; }
    void stop() override { playing = false; }
    bool isPlaying() override { return playing; }
    float getPosition() override { return position; }
    void setPosition(float seconds) override { position = seconds; }
    float getBPM() override { return bpm; }

    float position = 0.0f;
    float bpm;
    bool playing = false;
};
