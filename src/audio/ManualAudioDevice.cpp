// The manual device plays no file: a soundtrack only sets its tempo.
#include "audio/ManualAudioDevice.h"

bool ManualAudioDevice::createSoundtrack(std::string, float beatsPerMinute) {
    bpm = beatsPerMinute;
    return true;
}
