// The shipped show in this process for five minutes (SOLVANE_SOAK_SECONDS)
// while its script is saved every 0.5 s and a shader every 0.7 s: memory must
// level off after the first minute and frames must keep coming.
#include "capture/CaptureRun.h"
#include "core/Engine.h"
#include "core/Profile.h"

#include "TestSupport.h"

#include <malloc.h>

#include <cstdio>
#include <fstream>
#include <numeric>

namespace {
long residentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// The wall clock playing the show through once a minute, over and over: from
// minute 2 on every minute repeats the same work, so growth is a leak and not
// a scene met for the first time. Between frames it saves files as an editor
// would (each save changes the text) and samples the memory every 5 s.
struct Soak : ManualAudioDevice {
    Soak(double seconds, double show) : length(seconds), showLength(show) {}
    void update() override { position = static_cast<float>(std::fmod(elapsed() * showLength / 60.0, showLength)); }
    bool isPlaying() override { return elapsed() < length; }
    static void frameDone(const profile::StageTimes&, void* self) { static_cast<Soak*>(self)->betweenFrames(); }

    std::vector<double> rssKb;
    double longestGap = 0.0;

    double elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); }
    void betweenFrames() {
        const double t = elapsed();
        if (lastFrame > 0.0) longestGap = std::max(longestGap, t - lastFrame);
        lastFrame = t;
        if (t >= nextScript) {
            test::writeFile("res/scripts/scene.lua", script + "-- save " + std::to_string(++saves) + "\n");
            nextScript += 0.5;
        }
        if (t >= nextShader) {
            test::writeFile("res/shaders/Mix.frag", shader + "// save " + std::to_string(++saves) + "\n");
            nextShader += 0.7;
        }
        if (t < 5.0 * static_cast<double>(rssKb.size())) return;
        rssKb.push_back(static_cast<double>(residentKb()));
        // The heap's bytes in use tell a leak from memory the allocator keeps.
        const struct mallinfo2 heap = mallinfo2();
        if (rssKb.size() % 12 == 1)
            std::fprintf(stderr, "soak: %4.0f s RSS %.0f kB (heap in use %zu kB), longest gap %.3f s\n", t,
                         rssKb.back(), (heap.uordblks + heap.hblkhd) / 1024, longestGap);
    }

    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    const double length, showLength;
    const std::string script = test::readFile("res/scripts/scene.lua");
    const std::string shader = test::readFile("res/shaders/Mix.frag");
    double lastFrame = 0.0, nextScript = 0.5, nextShader = 0.7;
    int saves = 0;
};
} // namespace

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
    auto clock = std::make_unique<Soak>(seconds, soundtrackSeconds(kSoundtrackPath));
    Soak& soak = *clock;
    engine.audioDevice = std::move(clock);
    engine.syncDevice.shutdown();
    ASSERT_TRUE(engine.syncDevice.init(&soak));
    engine.lastStepPosition = 0.0f;
    profile::StageTimes times;
    times.frameDone = Soak::frameDone;
    times.context = &soak;
    profile::active = &times;
    engine.run();
    profile::active = nullptr;
    EXPECT_LT(soak.longestGap, 1.0) << "a frame took longer than a second";
    const std::vector<double> rss = soak.rssKb;
    engine.shutdown();  // the clock goes with it

    // Reloads every half second keep the allocators' free lists churning, so
    // single samples swing by several MB: minutes are compared by their mean.
    // Memory still grows through minute 2 (some 20 MB on llvmpipe) before it
    // levels off, so only a third minute and later can show a leak.
    ASSERT_GE(rss.size(), 36u) << "the soak needs at least three minutes";
    const double second = std::accumulate(rss.begin() + 12, rss.begin() + 24, 0.0) / 12.0;
    const double last = std::accumulate(rss.end() - 12, rss.end(), 0.0) / 12.0;
    std::printf("soak: mean RSS %.0f kB in minute 2, %.0f kB in the last minute\n", second, last);
    EXPECT_LT(last - second, 5 * 1024.0) << "RSS grew after the first minute";
}
