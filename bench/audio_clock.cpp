// Benchmark of the soundtrack clock: plays the show's soundtrack for 10 s and
// polls the device's position at 60 Hz against the steady wall clock.
// Uses SDL's dummy driver unless SDL_AUDIODRIVER names another.
//   audio_clock [soundtrack.mp3] [seconds]
#include "audio/BASSAudioDevice.h"
#include "core/ShowTiming.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {
double wallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double standardDeviation(const std::vector<double>& v) {
    double mean = 0.0;
    for (double x : v) mean += x;
    mean /= static_cast<double>(v.size());
    double sum = 0.0;
    for (double x : v) sum += (x - mean) * (x - mean);
    return std::sqrt(sum / static_cast<double>(v.size()));
}
} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : SOLVANE_SOURCE_DIR "/res/audio/melody2.mp3";
    const double duration = argc > 2 ? std::atof(argv[2]) : 10.0;
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    BASSAudioDevice device;
    if (!device.init() || !device.createSoundtrack(path, kSoundtrackBpm)) {
        std::fprintf(stderr, "cannot play %s\n", path.c_str());
        return 1;
    }
    std::printf("driver: %s, soundtrack: %s\n", playback::outputDriver().c_str(), path.c_str());
    device.play();
    while (device.isPlaying() && device.getPosition() <= 0.0f) std::this_thread::sleep_for(std::chrono::microseconds(200));

    // Poll at 60 Hz on a fixed schedule, as a vsync-paced frame loop would: sleep
    // to just before each tick, then spin, so the poll's own wake-up jitter stays
    // out of the figures.
    std::vector<double> wall;
    std::vector<double> position;
    const auto start = std::chrono::steady_clock::now();
    const auto period = std::chrono::microseconds(16667);
    for (int i = 0; i <= static_cast<int>(duration * 60.0); ++i) {
        const auto tick = start + i * period;
        std::this_thread::sleep_until(tick - std::chrono::milliseconds(1));
        while (std::chrono::steady_clock::now() < tick) {
        }
        wall.push_back(wallSeconds());
        position.push_back(device.getPosition());
    }
    device.stop();
    device.shutdown();

    const size_t n = wall.size();
    double worst = 0.0;
    std::vector<double> steps;
    std::vector<double> stepErrors;
    for (size_t i = 1; i < n; ++i) {
        worst = std::fmax(worst, std::fabs((position[i] - position[0]) - (wall[i] - wall[0])));
        steps.push_back(position[i] - position[i - 1]);
        stepErrors.push_back((position[i] - position[i - 1]) - (wall[i] - wall[i - 1]));
    }
    const double drift = (position[n - 1] - position[0]) - (wall[n - 1] - wall[0]);
    std::printf("polls: %zu over %.3f s of wall clock\n", n, wall[n - 1] - wall[0]);
    std::printf("drift of position against wall clock: %+.3f ms (largest gap on the way: %.3f ms)\n",
                drift * 1e3, worst * 1e3);
    std::printf("frame-to-frame position step: standard deviation %.3f ms\n", standardDeviation(steps) * 1e3);
    std::printf("frame-to-frame step less wall step: standard deviation %.3f ms\n",
                standardDeviation(stepErrors) * 1e3);
    return 0;
}
