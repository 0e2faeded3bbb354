// Benchmark of the soundtrack clock: seeks the playing soundtrack a number of
// times, then plays it on and polls the device's position at 60 Hz against the
// steady wall clock. Uses SDL's dummy driver unless SDL_AUDIODRIVER names another
// (scripts/with_null_sink.sh runs it on PulseAudio's null sink).
//   audio_clock [soundtrack.mp3] [seconds] [--seeks N] [--check] [--trace FILE]
// With --check it exits 1 when the output is the dummy driver although another
// was asked for, when PulseAudio was asked for but the output does not tell its
// queue, or when the position went back or stood still while playing: what
// holds however busy the machine is (its figures are for people to judge).
// The output's own rate is measured from the samples it takes (the timeliest
// refills of each second), since a sound card or PulseAudio's null sink need
// not run with the wall clock: the position should drift with the audio, not
// with the wall clock.
#include "audio/AudioPlayback.h"
#include "audio/BASSAudioDevice.h"
#include "core/ShowTiming.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
const auto kPeriod = std::chrono::microseconds(16667);

double wallSeconds() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

double standardDeviation(const std::vector<double>& v) {
    double mean = 0.0;
    for (double x : v) mean += x;
    mean /= static_cast<double>(v.size());
    double sum = 0.0;
    for (double x : v) sum += (x - mean) * (x - mean);
    return std::sqrt(sum / static_cast<double>(v.size()));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double largestMagnitude(const std::vector<double>& v) {
    double m = 0.0;
    for (double x : v) m = std::max(m, std::fabs(x));
    return m;
}

// Waits for a tick as a vsync-paced frame loop would: sleeps to just before it,
// then spins, so the poll's own wake-up jitter stays out of the figures.
void waitFor(Clock::time_point tick) {
    std::this_thread::sleep_until(tick - std::chrono::milliseconds(1));
    while (Clock::now() < tick) {
    }
}

// The output's drift from the wall clock between `from` and `to`: the slope of
// the upper edge of (samples taken less wall time) over the refills, since a
// refill that wakes up late sees fewer taken than there are. The edge is the
// line whose highest point in the first third equals that in the last third.
double outputDriftAgainstWall(const std::vector<playback::OutputCount>& taken, double from, double to) {
    const double span = to - from;
    if (taken.size() < 10 || span < 9.0 || playback::outputDriver() == "dummy") return std::nan("");
    double slope = 0.0;
    for (int pass = 0; pass < 20; ++pass) {
        double early = -1e9, late = -1e9;
        for (const playback::OutputCount& c : taken) {
            const double at = c.time - from;
            const double ahead = static_cast<double>(c.frames - taken.front().frames) / playback::kOutputRate - at - slope * at;
            if (at >= 0.0 && at < span / 3.0) early = std::max(early, ahead);
            if (at > span * 2.0 / 3.0 && at <= span) late = std::max(late, ahead);
        }
        slope += (late - early) / (span * 2.0 / 3.0);
    }
    return slope * span;
}

struct SeekFigures {
    std::vector<double> immediate;  // position read right after the seek, less the target
    std::vector<double> settled;    // 100 ms on: position less (target + wall time since the seek)
};

// Seeks back and forth between 2 s and 5 s, one seek every 0.3 s of polling.
SeekFigures measureSeeks(BASSAudioDevice& device, int count) {
    SeekFigures figures;
    for (int i = 0; i < count && device.isPlaying(); ++i) {
        const float target = 2.0f + static_cast<float>((i * 7) % 31) * 0.1f;
        const double wallAtSeek = wallSeconds();
        device.setPosition(target);
        figures.immediate.push_back(static_cast<double>(device.getPosition()) - target);
        const auto from = Clock::now();
        for (int tick = 1; tick <= 18; ++tick) {
            waitFor(from + tick * kPeriod);
            const double position = device.getPosition();
            if (tick == 6) figures.settled.push_back(position - (target + (wallSeconds() - wallAtSeek)));
        }
    }
    return figures;
}
} // namespace

