// Benchmark of the ocean's CPU work per frame (spectrum, five inverse FFTs and
// the vertex pass; the upload excluded) for N = 64, 128 and 256, against FFTW
// alone running the same five transforms; FFTW_MEASURE planning time for N =
// 128; and the CPU cost of building the sea example's meshes and waves.
#include "core/Random.h"
#include "objects/OceanWaves.h"
#include "objects/SurfaceMeshes.h"

#include <fftw3.h>

#include <chrono>
#include <cstdio>

namespace {
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

OceanParameters seaOf(uint32_t n) {
    OceanParameters p;
    p.gridSize = n;
    p.spacing = 0.5f;
    p.amplitude = 0.0004f;
    p.windSpeed = 11.0f;
    p.windDirection = {1.0f, 0.35f};
    return p;
}
} // namespace

int main() {
    // Planning from scratch: FFTW keeps what it measured (wisdom) for later plans.
    fftwf_forget_wisdom();
    engineSrand(0);
    {
        OceanWaves waves;
        const auto start = Clock::now();
        waves.init(seaOf(128));
        std::printf("init N=128 (spectrum + five FFTW_MEASURE plans, no wisdom): %.1f ms\n", since(start) * 1e3);
    }
    fftwf_forget_wisdom();
    {
        fftwf_complex* a = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * 128 * 128));
        const auto start = Clock::now();
        fftwf_plan plan = fftwf_plan_dft_2d(128, 128, a, a, FFTW_BACKWARD, FFTW_MEASURE);
        std::printf("one FFTW_MEASURE plan, 128 x 128 in place: %.1f ms\n", since(start) * 1e3);
        fftwf_destroy_plan(plan);
        fftwf_free(a);
    }

    std::printf("%-6s %12s %12s %12s %8s %8s\n", "N", "update ms", "+normals ms", "FFTW ms", "ratio", "+norm");
    for (uint32_t n : {64u, 128u, 256u}) {
        OceanWaves waves;
        waves.init(seaOf(n));
        const int frames = n <= 64 ? 2000 : n <= 128 ? 500 : 120;
        float t = 0.0f;
        waves.update(t, 1.0f, false);  // warm caches
        auto start = Clock::now();
        for (int f = 0; f < frames; ++f) waves.update(t += 0.0167f, 1.0f, false);
        const double update = since(start) / frames;
        start = Clock::now();
        for (int f = 0; f < frames; ++f) waves.update(t += 0.0167f, 1.0f, true);
        const double withNormals = since(start) / frames;
        start = Clock::now();
        for (int f = 0; f < frames; ++f) waves.executeTransforms();
        const double fftw = since(start) / frames;
        std::printf("%-6u %12.3f %12.3f %12.3f %8.2f %8.2f\n", n, update * 1e3, withNormals * 1e3, fftw * 1e3,
                    update / fftw, withNormals / fftw);
    }

    // What the sea example builds on the CPU before its first frame (the
    // planner's wisdom from above is kept, as it would not be in a fresh run).
    fftwf_forget_wisdom();
    const auto start = Clock::now();
    size_t sink = 0;
    sink += buildGridMesh(64, 8.0f).indices.size();
    sink += buildRadialGridMesh().indices.size();
    sink += buildDomeMesh(32, 64, 5000.0f).indices.size();
    sink += buildDomeMesh(48, 96, 5000.0f).indices.size();
    sink += buildOceanIndices(128).size();
    OceanWaves sea;
    sea.init(seaOf(128));
    sea.update(0.0f, 0.8f, true);
    std::printf("sea example, CPU build of meshes and waves: %.1f ms (%zu indices)\n", since(start) * 1e3, sink);
    return 0;
}
