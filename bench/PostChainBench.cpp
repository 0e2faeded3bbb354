// Cost of one post-processing frame at a given window size: a multisampled
// or single-sampled RGBA16F scene buffer through the chain with bloom off and
// on, median over many frames. Opens a hidden GL window (run under xvfb-run).
// Usage: PostChainBench [width height samples [folder holding res/ (default: .)]]
#include "gfx/FrameBuffer.h"
#include "gfx/ResourceLoader.h"
#include "gfx/ShaderManager.h"
#include "postfx/PostProcessor.h"

#include "HiddenGlWindow.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {
// One frame of the chain; the scene buffer is cleared before the clock starts.
double medianMs(int runs, PostProcessor& chain, FrameBuffer& scene) {
    return bench::medianMs(runs, [&] { chain.process(scene); }, [&] {
        scene.bind(true);
        scene.unbind();
    });
}
} // namespace

int main(int argc, char** argv) {
    const int width = argc > 3 ? std::atoi(argv[1]) : 1280;
    const int height = argc > 3 ? std::atoi(argv[2]) : 720;
    const int samples = argc > 3 ? std::atoi(argv[3]) : 4;
    const std::string root = argc > 4 ? argv[4] : ".";
    if (chdir(root.c_str()) != 0) {
        std::fprintf(stderr, "cannot start in %s\n", root.c_str());
        return 1;
    }
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_ERROR);
    bench::HiddenGlWindow gl;
    if (!gl.open(width, height)) return 1;

    ResourceLoader loader;
    ShaderManager shaders;
    loader.init();
    if (!shaders.init(loader, nullptr)) return 1;
    std::map<std::string, float> tracks = {{"FX.BloomDry", 1.0f}, {"FX.BloomWet", 0.5f},
                                           {"FX.HighPassCutoff", 0.7f}, {"FX.BlurMagnitude", 2.0f}};
    PostProcessorSetup setup;
    setup.shaders = &shaders;
    setup.width = width;
    setup.height = height;
    setup.sampleCount = samples;
    setup.tracks = [&tracks](const char* name) {
        auto it = tracks.find(name);
        return it == tracks.end() ? 0.0f : it->second;
    };
    PostProcessor chain;
    FrameBuffer scene;
    if (!chain.init(setup) || !scene.create(width, height, 1, true, GL_RGBA16F, samples)) return 1;
    loader.processRequests();
    glViewport(0, 0, width, height);

    const int runs = 40;
    std::printf("window %dx%d, scene buffer RGBA16F with %d samples, median of %d frames\n", width, height, samples,
                runs);
    tracks["FX.EnableBloom"] = 0.0f;
    std::printf("  bloom off: %.2f ms per frame\n", medianMs(runs, chain, scene));
    tracks["FX.EnableBloom"] = 1.0f;
    std::printf("  bloom on:  %.2f ms per frame\n", medianMs(runs, chain, scene));

    scene.destroy();
    chain.release();
    shaders.destroy();
    gl.close();
    return 0;
}
