// Frame profile of the whole show: the real engine plays the shipped res/ offline
// at a fixed 60 frames a second on a hand-set clock and times every stage of every
// frame (core/Profile.h). Opens a window: run under xvfb-run; GALLIUM_NOOP=1 takes
// Mesa's rasteriser out, so only our CPU work and the driver's bookkeeping remain.
//   frame_profile [--from S] [--to S] [--width W] [--height H] [--msaa N] [--res DIR]
#include "app/Engine.h"
#include "audio/BASSAudioDevice.h"
#include "audio/ManualAudioDevice.h"
#include "core/Profile.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
const Clock::time_point kProcessStart = Clock::now();

double secondsSince(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

const char* const kStageNames[profile::kStageCount] = {
    "sync reads", "Lua update", "Lua render", "scene tree walk", "ocean waves",
    "flock step", "post chain set-up", "loader/watcher", "total to swap request", "swap"};

// The soundtrack's place moves 1/60 s per frame (the loop updates the device
// once a frame) and the show ends at `end`.
class FrameClock : public ManualAudioDevice {
public:
    FrameClock(double from, double to) : frame(0), first(from), end(to) { position = static_cast<float>(from); }
    void update() override { position = static_cast<float>(first + static_cast<double>(++frame) / 60.0); }
    bool isPlaying() override { return first + static_cast<double>(frame) / 60.0 < end; }
    long frame;
    double first;
    double end;
};

struct Frame {
    double showTime;
    double wallSeconds;  // from the previous frame's end to this one's
    int64_t ns[profile::kStageCount];
};

struct Recorder {
    FrameClock* clock = nullptr;
    std::vector<Frame> frames;  // reserved for the whole run: recording allocates nothing
    Clock::time_point last;
    double firstFrameSeconds = 0.0;
    long rssAt30 = -1;
};

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

void recordFrame(const profile::StageTimes& times, void* context) {
    Recorder& r = *static_cast<Recorder*>(context);
    const Clock::time_point now = Clock::now();
    if (r.frames.empty()) r.firstFrameSeconds = std::chrono::duration<double>(now - kProcessStart).count();
    if (r.frames.size() == r.frames.capacity()) return;
    Frame f;
    f.showTime = r.clock->position;
    f.wallSeconds = std::chrono::duration<double>(now - r.last).count();
    std::copy(std::begin(times.nanoseconds), std::end(times.nanoseconds), f.ns);
    r.frames.push_back(f);
    r.last = now;
    if (r.rssAt30 < 0 && f.showTime >= 30.0) r.rssAt30 = residentKilobytes();
}

double quantileMs(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(std::lround(q * static_cast<double>(v.size() - 1)))];
}

void printReport(const Recorder& r) {
    const std::vector<Frame>& frames = r.frames;
    std::printf("\n%-24s %10s %10s %10s   (ms per frame, inclusive)\n", "stage", "median", "p99", "max");
    for (int s = 0; s < profile::kStageCount; ++s) {
        std::vector<double> ms;
        for (const Frame& f : frames) ms.push_back(static_cast<double>(f.ns[s]) * 1e-6);
        if (*std::max_element(ms.begin(), ms.end()) == 0.0) {
            std::printf("%-24s %10s\n", kStageNames[s], "(not in this show)");
            continue;
        }
        std::printf("%-24s %10.3f %10.3f %10.3f\n", kStageNames[s], quantileMs(ms, 0.5), quantileMs(ms, 0.99),
                    quantileMs(ms, 1.0));
    }
    std::vector<double> wall;
    for (size_t i = 1; i < frames.size(); ++i) wall.push_back(frames[i].wallSeconds * 1e3);
    if (!wall.empty()) {
        double sum = 0.0;
        for (double w : wall) sum += w;
        std::printf("%-24s %10.3f %10.3f %10.3f   -> %.1f frames per second\n", "whole frame (wall)",
                    quantileMs(wall, 0.5), quantileMs(wall, 0.99), quantileMs(wall, 1.0),
                    1e3 * static_cast<double>(wall.size()) / sum);
    }

    std::vector<size_t> order(frames.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return frames[a].ns[profile::kTotal] > frames[b].ns[profile::kTotal]; });
    std::printf("\nworst frames by total to swap request:\n");
    for (size_t k = 0; k < std::min<size_t>(5, order.size()); ++k) {
        const Frame& f = frames[order[k]];
        std::printf("  frame %5zu at %7.3f s: %.3f ms (", order[k], f.showTime, static_cast<double>(f.ns[profile::kTotal]) * 1e-6);
        const char* separator = "";
        for (int s = 0; s < profile::kTotal; ++s) {
            if (f.ns[s] == 0) continue;
            std::printf("%s%s %.3f", separator, kStageNames[s], static_cast<double>(f.ns[s]) * 1e-6);
            separator = ", ";
        }
        std::printf(")\n");
    }
}
} // namespace

