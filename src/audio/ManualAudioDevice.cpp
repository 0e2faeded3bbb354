// The manual device plays nothing: a soundtrack sets its tempo and gives the
// samples that scripts measure, decoded as the playback layer decodes them.
#include "audio/ManualAudioDevice.h"

#include "audio/AudioPlayback.h"
#include "audio/Mp3Decoder.h"

#include <SDL.h>

bool ManualAudioDevice::createSoundtrack(std::string path, float beatsPerMinute) {
    bpm = beatsPerMinute;
    if (Mp3Decoder::decodeFile(path, playback::kOutputRate, samples) == Mp3Decoder::Result::Ok) return true;
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "The soundtrack %s cannot be decoded", path.c_str());
    return false;
}

double ManualAudioDevice::getLength() {
    return static_cast<double>(samples.size() / 2) / playback::kOutputRate;
}

void ManualAudioDevice::readSoundtrack(int64_t first, size_t count, int16_t* stereo) {
    IAudioDevice::readSoundtrack(first, count, stereo);
    const int64_t frames = static_cast<int64_t>(samples.size() / 2);
    const int64_t from = std::max<int64_t>(first, 0);
    const int64_t to = std::min<int64_t>(first + static_cast<int64_t>(count), frames);
    if (from < to) std::copy(samples.begin() + 2 * from, samples.begin() + 2 * to, stereo + 2 * (from - first));
}
