// Cost per frame of the scripts' audio table: the shipped soundtrack played
// through at 60 frames a second on a hand-set clock, each frame reading the
// level and all 32 bands as a busy script would (the first read of a frame
// measures, the rest read back). Prints the median, 99th percentile and worst
// frame, and a second pass with every band read 10 times to show the reads
// after the first cost next to nothing.
// Usage: audio_meter [SOUNDTRACK.mp3]
#include "audio/ManualAudioDevice.h"
#include "audio/SoundtrackMeter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {
struct Figures {
    double median, p99, worst;
};

Figures pass(ManualAudioDevice& audio, SoundtrackMeter& meter, int readsPerBand, double& sink) {
    const int frames = static_cast<int>(audio.getLength() * 60.0);
    std::vector<double> costs;
    costs.reserve(static_cast<size_t>(frames));
    for (int f = 0; f < frames; ++f) {
        const auto start = std::chrono::steady_clock::now();
        meter.moveTo(&audio, f / 60.0);
        sink += meter.level();
        for (int r = 0; r < readsPerBand; ++r)
            for (int b = 0; b < SoundtrackMeter::kBandCount; ++b) sink += meter.band(b);
        costs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(costs.begin(), costs.end());
    return {costs[costs.size() / 2], costs[costs.size() * 99 / 100], costs.back()};
}
} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : std::string(SOLVANE_SOURCE_DIR) + "/res/audio/melody2.mp3";
    ManualAudioDevice audio;
    SoundtrackMeter meter;
    if (!audio.createSoundtrack(path, 106.0f) || !meter.init()) {
        std::fprintf(stderr, "audio_meter: cannot decode %s or plan the transform\n", path.c_str());
        return 1;
    }
    double sink = 0.0;
    pass(audio, meter, 1, sink);  // warm caches and pages
    const Figures once = pass(audio, meter, 1, sink);
    const Figures tenfold = pass(audio, meter, 10, sink);
    std::printf("audio meter, %.1f s at 60 fps, level + 32 bands per frame: median %.4f ms, p99 %.4f ms, worst %.4f ms"
                " (goal: under 0.05 ms)\n",
                audio.getLength(), once.median, once.p99, once.worst);
    std::printf("same, every band read 10 times a frame: median %.4f ms, p99 %.4f ms (checksum %.1f)\n", tenfold.median,
                tenfold.p99, sink);
    return 0;
}
