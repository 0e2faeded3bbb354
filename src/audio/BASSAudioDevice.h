// The audio device on the playback layer (AudioPlayback), driven with the calls,
// arguments and messages of the audio library the show was made with.
#pragma once
#include "audio/AudioPlayback.h"
#include "audio/IAudioDevice.h"

class BASSAudioDevice : public IAudioDevice {
public:
    bool init() override;
    void shutdown() override;
    void update() override;
    bool createSoundtrack(std::string path, float bpm) override;
    void play() override;
    void pause() override;
    void stop() override;
    bool isPlaying() override;
    float getPosition() override;
    void setPosition(float seconds) override;
    float getBPM() override;
    // Seconds of the loaded soundtrack; 0 without one.
    double getLength() override;
    // Starts opening the default output on a worker thread, with the refill
    // period init asks for, so that init finds it open (playback::preopen).
    static void prepare();

private:
    playback::Handle stream = 0;
    float bpm = 0.0f;
};
