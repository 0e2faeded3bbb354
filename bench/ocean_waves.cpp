// Benchmark of the ocean's CPU work per frame (spectrum, five inverse FFTs and
// the vertex pass; the upload excluded) for N = 64, 128 and 256, against FFTW
// alone running the five transforms, both as five in-place complex N x N
// transforms (the plain way to the same fields) and as the ocean runs them
// itself; FFTW_MEASURE planning time for N = 128; and the CPU cost of building
// the sea example's meshes and waves.
//
// Times are this thread's CPU time per frame, so other programs on a loaded
// machine slow the figures less than wall time would; each figure is the
// median over rounds that take every measurement in turn.
#include "core/Random.h"
#include "objects/OceanWaves.h"
#include "objects/SurfaceMeshes.h"

#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double cpuNow() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// What one reading adds to a timed span (a system call, around 2 us in a VM,
// not small against N = 64), taken off every span.
double readingCost() {
    std::vector<double> spans;
    for (int i = 0; i < 2001; ++i) {
        const double a = cpuNow();
        spans.push_back(cpuNow() - a);
    }
    std::sort(spans.begin(), spans.end());
    return spans[spans.size() / 2];
}
double gReadingCost = 0.0;

OceanParameters seaOf(uint32_t n) {
    OceanParameters p;
    p.gridSize = n;
    p.spacing = 0.5f;
    p.amplitude = 0.0004f;
    p.windSpeed = 11.0f;
    p.windDirection = {1.0f, 0.35f};
    return p;
}

// Five in-place complex inverse transforms of N x N. Each run multiplies the
// data by up to N * N, so every frame starts again from the same spectrum.
class ComplexTransforms {
public:
    explicit ComplexTransforms(uint32_t n) : count(static_cast<size_t>(n) * n), pristine(2 * count) {
        for (size_t i = 0; i < pristine.size(); ++i) pristine[i] = static_cast<float>((i * 7919) % 1000) * 1e-3f - 0.5f;
        for (int t = 0; t < 5; ++t) {
            data[t] = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * count));
            plans[t] = fftwf_plan_dft_2d(static_cast<int>(n), static_cast<int>(n), data[t], data[t], FFTW_BACKWARD,
                                         FFTW_MEASURE);
        }
    }
    ~ComplexTransforms() {
        for (int t = 0; t < 5; ++t) {
            fftwf_destroy_plan(plans[t]);
            fftwf_free(data[t]);
        }
    }
    ComplexTransforms(const ComplexTransforms&) = delete;
    ComplexTransforms& operator=(const ComplexTransforms&) = delete;

    double timedRun() {
        for (int t = 0; t < 5; ++t) std::memcpy(data[t], pristine.data(), sizeof(fftwf_complex) * count);
        const double start = cpuNow();
        for (int t = 0; t < 5; ++t) fftwf_execute(plans[t]);
        return cpuNow() - start - gReadingCost;
    }

private:
    size_t count;
    std::vector<float> pristine;
    fftwf_complex* data[5] = {};
    fftwf_plan plans[5] = {};
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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
        std::printf("init N=128 (spectrum + FFTW_MEASURE planning, no wisdom): %.1f ms\n", since(start) * 1e3);
    }
    fftwf_forget_wisdom();
    {
        fftwf_complex* a = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * 128 * 128));
        const auto start = Clock::now();
        fftwf_plan plan = fftwf_plan_dft_2d(128, 128, a, a, FFTW_BACKWARD, FFTW_MEASURE);
        std::printf("one FFTW_MEASURE plan, 128 x 128 complex in place: %.1f ms\n", since(start) * 1e3);
        fftwf_destroy_plan(plan);
        fftwf_free(a);
    }

    gReadingCost = readingCost();
    std::printf("CPU ms per frame, median of 15 rounds (%.1f us per clock reading taken off). update:\n"
                "spectrum, own FFT and vertices, without and with the smoothed normals; ratios: update against\n"
                "FFTW alone running five complex N x N transforms, or running the ocean's own transforms\n",
                gReadingCost * 1e6);
    std::printf("%-4s %8s %8s | %8s %8s %8s | %9s | %7s %8s | %7s %8s\n", "N", "update", "+normals", "spectrum",
                "own FFT", "vertices", "5 complex", "ratio", "+normals", "to own", "+normals");
    for (uint32_t n : {64u, 128u, 256u}) {
        OceanWaves waves;
        waves.init(seaOf(n));
        ComplexTransforms plain(n);
        const int frames = n <= 64 ? 100 : n <= 128 ? 25 : 6;
        enum { Update, Normals, Fill, Own, Vertices, Plain, Count };
        std::vector<double> rounds[Count];
        float t = 0.0f;
        waves.update(t, 1.0f, false);  // warm caches
        for (int round = 0; round < 15; ++round) {
            double sum[Count] = {};
            for (int f = 0; f < frames; ++f) {
                const double cost = gReadingCost;
                double start = cpuNow();
                waves.update(t += 0.0167f, 1.0f, false);
                sum[Update] += cpuNow() - start - cost;
                start = cpuNow();
                waves.update(t += 0.0167f, 1.0f, true);
                sum[Normals] += cpuNow() - start - cost;
                start = cpuNow();
                waves.fillSpectrum(t += 0.0167f);
                const double filled = cpuNow();
                waves.executeTransforms();
                const double transformed = cpuNow();
                waves.buildVertices(1.0f, false);
                sum[Vertices] += cpuNow() - transformed - cost;
                sum[Own] += transformed - filled - cost;
                sum[Fill] += filled - start - cost;
                sum[Plain] += plain.timedRun();
            }
            for (int m = 0; m < Count; ++m) rounds[m].push_back(sum[m] / frames * 1e3);
        }
        double ms[Count];
        for (int m = 0; m < Count; ++m) ms[m] = median(rounds[m]);
        std::printf("%-4u %8.3f %8.3f | %8.3f %8.3f %8.3f | %9.3f | %7.2f %8.2f | %7.2f %8.2f\n", n, ms[Update],
                    ms[Normals], ms[Fill], ms[Own], ms[Vertices], ms[Plain], ms[Update] / ms[Plain],
                    ms[Normals] / ms[Plain], ms[Update] / ms[Own], ms[Normals] / ms[Own]);
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
