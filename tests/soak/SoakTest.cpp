// The shipped show in this process for five minutes (SOLVANE_SOAK_SECONDS)
// while its script is saved every 0.5 s and a shader every 0.7 s: memory must
// level off after the first minute and frames must keep coming. Prints RSS
// each minute and the longest gap between two presented frames.
#include "audio/Mp3Decoder.h"
#include "core/Engine.h"

#include "TestSupport.h"

#include <SDL.h>
#include <dlfcn.h>
#include <malloc.h>

#include <atomic>
#include <cmath>
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

// The soundtrack's place taken by the wall clock and played through once a
// minute, over and over: from the end of minute 1 on every scene has been
// drawn, and each later minute repeats the same work, so growth is a leak and
// not a scene met for the first time.
class WallClock : public ManualAudioDevice {
public:
    WallClock(double seconds, double show) : start(Clock::now()), length(seconds), showLength(show) {}
    void update() override {
        position = static_cast<float>(std::fmod(elapsed() * showLength / 60.0, showLength));
    }
    bool isPlaying() override { return elapsed() < length; }
    double elapsed() const { return std::chrono::duration<double>(Clock::now() - start).count(); }

private:
    Clock::time_point start;
    double length;
    double showLength;
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
    std::vector<int16_t> soundtrack;
    ASSERT_EQ(Mp3Decoder::decodeFile("res/audio/melody2.mp3", 44100, soundtrack), Mp3Decoder::Result::Ok);
    auto clock = std::make_unique<WallClock>(seconds, soundtrack.size() / 2 / 44100.0);
    WallClock* raw = clock.get();
    engine.audioDevice = std::move(clock);
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(raw));
    engine.lastStepPosition = 0.0f;

    const std::string script = test::readFile("res/scripts/scene.lua");
    const std::string shader = test::readFile("res/shaders/Mix.frag");
    std::vector<std::pair<double, long>> rss;  // every 5 s: time, kB
    std::thread editor([&] {
        int saves = 0;
        double nextScript = 0.5, nextShader = 0.7, nextSample = 0.0;
        while (raw->elapsed() < seconds) {
            const double t = raw->elapsed();
            // Each save changes the text, as an editor's would.
            if (t >= nextScript) test::writeFile("res/scripts/scene.lua", script + "-- save " + std::to_string(++saves) + "\n"), nextScript += 0.5;
            if (t >= nextShader) test::writeFile("res/shaders/Mix.frag", shader + "// save " + std::to_string(++saves) + "\n"), nextShader += 0.7;
            if (t >= nextSample) {
                rss.emplace_back(nextSample, residentKb());
                if (static_cast<int>(nextSample) % 60 == 0) {
                    // The heap's bytes in use tell a leak from memory the allocator keeps.
                    const struct mallinfo2 heap = mallinfo2();
                    std::printf("soak: %4.0f s RSS %ld kB (heap in use %zu kB), %lld frames, longest gap %.3f s\n",
                                nextSample, rss.back().second, (heap.uordblks + heap.hblkhd) / 1024,
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
    engine.shutdown();

    // Reloads every half second keep the allocators' free lists churning, so
    // single samples swing by several MB: minutes are compared by their mean.
    auto meanKb = [&](double from, double to) {
        double sum = 0.0;
        int count = 0;
        for (const auto& [t, kb] : rss)
            if (t >= from && t < to) sum += kb, ++count;
        return count ? sum / count : -1.0;
    };
    const double second = meanKb(60.0, 120.0), last = meanKb(seconds - 60.0, seconds);
    std::printf("soak: mean RSS %.0f kB in minute 2, %.0f kB in the last minute; %lld frames, longest gap %.3f s\n",
                second, last, static_cast<long long>(swaps.load()), longestGapNs.load() / 1e9);
    ASSERT_GT(second, 0.0) << "the soak needs at least two minutes";
    EXPECT_LT(last - second, 5 * 1024.0) << "RSS grew after the first minute";
    EXPECT_LT(longestGapNs.load(), int64_t(1000000000)) << "a frame took longer than a second";
}