int main(int argc, char** argv) {
    double from = 0.0;
    double to = -1.0;
    int width = 1280;
    int height = 720;
    int msaa = 4;
    std::string res = SOLVANE_SOURCE_DIR "/res";
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* key = argv[i];
        const char* value = argv[i + 1];
        if (std::strcmp(key, "--from") == 0) from = std::atof(value);
        else if (std::strcmp(key, "--to") == 0) to = std::atof(value);
        else if (std::strcmp(key, "--width") == 0) width = std::atoi(value);
        else if (std::strcmp(key, "--height") == 0) height = std::atoi(value);
        else if (std::strcmp(key, "--msaa") == 0) msaa = std::atoi(value);
        else if (std::strcmp(key, "--res") == 0) res = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", key);
            return 2;
        }
    }

    // The soundtrack is only decoded here (a hand-set clock replaces it): no output probing.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // The engine reads Config.txt and res/ from, and writes Log.txt to, its working folder.
    char pattern[] = "/tmp/solvane-profile.XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    std::ofstream(dir + "/Config.txt") << "ViewportWidth = " << width << ";\nViewportHeight = " << height
                                       << ";\nMSAA = " << msaa << ";\nFullscreen = false;\nVSync = false;\n";
    std::filesystem::create_directory_symlink(std::filesystem::absolute(res), dir + "/res");
    if (chdir(dir.c_str()) != 0) return 1;

    Engine engine;
    if (!engine.initialize()) {
        std::fprintf(stderr, "start-up failed; see %s/Log.txt\n", dir.c_str());
        engine.abortStartup();
        return 1;
    }
    const double startup = secondsSince(kProcessStart);
    const double length = static_cast<BASSAudioDevice*>(engine.audioDevice.get())->getLength();
    if (to < 0.0 || to > length) to = length;

    // From here the show runs on the hand-set clock.
    engine.stopAudio();
    auto clock = std::make_unique<FrameClock>(from, to);
    Recorder recorder;
    recorder.clock = clock.get();
    recorder.frames.reserve(static_cast<size_t>(std::ceil((to - from) * 60.0)) + 2);
    engine.audioDevice = std::move(clock);
    engine.syncDevice.shutdown();
    engine.syncDevice.init(engine.audioDevice.get());
    engine.lastStepPosition = static_cast<float>(from);
    engine.stepAccumulator = 0.0f;

    profile::StageTimes times;
    times.frameDone = recordFrame;
    times.context = &recorder;
    profile::active = &times;
    recorder.last = Clock::now();
    const Clock::time_point runStart = Clock::now();
    engine.run();
    const double runSeconds = secondsSince(runStart);
    profile::active = nullptr;
    const long rssEnd = residentKilobytes();
    engine.shutdown();
    std::filesystem::remove_all(dir);

    const char* noop = std::getenv("GALLIUM_NOOP");
    std::printf("show %.2f s to %.2f s at %dx%d, %dx MSAA, %s\n", from, to, width, height, msaa,
                noop && std::strcmp(noop, "1") == 0 ? "rasteriser out (GALLIUM_NOOP=1)" : "rasterised");
    std::printf("start-up (initialize, warm frame and playback start): %.3f s; first frame done at %.3f s\n", startup,
                recorder.firstFrameSeconds);
    std::printf("frames: %zu in %.2f s of wall clock\n", recorder.frames.size(), runSeconds);
    if (recorder.rssAt30 >= 0) std::printf("resident memory at 30 s of show: %.1f MB\n", recorder.rssAt30 / 1024.0);
    std::printf("resident memory at the end: %.1f MB\n", rssEnd / 1024.0);
    if (recorder.frames.empty()) return 1;
    printReport(recorder);
    return 0;
}
