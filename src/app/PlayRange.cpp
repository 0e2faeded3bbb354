// Playing part of the show: --start and --loop. The scene at a start is the one
// a run from 0 reaches there, as capture's pre-roll makes it: the fixed steps
// run from 0 with the tracks read 60 times a second on the way, nothing drawn.
// A loop's return builds the scene again from its script and rolls forward
// from 0 once more; a saved state would need every object's and the script's
// state, and this costs a fraction of a second even far into the show.
#include "app/Engine.h"

#include <chrono>

namespace {
constexpr int kPreRollRate = 60;  // clock settings per second of pre-roll
} // namespace

void Engine::rollForward(double seconds, int rate) {
    for (long k = 1, n = capturePreRollCount(seconds, rate); k <= n; ++k) {
        audioDevice->setPosition(capturePreRollTime(rate, k));
        advanceClock();
    }
}

void Engine::preRollTo(float seconds, bool rebuild) {
    const auto began = std::chrono::steady_clock::now();
    const bool wasPlaying = audioDevice->isPlaying();
    if (wasPlaying) audioDevice->pause();
    if (rebuild) scene.load();
    stepAccumulator = 0.0f;
    lastStepPosition = 0.0f;
    rollForward(seconds, kPreRollRate);
    audioDevice->setPosition(seconds);
    advanceClock();
    if (wasPlaying) audioDevice->play();
    loopStats.lastSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
}

void Engine::loopIfDue() {
    const bool ended = !audioDevice->isPlaying() && !syncDevice.editorPaused();
    if (!ended && audioDevice->getPosition() < realTime.loopTo) return;
    if (ended) audioDevice->play();
    preRollTo(static_cast<float>(realTime.loopFrom), true);
    ++loopStats.returns;
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Loop: back to %.3f s (return %ld, %.3f s to roll forward)", realTime.loopFrom,
                loopStats.returns, loopStats.lastSeconds);
}
