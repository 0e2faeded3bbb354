// The manual device plays nothing: a soundtrack sets its tempo and gives the
// samples that scripts measure, streamed as the playback layer streams them.
#include "audio/ManualAudioDevice.h"

#include "audio/AudioPlayback.h"

#include <SDL.h>

bool ManualAudioDevice::createSoundtrack(std::string path, float beatsPerMinute) {
    bpm = beatsPerMinute;
    if (soundtrack.open(path, playback::kOutputRate) == Mp3Decoder::Result::Ok) return true;
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "The soundtrack %s cannot be decoded", path.c_str());
    return false;
}

double ManualAudioDevice::getLength() {
    return static_cast<double>(soundtrack.frames()) / playback::kOutputRate;
}

void ManualAudioDevice::readSoundtrack(int64_t first, size_t count, int16_t* stereo) {
    soundtrack.read(first, count, stereo);
}
