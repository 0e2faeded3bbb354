// Capture throughput: the shipped show's frames at 1280x720 rendered by the
// capture loop twice, once only presented and once read back and written as
// PNG, in frames per second and as a ratio. Runs the whole engine in this
// process; needs a display (xvfb-run) or SDL_VIDEODRIVER=offscreen.
// Usage: capture_throughput [seconds of show (default 4)] [start second (default 30)]
#include "app/Engine.h"

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
struct Rate {
    double framesPerSecond = -1.0;  // negative when the run failed
    double cpuMsPerFrame = 0.0;     // processor time of every thread of the process
};

Rate captureRate(const std::string& dir, double from, double seconds, bool readBack) {
    Engine engine;
    engine.capture.directory = dir + "/frames";
    engine.capture.fps = 30;
    engine.capture.from = from;
    engine.capture.to = from + seconds;
    engine.capture.width = 1280;
    engine.capture.height = 720;
    engine.capture.readBack = readBack;
    fs::create_directories(engine.capture.directory);
    if (!engine.initialize()) {
        engine.abortStartup();
        return Rate{};
    }
    const std::clock_t started = std::clock();
    const bool ok = engine.run();
    const double cpu = static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
    engine.shutdown();
    Rate rate;
    if (!ok || engine.captureStats.seconds <= 0.0 || engine.captureStats.frames <= 0) return rate;
    rate.framesPerSecond = engine.captureStats.frames / engine.captureStats.seconds;
    rate.cpuMsPerFrame = 1000.0 * cpu / engine.captureStats.frames;
    return rate;
}
} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    const double from = argc > 2 ? std::atof(argv[2]) : 30.0;
    const fs::path dir = fs::temp_directory_path() / ("capture_throughput_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::copy(fs::path(SOLVANE_SOURCE_DIR) / "res", dir / "res", fs::copy_options::recursive);
    fs::copy_file(fs::path(SOLVANE_SOURCE_DIR) / "Config.txt", dir / "Config.txt");
    fs::current_path(dir);

    const Rate plain = captureRate(dir.string(), from, seconds, false);
    const Rate captured = captureRate(dir.string(), from, seconds, true);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    if (plain.framesPerSecond <= 0.0 || captured.framesPerSecond <= 0.0) {
        std::fprintf(stderr, "capture_throughput: a run failed (see Log.txt of the engine)\n");
        return 1;
    }
    std::printf("1280x720, %.1f s of show from %.1f s at 30 fps\n", seconds, from);
    std::printf("plain rendering (presented, no read-back): %.2f frames/s, %.0f ms processor time per frame\n",
                plain.framesPerSecond, plain.cpuMsPerFrame);
    std::printf("capture (read-back + PNG workers):         %.2f frames/s, %.0f ms processor time per frame\n",
                captured.framesPerSecond, captured.cpuMsPerFrame);
    std::printf("capture time / plain time:                 %.2fx (goal: within 1.2x)\n",
                plain.framesPerSecond / captured.framesPerSecond);
    return 0;
}
