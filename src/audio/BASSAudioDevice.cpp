// Every failure logs its message and then the layer's error code on a second
// line, as errors in the system category.
#include "audio/BASSAudioDevice.h"

#include <SDL.h>

namespace {
constexpr uint32_t kUpdatePeriodMs = 16;
constexpr double kShortSoundtrackSeconds = 1.0;

void logFailure(const char* message) {
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", message);
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "BASS Error Code: %i", playback::errorGetCode());
}
} // namespace

void BASSAudioDevice::prepare() {
    playback::setConfig(playback::kConfigUpdatePeriod, kUpdatePeriodMs);
    playback::preopen(playback::kDefaultDevice);
}

bool BASSAudioDevice::init() {
    // The refill period is fixed when the output opens. Given before the
    // output exists it is only noted, so the output opens once, not twice
    // (closing an output joins its thread: a few hundred ms of start-up).
    playback::setConfig(playback::kConfigUpdatePeriod, kUpdatePeriodMs);
    if (!playback::init(playback::kDefaultDevice, playback::kOutputRate, 0)) {
        logFailure("Failed to initialize BASS Audio Device!");
        return false;
    }
    if (!playback::setConfig(playback::kConfigUpdatePeriod, kUpdatePeriodMs)) {
        logFailure("Failed to set bass audio update period!");
        return false;
    }
    return true;
}

void BASSAudioDevice::shutdown() {
    if (!playback::free()) SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to Free BASS Audio Device!");
}

void BASSAudioDevice::update() {
    // The layer refills its output by itself, every update period.
}

bool BASSAudioDevice::createSoundtrack(std::string path, float beatsPerMinute) {
    stream = playback::streamCreateFile(false, path.c_str(), 0, 0, playback::kStreamPrescan);
    if (stream == 0) {
        logFailure("Failed to create soundtrack in bass audio device!");
        return false;
    }
    bpm = beatsPerMinute;
    // A cut-off file decodes to almost nothing and the show would end at once without a word.
    const double seconds = playback::channelBytes2Seconds(stream, playback::channelGetLength(stream, playback::kPosByte));
    if (seconds >= 0.0 && seconds < kShortSoundtrackSeconds)
        SDL_LogWarn(SDL_LOG_CATEGORY_SYSTEM, "The soundtrack %s is only %.3f s long; the show ends with it", path.c_str(), seconds);
    return true;
}

void BASSAudioDevice::play() {
    if (!playback::channelPlay(stream, false)) logFailure("Failed to play soundtrack in bass audio!");
}

void BASSAudioDevice::pause() {
    if (!playback::channelPause(stream)) logFailure("Failed to pause soundtrack in bass audio!");
}

void BASSAudioDevice::stop() {
    if (!playback::channelStop(stream)) logFailure("Failed to stop soundtrack in bass audio!");
}

bool BASSAudioDevice::isPlaying() { return playback::channelIsActive(stream) == playback::kActivePlaying; }

float BASSAudioDevice::getPosition() {
    uint64_t bytes = playback::channelGetPosition(stream, playback::kPosByte);
    if (bytes == playback::kInvalidPosition) {
        logFailure("Failed to get the soundtrack offset from bass audio!");
        return 0.0f;
    }
    double seconds = playback::channelBytes2Seconds(stream, bytes);
    if (seconds < 0.0) {
        logFailure("Failed to convert bytes to seconds in bass audio!");
        return 0.0f;
    }
    return static_cast<float>(seconds);
}

void BASSAudioDevice::setPosition(float seconds) {
    uint64_t bytes = playback::channelSeconds2Bytes(stream, static_cast<double>(seconds));
    if (bytes == playback::kInvalidPosition) logFailure("Failed to convert seconds to bytes in bass audio!");
    // The seek goes ahead even so: the layer refuses an invalid position itself.
    if (!playback::channelSetPosition(stream, bytes, playback::kPosByte))
        logFailure("Failed to set the channel position in bass audio!");
}

float BASSAudioDevice::getBPM() { return bpm; }

double BASSAudioDevice::getLength() {
    const uint64_t bytes = playback::channelGetLength(stream, playback::kPosByte);
    return bytes == playback::kInvalidPosition ? 0.0 : playback::channelBytes2Seconds(stream, bytes);
}

void BASSAudioDevice::readSoundtrack(int64_t first, size_t count, int16_t* stereo) {
    // Without a stream (it failed to load) the layer refuses: the reader gets silence.
    if (!playback::streamRead(stream, first, count, stereo)) IAudioDevice::readSoundtrack(first, count, stereo);
}
