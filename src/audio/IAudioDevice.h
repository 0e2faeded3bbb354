// The soundtrack as the engine sees it: the master clock of the show. One
// concrete device (BASSAudioDevice); tests put their own behind this interface.
#pragma once
#include <string>

class IAudioDevice {
public:
    virtual ~IAudioDevice() = default;
    virtual bool init() = 0;
    virtual void shutdown() = 0;
    virtual void update() = 0;
    virtual bool createSoundtrack(std::string path, float bpm) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() = 0;
    // Seconds from the start of the soundtrack; 0.0 when it cannot be read.
    virtual float getPosition() = 0;
    virtual void setPosition(float seconds) = 0;
    virtual float getBPM() = 0;
    // Seconds of the loaded soundtrack; 0 or less when not known.
    virtual double getLength() { return 0.0; }
};
