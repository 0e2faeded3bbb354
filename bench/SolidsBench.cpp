// Figures for the solid objects: one flocking step of 128 boids and the
// refresh of their 128 instance matrices (CPU), the generation of 1,000,000
// particles (CPU), and the CPU time per frame of the solids example scene
// through the whole engine (run it with GALLIUM_NOOP=1 under xvfb-run so that
// Mesa skips the drawing). Usage: SolidsBench [folder holding res/ (default: the source tree)]
#include "app/Engine.h"
#include "audio/ManualAudioDevice.h"
#include "core/Random.h"
#include "objects/BoidsObject.h"
#include "objects/Flock.h"
#include "objects/ParticleCloud.h"
#include "scene/SceneRootObject.h"

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void flockFigures() {
    engineSrand(0);
    Flock flock;
    flock.init(kFlockSize);
    std::vector<double> steps, refreshes;
    glm::mat4 matrices[kFlockSize];
    for (int i = 0; i < 2000; ++i) {
        auto start = Clock::now();
        flock.update(1.0f / 60.0f);
        steps.push_back(microsecondsSince(start));
        start = Clock::now();
        fillBoidMatrices(flock, matrices, kFlockSize);
        refreshes.push_back(microsecondsSince(start));
    }
    std::printf("flock step, 128 boids: %.1f us (median of 2000)\n", median(steps));
    std::printf("instance matrix refresh, 128 boids: %.2f us (median of 2000)\n", median(refreshes));
}

void particleFigures() {
    std::vector<double> builds;
    for (int i = 0; i < 5; ++i) {
        auto start = Clock::now();
        std::vector<Particle> particles = generateParticles(1000000, glm::vec3(70.0f, 30.0f, 70.0f));
        builds.push_back(microsecondsSince(start) / 1000.0);
        if (particles.empty()) std::printf("?\n");
    }
    std::printf("particle build, 1,000,000 particles: %.1f ms (median of 5)\n", median(builds));
}

// The whole engine on a copy of res/ with the solids example as its scene.
bool sceneFigures(const std::string& source) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("solids-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::copy(fs::path(source) / "res", dir / "res", fs::copy_options::recursive);
    fs::copy_file(dir / "res/scripts/examples/solids.lua", dir / "res/scripts/scene.lua",
                  fs::copy_options::overwrite_existing);
    std::ofstream(dir / "Config.txt") << "ViewportWidth = 1280;\nViewportHeight = 720;\nMSAA = 0;\n"
                                         "Fullscreen = false;\nVSync = false;\n";
    if (chdir(dir.c_str()) != 0) return false;
    Engine engine;
    gEngine = &engine;
    bool ok = engine.initialize();
    if (ok) {
        engine.stopAudio();
        auto clock = std::make_unique<ManualAudioDevice>();
        ManualAudioDevice* raw = clock.get();
        engine.audioDevice = std::move(clock);
        engine.syncDevice.shutdown();
        ok = engine.syncDevice.init(raw);
        std::printf("objects under the scene's root: %zu\n", engine.scene.root ? engine.scene.root->children.size() : 0);
        std::vector<double> frames;
        for (int i = 0; ok && i < 600; ++i) {
            const float seconds = 4.0f + i / 60.0f;
            auto start = Clock::now();
            raw->position = seconds;
            engine.syncDevice.update();
            engine.scene.fixedStep(1.0f / 60.0f);
            engine.scene.frame(seconds);
            glFinish();
            frames.push_back(microsecondsSince(start) / 1000.0);
        }
        if (ok)
            std::printf("solids example, one step and one frame at 1280x720 (%s): %.3f ms (median of 600)\n",
                        std::getenv("GALLIUM_NOOP") ? "GALLIUM_NOOP=1" : "drawing", median(frames));
    }
    engine.shutdown();
    fs::remove_all(dir);
    return ok;
}
} // namespace

int main(int argc, char** argv) {
    const std::string source = argc > 1 ? argv[1] : SOLVANE_SOURCE_DIR;
    flockFigures();
    particleFigures();
    if (!sceneFigures(source)) {
        std::fprintf(stderr, "the example scene did not start (run under xvfb-run); see Log.txt\n");
        return 1;
    }
    return 0;
}
