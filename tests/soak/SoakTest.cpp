// The shipped show in this process for five minutes (SOLVANE_SOAK_SECONDS)
// while its script is saved every 0.5 s and a shader every 0.7 s: memory must
// level off and frames must keep coming. Prints RSS each minute and the
// longest gap between two presented frames. Relies on the engine's own loop.
#include "core/Engine.h"

#include "TestSupport.h"

#include <SDL.h>
#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
std::atomic<int64_t> lastSwapNs{0};
std::atomic<int64_t> longestGapNs{0};
std::atomic<int64_t> swaps{0};

int64_t nowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

// Resident set size of this process in kB.
long residentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// The soundtrack's place taken by the wall clock, so the show runs as long as the soak.
class WallClock : public ManualAudioDevice {
public:
    explicit WallClock(double seconds) : start(Clock::now()), length(seconds) {}
    void update() override { position = static_cast<float>(elapsed()); }
    bool isPlaying() override { return elapsed() < length; }
    double elapsed() const { return std::chrono::duration<double>(Clock::now() - start).count(); }

private:
    Clock::time_point start;
    double length;
};
} // namespace

// Every frame the engine presents passes through here (the engine library is
// linked into this program, so its call binds to this definition first).
extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    static auto real = reinterpret_cast<void (*)(SDL_Window*)>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    real(window);
    const int64_t now = nowNs();
    const int64_t previous = lastSwapNs.exchange(now);
    if (previous && now - previous > longestGapNs) longestGapNs = now - previous;
    ++swaps;
}

TEST(Soak, ReloadsEverySecondForFiveMinutesKeepMemoryFlatAndFramesComing) {
    const char* configured = std::getenv("SOLVANE_SOAK_SECONDS");
    const double seconds = configured ? std::atof(configured) : 300.0;
    test::TempDir dir;
    test::WorkingDir workingDir;
    test::copyShow(dir, test::standardConfig(640, 360, 4, true));
    ASSERT_TRUE(workingDir.enter(dir.path()));
    Engine engine;
    ASSERT_TRUE(engine.initialize());
    engine.stopAudio();
    auto clock = std::make_unique<WallClock>(seconds);
    WallClock* raw = clock.get();
    engine.audioDevice = std::move(clock);
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(raw));
    engine.lastStepPosition = 0.0f;

    const std::string script = test::readFile("res/scripts/scene.lua");
    const std::string shader = test::readFile("res/shaders/Mix.frag");
    std::vector<long> rssPerMinute;  // at 0, 60, 120, ... s
    std::thread editor([&] {
        int saves = 0;
        double nextScript = 0.5, nextShader = 0.7, nextSample = 0.0;
        while (raw->elapsed() < seconds) {
            const double t = raw->elapsed();
            // Each save changes the text, as an editor's would.
            if (t >= nextScript) test::writeFile("res/scripts/scene.lua", script + "-- save " + std::to_string(++saves) + "\n"), nextScript += 0.5;
            if (t >= nextShader) test::writeFile("res/shaders/Mix.frag", shader + "// save " + std::to_string(++saves) + "\n"), nextShader += 0.7;
            if (t >= nextSample) {
                const long rss = residentKb();
                if (static_cast<int>(nextSample) % 60 == 0) {
                    rssPerMinute.push_back(rss);
                    std::printf("soak: %4.0f s RSS %ld kB, %lld frames, longest gap %.3f s\n", nextSample, rss,
                                static_cast<long long>(swaps.load()), longestGapNs.load() / 1e9);
                    std::fflush(stdout);
                }
                nextSample += 5.0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    engine.run();
    editor.join();
    const long endRss = residentKb();
    engine.shutdown();

    std::printf("soak: end RSS %ld kB, %lld frames, longest gap between frames %.3f s\n", endRss,
                static_cast<long long>(swaps.load()), longestGapNs.load() / 1e9);
    ASSERT_GE(rssPerMinute.size(), 2u);
    // From the first minute on: the start-up's caches are filled by then.
    EXPECT_LT(endRss - rssPerMinute[1], 5 * 1024) << "RSS grew from minute 1 to the end";
    EXPECT_LT(longestGapNs.load(), int64_t(1000000000)) << "a frame took longer than a second";
}