int main(int argc, char** argv) {
    std::string path = SOLVANE_SOURCE_DIR "/res/audio/melody2.mp3";
    double duration = 10.0;
    int seeks = 20;
    bool check = false;
    const char* tracePath = nullptr;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seeks") == 0 && i + 1 < argc) seeks = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--check") == 0) check = true;
        else if (std::strcmp(argv[i], "--trace") == 0 && i + 1 < argc) tracePath = argv[++i];
        else if (positional++ == 0) path = argv[i];
        else duration = std::atof(argv[i]);
    }
    const char* requested = std::getenv("SDL_AUDIODRIVER");
    const std::string wanted = requested ? requested : "dummy";
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    BASSAudioDevice device;
    if (!device.init() || !device.createSoundtrack(path, static_cast<float>(kDefaultBeatsPerMinute))) {
        std::fprintf(stderr, "cannot play %s\n", path.c_str());
        return 1;
    }
    const std::string driver = playback::outputDriver();
    const bool toldQueue = playback::outputTellsLatency();
    std::printf("driver: %s (latency %s), soundtrack: %s\n", driver.c_str(),
                toldQueue ? "told by the output" : "assumed one buffer", path.c_str());
    device.play();
    while (device.isPlaying() && device.getPosition() <= 0.0f) std::this_thread::sleep_for(std::chrono::microseconds(200));

    const SeekFigures seekFigures = measureSeeks(device, seeks);
    device.setPosition(0.5f);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // past the seek's own figures

    std::vector<double> wall;
    std::vector<double> position;
    std::vector<playback::OutputCount> taken;
    std::vector<playback::OutputCount> takenAtPoll;
    takenAtPoll.reserve(static_cast<size_t>(duration * 60.0) + 1);
    const auto start = Clock::now();
    for (int i = 0; i <= static_cast<int>(duration * 60.0) && device.isPlaying(); ++i) {
        waitFor(start + i * kPeriod);
        wall.push_back(wallSeconds());
        position.push_back(device.getPosition());
        const playback::OutputCount count = playback::outputCount();
        takenAtPoll.push_back(count);
        if (taken.empty() || count.frames != taken.back().frames) taken.push_back(count);
    }
    if (tracePath) {
        // One line per poll: wall time, position, frames the output has taken and the time of that refill.
        if (FILE* trace = std::fopen(tracePath, "w")) {
            for (size_t i = 0; i < wall.size(); ++i)
                std::fprintf(trace, "%.6f %.6f %llu %.6f\n", wall[i], position[i],
                             static_cast<unsigned long long>(takenAtPoll[i].frames), takenAtPoll[i].time);
            std::fclose(trace);
        }
    }
    device.stop();
    device.shutdown();

    const size_t n = wall.size();
    if (n < 2) {
        std::fprintf(stderr, "the soundtrack stopped before it could be measured\n");
        return 1;
    }
    double worst = 0.0;
    std::vector<double> steps;
    std::vector<double> stepErrors;
    for (size_t i = 1; i < n; ++i) {
        worst = std::fmax(worst, std::fabs((position[i] - position[0]) - (wall[i] - wall[0])));
        steps.push_back(position[i] - position[i - 1]);
        stepErrors.push_back((position[i] - position[i - 1]) - (wall[i] - wall[i - 1]));
    }
    const double drift = (position[n - 1] - position[0]) - (wall[n - 1] - wall[0]);
    std::vector<double> secondDrifts;
    for (size_t i = 60; i < n; i += 60)
        secondDrifts.push_back(((position[i] - position[i - 60]) - (wall[i] - wall[i - 60])) / (wall[i] - wall[i - 60]));
    const double typicalDrift = secondDrifts.empty() ? drift : median(secondDrifts) * (wall[n - 1] - wall[0]);
    std::printf("polls: %zu over %.3f s of wall clock\n", n, wall[n - 1] - wall[0]);
    std::printf("drift of position against wall clock: %+.3f ms (largest gap on the way: %.3f ms)\n",
                drift * 1e3, worst * 1e3);
    std::printf("drift at the median rate of one-second windows: %+.3f ms\n", typicalDrift * 1e3);
    const double outputDrift = outputDriftAgainstWall(taken, wall[0], wall[n - 1]);
    if (!std::isnan(outputDrift)) {
        std::printf("the output took samples drifting %+.3f ms from the wall clock (%+.0f ppm)\n", outputDrift * 1e3,
                    outputDrift / (wall[n - 1] - wall[0]) * 1e6);
        std::printf("drift of position against the audio taken: %+.3f ms\n", (drift - outputDrift) * 1e3);
    }
    std::printf("frame-to-frame position step: standard deviation %.3f ms\n", standardDeviation(steps) * 1e3);
    std::printf("frame-to-frame step less wall step: standard deviation %.3f ms\n",
                standardDeviation(stepErrors) * 1e3);
    if (!seekFigures.immediate.empty()) {
        std::printf("seeks: %zu; position right after a seek less its target: largest %.3f ms\n",
                    seekFigures.immediate.size(), largestMagnitude(seekFigures.immediate) * 1e3);
    }
    if (!seekFigures.settled.empty()) {
        std::printf("100 ms after a seek, position less (target + wall time since): largest %.3f ms, "
                    "standard deviation %.3f ms\n",
                    largestMagnitude(seekFigures.settled) * 1e3, standardDeviation(seekFigures.settled) * 1e3);
    }

    if (!check) return 0;
    bool ok = true;
    if (driver != wanted) {
        std::printf("FAIL: output driver %s, asked for %s\n", driver.c_str(), wanted.c_str());
        ok = false;
    }
    if (wanted == "pulseaudio" && !toldQueue) {
        std::printf("FAIL: PulseAudio plays, but not through the output that tells its queue\n");
        ok = false;
    }
    for (size_t i = 1; i < n; ++i) {
        if (position[i] < position[i - 1]) {
            std::printf("FAIL: the position went back from %.6f to %.6f s\n", position[i - 1], position[i]);
            ok = false;
            break;
        }
    }
    if (!(position[n - 1] > position[0])) {
        std::printf("FAIL: the position stood at %.6f s\n", position[0]);
        ok = false;
    }
    return ok ? 0 : 1;
}
